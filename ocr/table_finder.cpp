#include "table_finder.h"

#include <algorithm>
#include <numeric>

namespace {

class TableFinder {
 public:
  explicit TableFinder(PageState* state) : state_(*state) {}

  std::vector<TableElement> run() {
    ruledTables();
    borderlessTables();
    return std::move(tables_);
  }

 private:
  // ---- Ruled tables: a grid of at least two horizontal and two vertical rules.

  void ruledTables() {
    const int tolerance = std::max(3, state_.lineHeight / 3);
    std::vector<PixelRect> rules = state_.page.horizontalRules;
    rules.insert(rules.end(), state_.page.verticalRules.begin(), state_.page.verticalRules.end());
    const size_t horizontal = state_.page.horizontalRules.size();
    // Rules that cross or touch belong to one grid.
    std::vector<size_t> group(rules.size());
    std::iota(group.begin(), group.end(), 0);
    auto find = [&](size_t i) {
      while (group[i] != i) i = group[i] = group[group[i]];
      return i;
    };
    for (size_t h = 0; h < horizontal; ++h) {
      for (size_t v = horizontal; v < rules.size(); ++v) {
        const PixelRect& a = rules[h];
        const PixelRect& b = rules[v];
        if (b.midX() >= a.left - tolerance && b.midX() <= a.right + tolerance &&
            a.midY() >= b.top - tolerance && a.midY() <= b.bottom + tolerance) {
          group[find(h)] = find(v);
        }
      }
    }
    for (size_t root = 0; root < rules.size(); ++root) {
      std::vector<int> ys, xs;
      for (size_t i = 0; i < rules.size(); ++i) {
        if (find(i) != root) continue;
        (i < horizontal ? ys : xs).push_back(i < horizontal ? rules[i].midY() : rules[i].midX());
      }
      ys = distinct(ys, tolerance);
      xs = distinct(xs, tolerance);
      if (ys.size() >= 2 && xs.size() >= 2) gridTable(xs, ys);
    }
  }

  static std::vector<int> distinct(std::vector<int> values, int tolerance) {
    std::sort(values.begin(), values.end());
    std::vector<int> kept;
    for (int v : values) {
      if (kept.empty() || v - kept.back() > tolerance) kept.push_back(v);
    }
    return kept;
  }

  void gridTable(const std::vector<int>& xs, const std::vector<int>& ys) {
    const PixelRect area{xs.front(), ys.front(), xs.back(), ys.back()};
    TableElement table;
    table.region = state_.normalized(area);
    for (size_t r = 0; r + 1 < ys.size(); ++r) {
      std::vector<TextElement> row;
      for (size_t c = 0; c + 1 < xs.size(); ++c) {
        const PixelRect cell{xs[c], ys[r], xs[c + 1], ys[r + 1]};
        row.push_back({cellText(cell), state_.normalized(cell)});
      }
      table.rows.push_back(std::move(row));
    }
    for (size_t i = 0; i < state_.page.lines.size(); ++i) {
      if (containsPoint(area, state_.page.lines[i].box.midX(), state_.page.lines[i].box.midY())) {
        state_.used[i] = true;
      }
    }
    tables_.push_back(std::move(table));
  }

  // The words whose centres lie in `cell`: words of a line joined by spaces,
  // lines by line feeds.
  std::string cellText(const PixelRect& cell) const {
    std::string text;
    for (const LayoutLine& line : state_.page.lines) {
      std::string part;
      for (const LayoutWord& word : line.words) {
        if (isNoise(word.text) || !containsPoint(cell, word.box.midX(), word.box.midY())) continue;
        part += (part.empty() ? "" : " ") + word.text;
      }
      if (!part.empty()) text += (text.empty() ? "" : "\n") + part;
    }
    return text;
  }

  // ---- Borderless tables: rows of short segments aligned in columns.

  struct Segment {
    PixelRect box;
    std::string text;
    int words = 0;
  };
  struct Row {
    std::vector<size_t> lines;
    std::vector<Segment> segments;
    PixelRect box;
  };

  // Lines side by side (recognizers often give each column its own block)
  // make one visual row; within it, wide gaps separate segments.
  std::vector<Row> visualRows() const {
    std::vector<size_t> order;
    for (size_t i = 0; i < state_.page.lines.size(); ++i) {
      if (!state_.used[i] && !state_.page.lines[i].words.empty()) order.push_back(i);
    }
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      return state_.page.lines[a].box.top < state_.page.lines[b].box.top;
    });
    std::vector<Row> rows;
    for (size_t i : order) {
      const PixelRect& box = state_.page.lines[i].box;
      if (!rows.empty()) {
        Row& last = rows.back();
        const int overlap = std::min(last.box.bottom, box.bottom) - std::max(last.box.top, box.top);
        if (overlap * 2 > std::min(last.box.height(), box.height())) {
          last.lines.push_back(i);
          last.box = unite(last.box, box);
          continue;
        }
      }
      rows.push_back({{i}, {}, box});
    }
    for (Row& row : rows) row.segments = segmentsOf(row);
    return rows;
  }

  std::vector<Segment> segmentsOf(const Row& row) const {
    std::vector<LayoutWord> words;
    for (size_t i : row.lines) {
      for (const LayoutWord& word : state_.page.lines[i].words) {
        if (!isNoise(word.text)) words.push_back(word);
      }
    }
    std::sort(words.begin(), words.end(),
              [](const LayoutWord& a, const LayoutWord& b) { return a.box.left < b.box.left; });
    // Word spaces are about a third of the line height; columns far more.
    const int gap = std::max(8, row.box.height() * 6 / 5);
    std::vector<Segment> segments;
    for (const LayoutWord& word : words) {
      if (segments.empty() || word.box.left - segments.back().box.right > gap) {
        segments.push_back({word.box, word.text, 1});
      } else {
        Segment& s = segments.back();
        s.box = unite(s.box, word.box);
        s.text += " " + word.text;
        ++s.words;
      }
    }
    return segments;
  }

  void borderlessTables() {
    std::vector<Row> rows = visualRows();
    size_t start = 0;
    while (start < rows.size()) {
      size_t end = start;
      while (end < rows.size() && rows[end].segments.size() >= 2 &&
             (end == start || rows[end].box.top - rows[end - 1].box.bottom <=
                                  2 * std::max(state_.lineHeight, rows[end - 1].box.height()))) {
        ++end;
      }
      if (end - start >= 3 && looksTabular(rows, start, end)) {
        tableFromRows(rows, start, end);
        start = end;
      } else {
        start = std::max(end, start + 1);
      }
    }
  }

  // Short cells, as tables have; two columns of prose have long ones.
  static bool looksTabular(const std::vector<Row>& rows, size_t start, size_t end) {
    std::vector<int> words;
    for (size_t r = start; r < end; ++r) {
      for (const Segment& s : rows[r].segments) words.push_back(s.words);
    }
    return median(words) <= 4;
  }

  void tableFromRows(const std::vector<Row>& rows, size_t start, size_t end) {
    // Columns: the x ranges of the segments, merged where they overlap.
    std::vector<std::pair<int, int>> columns;
    for (size_t r = start; r < end; ++r) {
      for (const Segment& s : rows[r].segments) columns.emplace_back(s.box.left, s.box.right);
    }
    std::sort(columns.begin(), columns.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto& c : columns) {
      if (!merged.empty() && c.first <= merged.back().second) {
        merged.back().second = std::max(merged.back().second, c.second);
      } else {
        merged.push_back(c);
      }
    }
    TableElement table;
    PixelRect area = rows[start].box;
    for (size_t r = start; r < end; ++r) {
      area = unite(area, rows[r].box);
      std::vector<TextElement> cells(merged.size());
      for (size_t c = 0; c < merged.size(); ++c) {
        cells[c].region = state_.normalized({merged[c].first, rows[r].box.top, merged[c].second,
                                      rows[r].box.bottom});
      }
      for (const Segment& s : rows[r].segments) {
        for (size_t c = 0; c < merged.size(); ++c) {
          if (s.box.left >= merged[c].first && s.box.right <= merged[c].second) {
            std::string& text = cells[c].transcript;
            text += (text.empty() ? "" : " ") + s.text;
          }
        }
      }
      table.rows.push_back(std::move(cells));
      for (size_t i : rows[r].lines) state_.used[i] = true;
    }
    table.region = state_.normalized(area);
    tables_.push_back(std::move(table));
  }

  PageState& state_;
  std::vector<TableElement> tables_;
};

}  // namespace

std::vector<TableElement> findTables(PageState* state) { return TableFinder(state).run(); }

#include <algorithm>

#include "table_finder.h"

namespace {

class AlignedTables {
 public:
  explicit AlignedTables(PageState* state) : state_(*state) {}

  std::vector<TableElement> run() {
    std::vector<Row> rows = visualRows();
    size_t start = 0;
    while (start < rows.size()) {
      size_t end = start;
      while (end < rows.size() && rows[end].segments.size() >= 2 &&
             (end == start || (closeBelow(rows, end) && keepsColumns(rows[end - 1], rows[end])))) {
        ++end;
        // A row with an empty cell, or one the recognizer could not read,
        // goes on the table between full rows whose column it keeps to.
        const size_t next = end + 1;
        if (next < rows.size() && rows[end].segments.size() == 1 &&
            rows[next].segments.size() >= 2 && closeBelow(rows, end) && closeBelow(rows, next) &&
            inOneColumn(rows[end - 1], rows[end]) && inOneColumn(rows[next], rows[end])) {
          ++end;
        }
      }
      if (end - start >= 3 && looksTabular(rows, start, end)) {
        tableFromRows(rows, start, end);
        start = end;
      } else {
        start = std::max(end, start + 1);
      }
    }
    return std::move(tables_);
  }

 private:
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
  // make one visual row; within it, wide gaps separate segments. Lines that
  // start with a bullet are list items, never cells.
  std::vector<Row> visualRows() const {
    std::vector<size_t> order;
    for (size_t i = 0; i < state_.page.lines.size(); ++i) {
      if (!state_.used[i] && !state_.line(i).words.empty() && !state_.line(i).glyph) {
        order.push_back(i);
      }
    }
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      return state_.line(a).box.top < state_.line(b).box.top;
    });
    std::vector<Row> rows;
    for (size_t i : order) {
      const PixelRect& box = state_.line(i).box;
      if (!rows.empty()) {
        Row& last = rows.back();
        if (verticalOverlap(last.box, box) * 2 > std::min(last.box.height(), box.height())) {
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

  // Rows of settings and forms stand further apart than lines of text.
  bool closeBelow(const std::vector<Row>& rows, size_t r) const {
    return rows[r].box.top - rows[r - 1].box.bottom <=
           3 * std::max(state_.lineHeight, rows[r - 1].box.height());
  }

  // No segment of either row reaches over two of the other: a line of prose
  // above or below a table spans its columns.
  static bool keepsColumns(const Row& above, const Row& next) {
    return !spansTwo(above, next) && !spansTwo(next, above);
  }

  // Whether a segment of `row` reaches over two of `other`.
  static bool spansTwo(const Row& row, const Row& other) {
    for (const Segment& s : row.segments) {
      const auto over = std::count_if(other.segments.begin(), other.segments.end(),
                                      [&](const Segment& a) {
                                        return std::min(a.box.right, s.box.right) >
                                               std::max(a.box.left, s.box.left);
                                      });
      if (over > 1) return true;
    }
    return false;
  }

  // A lone segment that starts where a segment of the full row above starts
  // and ends before the next one does: a cell, not a line of prose.
  bool inOneColumn(const Row& full, const Row& lone) const {
    const PixelRect& box = lone.segments.front().box;
    const int tolerance = std::max(3, state_.lineHeight / 3);
    const std::vector<Segment>& cells = full.segments;
    for (size_t c = 0; c < cells.size(); ++c) {
      if (std::abs(cells[c].box.left - box.left) > tolerance) continue;
      return c + 1 == cells.size() || box.right < cells[c + 1].box.left;
    }
    return false;
  }

  std::vector<Segment> segmentsOf(const Row& row) const {
    std::vector<LayoutWord> words;
    for (size_t i : row.lines) {
      for (const LayoutWord& word : state_.line(i).words) {
        if (!isNoise(word.text)) words.push_back(word);
      }
    }
    std::sort(words.begin(), words.end(),
              [](const LayoutWord& a, const LayoutWord& b) { return a.box.left < b.box.left; });
    // Word spaces are about a third of the line height; columns far more.
    const int gap = std::max(8, row.box.height() * 6 / 5);
    std::vector<Segment> segments;
    // Where a cell starts with a sign ("< 0.1ms"), the column starts at its
    // word: a sign misread wide ("=<") does not bridge the gap before it.
    int wordLeft = 0;
    for (size_t i = 0; i < words.size(); ++i) {
      const LayoutWord& word = words[i];
      // Only a sign that stands apart from the word before it, and close
      // to the word after it.
      const bool signFirst = isSign(word.text) && i + 1 < words.size() &&
                             word.box.left - wordLeft > gap / 2 &&
                             words[i + 1].box.left - word.box.right <= gap / 2;
      const int left = signFirst ? words[i + 1].box.left : word.box.left;
      if (segments.empty() || left - wordLeft > gap) {
        segments.push_back({word.box, word.text, 1});
      } else {
        Segment& s = segments.back();
        s.box = unite(s.box, word.box);
        s.text += " " + word.text;
        ++s.words;
      }
      wordLeft = signFirst ? words[i + 1].box.left : word.box.right;
    }
    return segments;
  }

  static bool isSign(const std::string& word) {
    return word.size() <= 3 && std::none_of(word.begin(), word.end(), [](unsigned char c) {
             return std::isalnum(c) || c >= 0x80;
           });
  }

  // Short cells in some column, as tables have (names, keys, numbers); two
  // columns of prose have long ones side by side.
  static bool looksTabular(const std::vector<Row>& rows, size_t start, size_t end) {
    std::vector<int> shortest;
    for (size_t r = start; r < end; ++r) {
      int words = 1 << 20;
      for (const Segment& s : rows[r].segments) words = std::min(words, s.words);
      shortest.push_back(words);
    }
    return median(shortest) <= 4;
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
        cells[c].region = state_.normalized(
            {merged[c].first, rows[r].box.top, merged[c].second, rows[r].box.bottom});
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

std::vector<TableElement> findAlignedTables(PageState* state) { return AlignedTables(state).run(); }

#include "layout_analysis.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numeric>

#include "geometry.h"
#include "list_markers.h"

namespace {

// Ruling lines and specks read as "|", "_" or "—": no cell's text.
bool isNoise(const std::string& word) {
  if (word.size() > 3) return false;
  return std::none_of(word.begin(), word.end(), [](unsigned char c) {
    return std::isalnum(c) || c >= 0x80;
  }) && word != "-";
}

PixelRect unite(const PixelRect& a, const PixelRect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

bool containsPoint(const PixelRect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

int median(std::vector<int> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

class Analysis {
 public:
  explicit Analysis(const PageLayout& page) : page_(page), used_(page.lines.size(), false) {
    std::vector<int> heights;
    for (const LayoutLine& line : page.lines) heights.push_back(line.box.height());
    lineHeight_ = std::max(1, median(heights));
  }

  DocumentContainer run() {
    ruledTables();
    borderlessTables();
    lists();
    title();
    paragraphs();
    return std::move(document_);
  }

 private:
  NormalizedRect normalized(const PixelRect& r) const {
    return normalizePixelBox(r.left, r.top, r.right, r.bottom, page_.width, page_.height);
  }

  // ---- Ruled tables: a grid of at least two horizontal and two vertical rules.

  void ruledTables() {
    const int tolerance = std::max(3, lineHeight_ / 3);
    std::vector<PixelRect> rules = page_.horizontalRules;
    rules.insert(rules.end(), page_.verticalRules.begin(), page_.verticalRules.end());
    const size_t horizontal = page_.horizontalRules.size();
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
    table.region = normalized(area);
    for (size_t r = 0; r + 1 < ys.size(); ++r) {
      std::vector<TextElement> row;
      for (size_t c = 0; c + 1 < xs.size(); ++c) {
        const PixelRect cell{xs[c], ys[r], xs[c + 1], ys[r + 1]};
        row.push_back({cellText(cell), normalized(cell)});
      }
      table.rows.push_back(std::move(row));
    }
    for (size_t i = 0; i < page_.lines.size(); ++i) {
      if (containsPoint(area, page_.lines[i].box.midX(), page_.lines[i].box.midY())) {
        used_[i] = true;
      }
    }
    document_.tables.push_back(std::move(table));
  }

  // The words whose centres lie in `cell`: words of a line joined by spaces,
  // lines by line feeds.
  std::string cellText(const PixelRect& cell) const {
    std::string text;
    for (const LayoutLine& line : page_.lines) {
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
    for (size_t i = 0; i < page_.lines.size(); ++i) {
      if (!used_[i] && !page_.lines[i].words.empty()) order.push_back(i);
    }
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      return page_.lines[a].box.top < page_.lines[b].box.top;
    });
    std::vector<Row> rows;
    for (size_t i : order) {
      const PixelRect& box = page_.lines[i].box;
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
      for (const LayoutWord& word : page_.lines[i].words) {
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
                                  2 * std::max(lineHeight_, rows[end - 1].box.height()))) {
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
        cells[c].region = normalized({merged[c].first, rows[r].box.top, merged[c].second,
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
      for (size_t i : rows[r].lines) used_[i] = true;
    }
    table.region = normalized(area);
    document_.tables.push_back(std::move(table));
  }

  // ---- Lists: lines that begin with a marker, with their wrapped lines.

  struct Item {
    ListItem item;
    PixelRect box;
    int markerLeft = 0;
    int textLeft = 0;
    std::vector<size_t> lines;
  };

  std::optional<MarkerType> markerOf(size_t index) const {
    const LayoutLine& line = page_.lines[index];
    if (line.words.empty()) return std::nullopt;
    if (auto type = markerTypeOf(line.words.front().text)) return type;
    if (!isMisreadBullet(line.words.front().text) || line.words.size() < 2) return std::nullopt;
    // A misread bullet counts when the line above or below has a marker in
    // the same place, or the line below hangs at this line's text.
    const int tolerance = std::max(4, lineHeight_ / 2);
    if (index + 1 < page_.lines.size() &&
        std::abs(page_.lines[index + 1].box.left - line.words[1].box.left) <= tolerance) {
      return MarkerType::bullet;
    }
    for (size_t other : {index - 1, index + 1}) {
      if (other >= page_.lines.size() || page_.lines[other].words.empty()) continue;
      const LayoutWord& first = page_.lines[other].words.front();
      if (std::abs(first.box.left - line.box.left) <= tolerance &&
          (markerTypeOf(first.text) || isMisreadBullet(first.text))) {
        return MarkerType::bullet;
      }
    }
    return std::nullopt;
  }

  void lists() {
    std::vector<Item> items;
    for (size_t i = 0; i < page_.lines.size(); ++i) {
      if (used_[i]) continue;
      const LayoutLine& line = page_.lines[i];
      if (auto marker = markerOf(i)) {
        Item item{{line.text, marker}, line.box, line.box.left,
                  line.words.size() > 1 ? line.words[1].box.left : line.box.left, {i}};
        items.push_back(std::move(item));
        continue;
      }
      if (!items.empty() && continues(items.back(), line, i)) {
        Item& item = items.back();
        if (endsShort(item)) {
          // The line above did not wrap, so this one starts an item whose
          // small marker the recognizer dropped: the list's marker it is.
          items.push_back({{line.text, item.item.markerType}, line.box, item.markerLeft,
                           line.box.left, {i}});
          continue;
        }
        item.item.itemString += " " + line.text;
        item.box = unite(item.box, line.box);
        item.lines.push_back(i);
        continue;
      }
      flushList(&items);
    }
    flushList(&items);
  }

  // A wrapped line of the item: the next line, close below it, starting at
  // or right of the item's text.
  bool continues(const Item& item, const LayoutLine& line, size_t index) const {
    if (index != item.lines.back() + 1) return false;
    const int gap = line.box.top - item.box.bottom;
    const int tolerance = std::max(4, lineHeight_ / 2);
    return gap <= lineHeight_ && line.box.left >= item.textLeft - tolerance;
  }

  // Whether the item's last line ends well before the right edge of its
  // column: the widest of the lines that start near the item's left edge.
  bool endsShort(const Item& item) const {
    const LayoutLine& last = page_.lines[item.lines.back()];
    int right = 0;
    for (const LayoutLine& line : page_.lines) {
      if (line.box.left >= item.markerLeft - 4 * lineHeight_ &&
          line.box.left <= item.textLeft + 2 * lineHeight_) {
        right = std::max(right, line.box.right);
      }
    }
    return last.box.right < right - 3 * lineHeight_;
  }

  // Consecutive items close to each other make one list; a list needs two.
  void flushList(std::vector<Item>* items) {
    size_t start = 0;
    while (start < items->size()) {
      size_t end = start + 1;
      while (end < items->size() && belongsTogether((*items)[start], (*items)[end - 1],
                                                    (*items)[end])) {
        ++end;
      }
      if (end - start >= 2) {
        ListElement list;
        PixelRect area = (*items)[start].box;
        for (size_t k = start; k < end; ++k) {
          list.items.push_back((*items)[k].item);
          area = unite(area, (*items)[k].box);
          for (size_t i : (*items)[k].lines) used_[i] = true;
        }
        list.region = normalized(area);
        document_.lists.push_back(std::move(list));
      }
      start = end;
    }
    items->clear();
  }

  bool belongsTogether(const Item& first, const Item& previous, const Item& next) const {
    const int tolerance = std::max(4, lineHeight_ / 2);
    const int gap = next.box.top - previous.box.bottom;
    return gap >= -tolerance && gap <= 2 * lineHeight_ &&
           next.markerLeft >= first.markerLeft - tolerance;
  }

  // ---- Title: the larger text at the top, one or more lines.

  void title() {
    std::vector<size_t> free = freeLines();
    if (free.empty()) return;
    int textTop = page_.height, textBottom = 0;
    for (size_t i : free) {
      textTop = std::min(textTop, page_.lines[i].box.top);
      textBottom = std::max(textBottom, page_.lines[i].box.bottom);
    }
    // The tallest line in the top third of the text, if clearly taller than the body.
    const int limit = textTop + (textBottom - textTop) / 3;
    size_t best = free.front();
    for (size_t i : free) {
      if (page_.lines[i].box.top <= limit &&
          page_.lines[i].box.height() > page_.lines[best].box.height()) {
        best = i;
      }
    }
    const int height = page_.lines[best].box.height();
    if (page_.lines[best].box.top > limit || height * 10 < lineHeight_ * 13) return;
    TextElement title{page_.lines[best].text, normalized(page_.lines[best].box)};
    PixelRect area = page_.lines[best].box;
    used_[best] = true;
    for (size_t i = best + 1; i < page_.lines.size() && !used_[i]; ++i) {
      const PixelRect& box = page_.lines[i].box;
      if (std::abs(box.height() - height) * 100 > height * 15 ||
          box.top - area.bottom > height / 2) {
        break;
      }
      title.transcript += "\n" + page_.lines[i].text;
      area = unite(area, box);
      used_[i] = true;
    }
    title.region = normalized(area);
    document_.title = std::move(title);
  }

  std::vector<size_t> freeLines() const {
    std::vector<size_t> free;
    for (size_t i = 0; i < page_.lines.size(); ++i) {
      if (!used_[i]) free.push_back(i);
    }
    return free;
  }

  // ---- Paragraphs: the remaining lines of one block, close together and alike in size.

  void paragraphs() {
    TextElement current;
    PixelRect area{};
    std::optional<size_t> previous;
    auto close = [&] {
      if (!previous) return;
      current.region = normalized(area);
      document_.paragraphs.push_back(std::move(current));
      current = TextElement{};
      previous.reset();
    };
    for (size_t i : freeLines()) {
      const LayoutLine& line = page_.lines[i];
      if (previous && !sameParagraph(page_.lines[*previous], line)) close();
      if (!previous) {
        current.transcript = line.text;
        area = line.box;
      } else {
        current.transcript += "\n" + line.text;
        area = unite(area, line.box);
      }
      previous = i;
    }
    close();
  }

  // The gap rule of the line reader, for lines alike in size that share most
  // of their width (lines of two columns share none). Text blocks are not
  // required to match: Tesseract starts a new one where the script changes.
  static bool sameParagraph(const LayoutLine& above, const LayoutLine& line) {
    const int gap = line.box.top - above.box.bottom;
    const int larger = std::max(above.box.height(), line.box.height());
    const int smaller = std::max(1, std::min(above.box.height(), line.box.height()));
    const int shared = std::min(above.box.right, line.box.right) -
                       std::max(above.box.left, line.box.left);
    const int narrower = std::min(above.box.width(), line.box.width());
    return shared * 2 >= narrower && gap * 10 <= above.box.height() * 8 && gap > -smaller &&
           larger * 10 < smaller * 13;
  }

  const PageLayout& page_;
  std::vector<bool> used_;
  int lineHeight_ = 1;
  DocumentContainer document_;
};

LayoutLine lineOf(const std::vector<LayoutWord>& words, int block) {
  LayoutLine line;
  line.block = block;
  line.words = words;
  line.box = words.front().box;
  for (const LayoutWord& word : words) {
    line.box = unite(line.box, word.box);
    line.text += (line.text.empty() ? "" : " ") + word.text;
  }
  return line;
}

}  // namespace

std::vector<LayoutLine> splitColumns(const std::vector<LayoutLine>& lines) {
  struct Piece {
    LayoutLine line;
    int column;
  };
  std::vector<Piece> pieces;
  for (const LayoutLine& line : lines) {
    // Word spaces are a fraction of the line height; a column gap is several heights.
    const int gap = std::max(12, 3 * line.box.height());
    std::vector<std::vector<LayoutWord>> parts(1);
    for (size_t w = 0; w < line.words.size(); ++w) {
      if (w > 0 && line.words[w].box.left - line.words[w - 1].box.right > gap) parts.emplace_back();
      parts.back().push_back(line.words[w]);
    }
    if (parts.size() == 1) {
      pieces.push_back({line, 0});
      continue;
    }
    for (size_t p = 0; p < parts.size(); ++p) {
      pieces.push_back({lineOf(parts[p], line.block), static_cast<int>(p)});
    }
  }
  // Blocks keep their order of appearance; within a block the first column is read first.
  std::vector<int> blocks;
  for (const Piece& piece : pieces) {
    if (std::find(blocks.begin(), blocks.end(), piece.line.block) == blocks.end()) {
      blocks.push_back(piece.line.block);
    }
  }
  auto rank = [&](int block) { return std::find(blocks.begin(), blocks.end(), block) - blocks.begin(); };
  std::stable_sort(pieces.begin(), pieces.end(), [&](const Piece& a, const Piece& b) {
    const auto ra = rank(a.line.block), rb = rank(b.line.block);
    return ra != rb ? ra < rb : a.column < b.column;
  });
  std::vector<LayoutLine> out;
  for (Piece& piece : pieces) out.push_back(std::move(piece.line));
  return out;
}

DocumentContainer analyseLayout(const PageLayout& page) {
  PageLayout split = page;
  split.lines = splitColumns(page.lines);
  return Analysis(split).run();
}

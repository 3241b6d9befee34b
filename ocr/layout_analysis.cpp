#include "layout_analysis.h"

#include <algorithm>
#include <cmath>

#include "list_markers.h"
#include "table_finder.h"

namespace {

class Analysis {
 public:
  explicit Analysis(const PageLayout& page) : state_{page, std::vector<bool>(page.lines.size())} {
    std::vector<int> heights;
    for (const LayoutLine& line : page.lines) heights.push_back(line.box.height());
    state_.lineHeight = std::max(1, median(heights));
  }

  DocumentContainer run() {
    document_.tables = findTables(&state_);
    lists();
    title();
    paragraphs();
    return std::move(document_);
  }

 private:
  // ---- Lists: lines that begin with a marker, with their wrapped lines.

  struct Item {
    ListItem item;
    PixelRect box;
    int markerLeft = 0;
    int textLeft = 0;
    std::vector<size_t> lines;
  };

  std::optional<MarkerType> markerOf(size_t index) const {
    const LayoutLine& line = state_.page.lines[index];
    if (line.words.empty()) return std::nullopt;
    if (auto type = markerTypeOf(line.words.front().text)) return type;
    if (!isMisreadBullet(line.words.front().text) || line.words.size() < 2) return std::nullopt;
    // A misread bullet counts when the line above or below has a marker in
    // the same place, or the line below hangs at this line's text.
    const int tolerance = std::max(4, state_.lineHeight / 2);
    if (index + 1 < state_.page.lines.size() &&
        std::abs(state_.page.lines[index + 1].box.left - line.words[1].box.left) <= tolerance) {
      return MarkerType::bullet;
    }
    for (size_t other : {index - 1, index + 1}) {
      if (other >= state_.page.lines.size() || state_.page.lines[other].words.empty()) continue;
      const LayoutWord& first = state_.page.lines[other].words.front();
      if (std::abs(first.box.left - line.box.left) <= tolerance &&
          (markerTypeOf(first.text) || isMisreadBullet(first.text))) {
        return MarkerType::bullet;
      }
    }
    return std::nullopt;
  }

  void lists() {
    std::vector<Item> items;
    for (size_t i = 0; i < state_.page.lines.size(); ++i) {
      if (state_.used[i]) continue;
      const LayoutLine& line = state_.page.lines[i];
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
    const int tolerance = std::max(4, state_.lineHeight / 2);
    return gap <= state_.lineHeight && line.box.left >= item.textLeft - tolerance;
  }

  // Whether the item's last line ends well before the right edge of its
  // column: the widest of the lines that start near the item's left edge.
  bool endsShort(const Item& item) const {
    const LayoutLine& last = state_.page.lines[item.lines.back()];
    int right = 0;
    for (const LayoutLine& line : state_.page.lines) {
      if (line.box.left >= item.markerLeft - 4 * state_.lineHeight &&
          line.box.left <= item.textLeft + 2 * state_.lineHeight) {
        right = std::max(right, line.box.right);
      }
    }
    return last.box.right < right - 3 * state_.lineHeight;
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
          for (size_t i : (*items)[k].lines) state_.used[i] = true;
        }
        list.region = state_.normalized(area);
        document_.lists.push_back(std::move(list));
      }
      start = end;
    }
    items->clear();
  }

  bool belongsTogether(const Item& first, const Item& previous, const Item& next) const {
    const int tolerance = std::max(4, state_.lineHeight / 2);
    const int gap = next.box.top - previous.box.bottom;
    return gap >= -tolerance && gap <= 2 * state_.lineHeight &&
           next.markerLeft >= first.markerLeft - tolerance;
  }

  // ---- Title: the larger text at the top, one or more lines.

  void title() {
    std::vector<size_t> free = freeLines();
    if (free.empty()) return;
    int textTop = state_.page.height, textBottom = 0;
    for (size_t i : free) {
      textTop = std::min(textTop, state_.page.lines[i].box.top);
      textBottom = std::max(textBottom, state_.page.lines[i].box.bottom);
    }
    // The tallest line in the top third of the text, if clearly taller than the body.
    const int limit = textTop + (textBottom - textTop) / 3;
    size_t best = free.front();
    for (size_t i : free) {
      if (state_.page.lines[i].box.top <= limit &&
          state_.page.lines[i].box.height() > state_.page.lines[best].box.height()) {
        best = i;
      }
    }
    const int height = state_.page.lines[best].box.height();
    if (state_.page.lines[best].box.top > limit || height * 10 < state_.lineHeight * 13) return;
    TextElement title{state_.page.lines[best].text, state_.normalized(state_.page.lines[best].box)};
    PixelRect area = state_.page.lines[best].box;
    state_.used[best] = true;
    for (size_t i = best + 1; i < state_.page.lines.size() && !state_.used[i]; ++i) {
      const PixelRect& box = state_.page.lines[i].box;
      if (std::abs(box.height() - height) * 100 > height * 15 ||
          box.top - area.bottom > height / 2) {
        break;
      }
      title.transcript += "\n" + state_.page.lines[i].text;
      area = unite(area, box);
      state_.used[i] = true;
    }
    title.region = state_.normalized(area);
    document_.title = std::move(title);
  }

  std::vector<size_t> freeLines() const {
    std::vector<size_t> free;
    for (size_t i = 0; i < state_.page.lines.size(); ++i) {
      if (!state_.used[i]) free.push_back(i);
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
      current.region = state_.normalized(area);
      document_.paragraphs.push_back(std::move(current));
      current = TextElement{};
      previous.reset();
    };
    for (size_t i : freeLines()) {
      const LayoutLine& line = state_.page.lines[i];
      if (previous && !sameParagraph(state_.page.lines[*previous], line)) close();
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

  PageState state_;
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

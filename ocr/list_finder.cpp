#include "list_finder.h"

#include <cstdlib>
#include <optional>

#include "body_type.h"
#include "list_markers.h"
#include "scripts.h"

namespace {

struct Item {
  ListItem item;
  PixelRect box;
  int markerLeft = 0;
  int textLeft = 0;
  bool drawn = false;     // the marker is a drawn bullet
  std::string marker;     // the marker word as read, for text markers
  std::vector<size_t> lines;
};

MarkerType markerOfShape(GlyphShape shape) {
  switch (shape) {
    case GlyphShape::disc: return MarkerType::bullet;
    case GlyphShape::circle: return MarkerType::hollowBullet;
    case GlyphShape::square:
    case GlyphShape::hollowSquare: return MarkerType::squareBullet;
    case GlyphShape::dash: return MarkerType::hyphen;
    case GlyphShape::triangle: return MarkerType::triangleBullet;
  }
  return MarkerType::bullet;
}

const char* characterOfShape(GlyphShape shape) {
  switch (shape) {
    case GlyphShape::disc: return "•";
    case GlyphShape::circle: return "◦";
    case GlyphShape::square: return "▪";
    case GlyphShape::hollowSquare: return "□";
    case GlyphShape::dash: return "–";
    case GlyphShape::triangle: return "‣";
  }
  return "•";
}

// Whether the line's first word is the recognizer's reading of the glyph:
// a mark of one or two characters where the glyph is.
bool wordIsGlyph(const LayoutWord& word, const Glyph& glyph, int lineHeight) {
  return codePoints(word.text).size() <= 2 && word.box.left <= glyph.box.right + lineHeight / 4 &&
         word.box.width() <= lineHeight * 6 / 5;
}

// `text` without a leading reading of the bullet ("。 官方文档" read whole).
std::string withoutMisreadBullet(const std::string& text) {
  const size_t space = text.find(' ');
  if (space == std::string::npos || !isMisreadBullet(text.substr(0, space))) return text;
  return text.substr(text.find_first_not_of(' ', space) == std::string::npos
                         ? text.size()
                         : text.find_first_not_of(' ', space));
}

// `text` without the marks a Chinese model reads a square bullet as and
// glues to the text after it ("=”贴合网格的排版"): no item starts with them.
std::string withoutGluedBullet(const std::string& text) {
  static const std::vector<std::string> kMarks = {"”", "=", "■", "▪", "•", "·", "・", "°", "©"};
  std::string rest = text;
  for (int taken = 0; taken < 2; ++taken) {
    auto mark = std::find_if(kMarks.begin(), kMarks.end(),
                             [&](const std::string& m) { return rest.starts_with(m); });
    if (mark == kMarks.end() || rest.size() == mark->size()) break;
    rest.erase(0, mark->size());
  }
  return rest.substr(std::min(rest.size(), rest.find_first_not_of(' ')));
}

std::optional<Item> drawnItem(const LayoutLine& line, size_t index) {
  const Glyph& glyph = *line.glyph;
  const int h = line.box.height();
  size_t first = 0;
  if (!line.words.empty() && wordIsGlyph(line.words.front(), glyph, h)) first = 1;
  std::string text;
  if (line.words.size() > 1 || first == 0) {
    for (size_t w = first; w < line.words.size(); ++w) text += (text.empty() ? "" : " ") + line.words[w].text;
  }
  text = withoutMisreadBullet(text);
  if (first == 0) text = withoutGluedBullet(text);
  if (text.empty()) return std::nullopt;
  Item item;
  item.item = {std::string(characterOfShape(glyph.shape)) + " " + text, markerOfShape(glyph.shape)};
  item.box = unite(line.box, glyph.box);
  item.markerLeft = glyph.box.left;
  item.textLeft = first < line.words.size() ? line.words[first].box.left : line.box.left;
  item.drawn = glyph.shape != GlyphShape::dash;
  item.lines = {index};
  return item;
}

std::optional<Item> textItem(const LayoutLine& line, size_t index) {
  if (line.words.size() < 2) return std::nullopt;
  // A number whose full stop the recognizer split off: "1 ." is "1.".
  const bool split = line.words.size() >= 3 &&
                     (line.words[1].text == "." || line.words[1].text == ")") &&
                     line.words[1].box.left - line.words[0].box.right < line.box.height() / 2;
  const std::string marker = split ? line.words[0].text + line.words[1].text : line.words[0].text;
  auto type = markerTypeOf(marker);
  if (!type) return std::nullopt;
  Item item;
  item.item = {line.text, type};
  if (split) {
    item.item.itemString = marker;
    for (size_t w = 2; w < line.words.size(); ++w) item.item.itemString += " " + line.words[w].text;
  }
  item.box = line.box;
  item.markerLeft = line.box.left;
  item.textLeft = line.words[split ? 2 : 1].box.left;
  item.marker = marker;
  item.lines = {index};
  return item;
}

// A number or letter that was read where the pixels seemed to show a bullet
// is the marker ("a" can look like a dot); a bullet drawn before a numbered
// text ("• 1. Intro") is the bullet.
std::optional<Item> itemStart(const LayoutLine& line, size_t index, const BodyType& body,
                              int lineHeight) {
  // A numbered line in larger type, or bold and a little larger, is a
  // heading ("1. Features"), not an item.
  const bool bolderAndTaller = bolderThanBody(body, line) && line.box.height() * 20 >= lineHeight * 23;
  if (!line.glyph && (largerThanBody(body, line) || bolderAndTaller)) return std::nullopt;
  std::optional<Item> text = textItem(line, index);
  if (!line.glyph) return text;
  const bool enumerated = text && isOrdered(*text->item.markerType);
  const PixelRect& first = line.words.front().box;
  if (enumerated && line.glyph->box.midX() >= first.left && line.glyph->box.midX() < first.right) {
    return text;
  }
  return drawnItem(line, index);
}

class ListFinder {
 public:
  explicit ListFinder(PageState* state)
      : state_(*state), tolerance_(std::max(4, state->lineHeight / 2)),
        body_(bodyTypeOf(state->page)) {}

  // Top to bottom: the recognizer often gives nested items or their bullets
  // blocks of their own, read after the rest. Lines left of a list (a side
  // bar, another column) neither end nor join it.
  std::vector<ListElement> run() {
    std::vector<size_t> order(state_.page.lines.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      return state_.line(a).box.top < state_.line(b).box.top;
    });
    std::vector<Item> items;
    for (size_t k = 0; k < order.size(); ++k) {
      const size_t i = order[k];
      const LayoutLine& line = state_.line(i);
      if (!items.empty() && line.box.right < items.front().markerLeft - tolerance_) continue;
      if (state_.used[i]) {
        flush(&items);
        continue;
      }
      std::optional<Item> start = itemStart(line, i, body_, state_.lineHeight);
      if (start) {
        items.push_back(std::move(*start));
      } else if (!items.empty() && continues(items.back(), line)) {
        Item& item = items.back();
        item.item.itemString += " " + line.text;
        item.box = unite(item.box, line.box);
        item.lines.push_back(i);
      } else {
        flush(&items);
      }
    }
    flush(&items);
    return std::move(lists_);
  }

 private:
  // A wrapped line of the item: close below it, hanging at or right of the
  // item's text.
  bool continues(const Item& item, const LayoutLine& line) const {
    const int gap = line.box.top - item.box.bottom;
    return (gap <= state_.lineHeight && gap > -state_.lineHeight / 2 &&
            line.box.left >= item.textLeft - tolerance_) ||
           restOfRow(state_.line(item.lines.back()).box, line.box);
  }

  // The recognizer may part a line at a wide space ("==>  A.P.I.가"): the
  // part beside it on its right, not a column away, is the same line.
  bool restOfRow(const PixelRect& last, const PixelRect& part) const {
    const int space = part.left - last.right;
    return verticalOverlap(last, part) * 2 >= std::min(last.height(), part.height()) &&
           space >= -tolerance_ &&
           space <= 4 * state_.lineHeight;
  }

  // Consecutive items close to each other make one list.
  void flush(std::vector<Item>* items) {
    size_t start = 0;
    while (start < items->size()) {
      size_t end = start + 1;
      while (end < items->size() &&
             belongsTogether((*items)[start], (*items)[end - 1], (*items)[end])) {
        ++end;
      }
      if (end - start >= 2 || (*items)[start].drawn) add(*items, start, end);
      start = end;
    }
    items->clear();
  }

  bool belongsTogether(const Item& first, const Item& previous, const Item& next) const {
    const int gap = next.box.top - previous.box.bottom;
    // Numbers are set flush right: "10." starts left of "9.", its text does not.
    return gap >= -tolerance_ && gap <= 2 * state_.lineHeight &&
           (next.markerLeft >= first.markerLeft - tolerance_ ||
            std::abs(next.textLeft - previous.textLeft) <= tolerance_);
  }

  void add(std::vector<Item>& items, size_t start, size_t end) {
    lettersNotNumerals(items, start, end);
    ListElement list;
    PixelRect area = items[start].box;
    for (size_t k = start; k < end; ++k) {
      list.items.push_back(items[k].item);
      area = unite(area, items[k].box);
      for (size_t i : items[k].lines) state_.used[i] = true;
    }
    list.region = state_.normalized(area);
    lists_.push_back(std::move(list));
  }

  // "i." after "h." in the same column is a letter, not a Roman one; so are
  // "v." and "x." in their places.
  void lettersNotNumerals(std::vector<Item>& items, size_t start, size_t end) const {
    for (size_t k = start + 1; k < end; ++k) {
      Item& item = items[k];
      const auto type = item.item.markerType;
      if (codePoints(item.marker).size() > 3 ||
          (type != MarkerType::lowercaseRoman && type != MarkerType::uppercaseRoman)) {
        continue;
      }
      const MarkerType letter = type == MarkerType::lowercaseRoman ? MarkerType::lowercaseLatin
                                                                   : MarkerType::uppercaseLatin;
      for (size_t j = k; j-- > start;) {
        if (std::abs(items[j].markerLeft - item.markerLeft) > tolerance_) continue;
        if (items[j].item.markerType == letter) item.item.markerType = letter;
        break;
      }
    }
  }

  PageState& state_;
  const int tolerance_;
  const BodyType body_;
  std::vector<ListElement> lists_;
};

}  // namespace

std::vector<ListElement> findLists(PageState* state) { return ListFinder(state).run(); }

#include "heading_finder.h"

#include <cmath>

#include "body_type.h"

namespace {

class HeadingFinder {
 public:
  explicit HeadingFinder(PageState* state)
      : state_(*state), body_(bodyTypeOf(state->page)) {
    for (size_t i = 0; i < state_.page.lines.size(); ++i) {
      if (!state_.used[i]) free_.push_back(i);
    }
    std::sort(free_.begin(), free_.end(), [&](size_t a, size_t b) {
      return state_.line(a).box.top < state_.line(b).box.top;
    });
  }

  std::vector<TextElement> run() {
    std::vector<TextElement> headings;
    for (size_t k = 0; k < free_.size(); ++k) {
      if (!isHeading(k)) continue;
      const size_t first = free_[k];
      TextElement heading{state_.line(first).text, {}};
      PixelRect area = state_.line(first).box;
      state_.used[first] = true;
      // Wrapped lines of the same size, close below.
      while (k + 1 < free_.size() && wrapsOnto(k)) {
        ++k;
        heading.transcript += "\n" + state_.line(free_[k]).text;
        area = unite(area, state_.line(free_[k]).box);
        state_.used[free_[k]] = true;
      }
      heading.region = state_.normalized(area);
      headings.push_back(std::move(heading));
    }
    return headings;
  }

 private:
  bool larger(const LayoutLine& line) const { return largerThanBody(body_, line); }
  bool bolder(const LayoutLine& line) const { return bolderThanBody(body_, line); }

  bool isHeading(size_t k) const {
    const LayoutLine& line = state_.line(free_[k]);
    if (!hasLetters(line.text) || sideBySide(k)) return false;
    if (larger(line)) return true;
    return (bolder(line) || isCaption(line.text)) && (apart(k) || ruleBelow(line));
  }

  // Space above and below, as between blocks, not lines of one paragraph.
  bool apart(size_t k) const {
    const PixelRect& box = state_.line(free_[k]).box;
    const int space = state_.lineHeight * 3 / 5;
    const bool above = k == 0 || box.top - state_.line(free_[k - 1]).box.bottom >= space;
    const bool below =
        k + 1 == free_.size() || state_.line(free_[k + 1]).box.top - box.bottom >= space / 2;
    return above && below;
  }

  bool ruleBelow(const LayoutLine& line) const {
    for (const PixelRect& rule : state_.page.horizontalRules) {
      if (rule.top >= line.box.bottom && rule.top - line.box.bottom <= state_.lineHeight &&
          rule.left <= line.box.left + state_.lineHeight && rule.right >= line.box.right) {
        return true;
      }
    }
    return false;
  }

  // A line that shares its row with another of its size is a cell of a
  // table, not a heading; smaller text beside it is another column's.
  bool sideBySide(size_t k) const {
    const PixelRect& box = state_.line(free_[k]).box;
    for (size_t i = 0; i < state_.page.lines.size(); ++i) {
      if (i == free_[k]) continue;
      const PixelRect& other = state_.line(i).box;
      if (verticalOverlap(box, other) * 2 > std::min(box.height(), other.height()) &&
          (other.left >= box.right || other.right <= box.left) &&
          other.height() * 4 >= box.height() * 3) {
        return true;
      }
    }
    return false;
  }

  // Whether the heading of free line k goes on in the next one.
  bool wrapsOnto(size_t k) const {
    const LayoutLine& a = state_.line(free_[k]);
    const LayoutLine& b = state_.line(free_[k + 1]);
    const int height = a.box.height();
    return (larger(b) || bolder(b)) && std::abs(b.box.height() - height) * 100 <= height * 20 &&
           b.box.top - a.box.bottom <= height / 2 && !sideBySide(k + 1);
  }

  // A label in capitals over a group ("EMAIL", "QUIET HOURS"): a few words,
  // every letter a capital.
  static bool isCaption(const std::string& text) {
    size_t capitals = 0, words = 1;
    for (unsigned char c : text) {
      if (std::islower(c) || c >= 0x80) return false;
      capitals += std::isupper(c) != 0;
      words += c == ' ';
    }
    return capitals >= 3 && words <= 6;
  }

  static bool hasLetters(const std::string& text) {
    size_t letters = 0;
    for (unsigned char c : text) letters += std::isalpha(c) || c >= 0xC0;
    return letters >= 2 || (letters >= 1 && text.size() >= 3);
  }

  PageState& state_;
  const BodyType body_;
  std::vector<size_t> free_;  // the free lines, top to bottom
};

}  // namespace

std::vector<TextElement> findHeadings(PageState* state) { return HeadingFinder(state).run(); }

#pragma once

// What the layout analysis sees of one page: the recognizer's lines and
// words, and what the pixels show besides (bullet glyphs, tinted panels,
// ruling lines, the size and weight of each line's type). Plain records in
// image pixels, so every rule can be tested with exact inputs.

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

// A box in image pixels: origin top left, right and bottom exclusive.
struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  int midX() const { return (left + right) / 2; }
  int midY() const { return (top + bottom) / 2; }
  bool operator==(const PixelRect&) const = default;
};

struct LayoutWord {
  std::string text;
  PixelRect box;
};

// The drawn shapes a list item can start with.
enum class GlyphShape { disc, circle, square, hollowSquare, dash, triangle };

// A small mark drawn left of a line's first word.
struct Glyph {
  GlyphShape shape = GlyphShape::disc;
  PixelRect box;
};

// A recognized text line with its words, in the recognizer's reading order.
struct LayoutLine {
  std::string text;  // the line as read (words joined, or re-read whole)
  std::vector<LayoutWord> words;
  PixelRect box;
  int block = 0;        // lines of one text block share it
  int xHeight = 0;      // of its lower-case letters, in pixels; 0 when unknown
  float stroke = 0;     // mean width of its vertical stems, in pixels; 0 when unknown
  std::optional<Glyph> glyph;  // a bullet drawn before its first word
};

// A region whose ground differs from the page's: a code block, a table's
// header or zebra row, a call-out, an inline code span.
struct Panel {
  PixelRect box;
};

struct PageLayout {
  int width = 0;
  int height = 0;
  std::vector<LayoutLine> lines;
  std::vector<Panel> panels;
  std::vector<PixelRect> horizontalRules;
  std::vector<PixelRect> verticalRules;
};

// The usual height of `lines`: their median, at least 6 px; 12 px without lines.
inline int typicalHeight(std::vector<PixelRect> lines) {
  if (lines.empty()) return 12;
  std::nth_element(lines.begin(), lines.begin() + lines.size() / 2, lines.end(),
                   [](const PixelRect& a, const PixelRect& b) { return a.height() < b.height(); });
  return std::max(6, lines[lines.size() / 2].height());
}

inline PixelRect unite(const PixelRect& a, const PixelRect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

inline bool containsPoint(const PixelRect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// How far two boxes overlap vertically; negative for the gap between them.
inline int verticalOverlap(const PixelRect& a, const PixelRect& b) {
  return std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
}

#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "leptonica_image.h"
#include "page_records.h"

struct Pix;

// Adds to `page` what the pixels of `grey` (8-bit, dark text on a light
// ground, the image the lines were recognized on) show besides the text:
// ruling lines, tinted panels, and for each line its x-height, stroke width
// and the bullet glyph drawn before its first word.
void findPixelFeatures(Pix* grey, PageLayout* page);

// The long thin dark lines of `grey`: table rulings and separators.
void findRules(Pix* grey, std::vector<PixelRect>* horizontal, std::vector<PixelRect>* vertical);

// Paints over the underlines of `grey` (links, misspellings) with the ground
// just below them: thin dark runs at least `length` long that the text above
// nearly touches. A recognizer reads an underline as "_", "." and "," below
// the letters. Rules set apart from the text stay. Returns how many it erased.
int eraseUnderlines(Pix* grey, int length);

// Inline code: the tinted spans about a line high (`lineHeight`) that sit in
// running text.
std::vector<PixelRect> codeSpans(Pix* grey, int lineHeight);

// The grey of the page's ground: its most common one.
int groundGrey(Pix* grey);

// The text's ink: the pixels of `grey` well darker than the page's ground.
PixPtr inkOf(Pix* grey);

// The darkest grey of `grey` inside `area` (255 when it lies outside).
int darkestIn(Pix* grey, const PixelRect& area);

// The bounding box of the ink of `ink` (binary) inside `area`, if any.
std::optional<PixelRect> inkBoxIn(Pix* ink, const PixelRect& area);

// The text lines of the ink of `ink` (binary) inside `area`, top to bottom:
// the bands of rows that hold ink, where bands that together are no taller
// than a line (`lineHeight`) are one, as the parts of 是 or of "ë" are.
std::vector<PixelRect> inkLinesIn(Pix* ink, const PixelRect& area, int lineHeight);

// For each box, whether the type in it fills its square as Han, kana and
// Hangul do: its dense band of ink is nearly as tall as the box, where Latin
// letters leave the ascenders and descenders sparse above and below.
std::vector<bool> squareType(Pix* grey, const std::vector<PixelRect>& lines);

// The runs of `lines` that stand apart from the rest of their line by more
// than a line height (a table row's cells) and are set in square type, at
// least two heights wide: where a row holds Latin and East Asian cells, the
// East Asian ones.
std::vector<PixelRect> squareRuns(Pix* grey, const std::vector<PixelRect>& lines);

// One connected shape: `on` holds width * height cells, row by row.
struct InkMask {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> on;
  bool at(int x, int y) const { return on[static_cast<size_t>(y) * width + x] != 0; }
};

// What bullet the shape is drawn as, if it is one: a filled or hollow disc or
// square, a dash or a triangle. `lineHeight` is the height of its line.
std::optional<GlyphShape> glyphShapeOf(const InkMask& mask, int lineHeight);

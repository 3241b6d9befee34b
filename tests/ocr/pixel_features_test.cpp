#include "pixel_features.h"

#include <cmath>

#include <gtest/gtest.h>
#include <leptonica/allheaders.h>

namespace {

// A mask drawn in text: '#' is ink.
InkMask mask(const std::vector<std::string>& rows) {
  InkMask m;
  m.height = static_cast<int>(rows.size());
  m.width = static_cast<int>(rows.front().size());
  for (const std::string& row : rows) {
    for (char c : row) m.on.push_back(c == '#');
  }
  return m;
}

std::optional<GlyphShape> shapeOf(const std::vector<std::string>& rows, int lineHeight = 16) {
  return glyphShapeOf(mask(rows), lineHeight);
}

TEST(GlyphShape, BulletsByTheirDrawnShape) {
  EXPECT_EQ(GlyphShape::disc, shapeOf({".###.", "#####", "#####", "#####", ".###."}));
  EXPECT_EQ(GlyphShape::square, shapeOf({"#####", "#####", "#####", "#####", "#####"}));
  // Set off the pixel grid: a faint top row that misses its left corner.
  EXPECT_EQ(GlyphShape::square, shapeOf({".######", "#######", "#######", "#######", "#######",
                                         "#######", "#######"}));
  // The disc beside it at the same size, as the page shows it.
  EXPECT_EQ(GlyphShape::disc, shapeOf({".####..", "######.", "######.", "#######", "######.",
                                       "######.", ".####.."}));
  // A thin antialiased ring as the page shows it at 1x.
  EXPECT_EQ(GlyphShape::circle,
            shapeOf({"...#...", ".#####.", ".#...#.", "##...##", ".#...#.", ".#####.", "...#..."}));
  EXPECT_EQ(GlyphShape::hollowSquare, shapeOf({"######", "#....#", "#....#", "#....#", "######"}));
  EXPECT_EQ(GlyphShape::dash, shapeOf({"########", "########"}));
  EXPECT_EQ(GlyphShape::triangle,
            shapeOf({"#.....", "###...", "#####.", "######", "#####.", "###...", "#....."}));
}

TEST(GlyphShape, LettersAndSpecksAreNoBullets) {
  // "c" is open on the right, "e" is crossed in the middle.
  EXPECT_FALSE(shapeOf({".####", "#....", "#....", "#....", ".####"}));
  EXPECT_FALSE(shapeOf({".###.", "#...#", "#####", "#....", ".####"}));
  // Too large for a bullet of its line: a letter or an icon.
  EXPECT_FALSE(shapeOf({"#####", "#####", "#####", "#####", "#####"}, 6));
  // A full stop is too small.
  EXPECT_FALSE(shapeOf({"##", "##"}, 16));
  // Tall and narrow: a stroke of a letter.
  EXPECT_FALSE(shapeOf({"##", "##", "##", "##", "##"}));
  EXPECT_FALSE(glyphShapeOf(InkMask{}, 16));
}

TEST(PixelFeatures, FaintRulesOfAWhiteCardOnAGreyPage) {
  // A grey page (242) with a white card whose rows are parted by rules of
  // 232, lighter than the page itself, and one darker rule on the page.
  PixPtr grey(pixCreate(800, 400, 8));
  auto fill = [&](int left, int top, int width, int height, int value) {
    BOX* box = boxCreate(left, top, width, height);
    pixSetInRectArbitrary(grey.get(), box, value);
    boxDestroy(&box);
  };
  fill(0, 0, 800, 400, 242);
  fill(100, 50, 600, 200, 255);
  fill(100, 116, 600, 1, 232);
  fill(100, 182, 600, 1, 232);
  fill(100, 320, 600, 1, 200);
  PageLayout page;
  page.width = 800;
  page.height = 400;
  LayoutLine line;
  line.text = "Weekly summary";
  line.box = {120, 70, 260, 90};
  page.lines = {line};
  findPixelFeatures(grey.get(), &page);
  std::vector<int> ys;
  for (const PixelRect& rule : page.horizontalRules) {
    if (rule.width() >= 500) ys.push_back(rule.midY());
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  EXPECT_EQ((std::vector<int>{116, 182, 320}), ys);
}

TEST(PixelFeatures, UnderlinesGoRulesSetApartAndDescendersStay) {
  PixPtr grey(pixCreate(400, 200, 8));
  auto fill = [&](int left, int top, int width, int height, int value) {
    BOX* box = boxCreate(left, top, width, height);
    pixSetInRectArbitrary(grey.get(), box, value);
    boxDestroy(&box);
  };
  fill(0, 0, 400, 200, 255);
  // A link: letters standing a pixel above their underline, which breaks
  // where a descender crosses it and goes on after it.
  for (int x = 20; x < 150; x += 8) fill(x, 20, 3, 18, 40);
  fill(20, 40, 110, 2, 60);
  fill(134, 26, 3, 22, 40);  // the descender
  fill(140, 40, 12, 2, 60);
  // A heading's rule, well below its letters.
  for (int x = 20; x < 150; x += 8) fill(x, 100, 3, 18, 40);
  fill(20, 128, 200, 2, 60);
  EXPECT_EQ(1, eraseUnderlines(grey.get(), 40));
  auto at = [&](int x, int y) {
    l_uint32 value = 0;
    pixGetPixel(grey.get(), x, y, &value);
    return static_cast<int>(value);
  };
  EXPECT_EQ(255, at(60, 40));   // the underline
  EXPECT_EQ(255, at(145, 41));  // its piece past the descender
  EXPECT_EQ(40, at(135, 41));   // the descender itself
  EXPECT_EQ(40, at(21, 30));    // a letter
  EXPECT_EQ(60, at(100, 128));  // the heading's rule
}

TEST(PixelFeatures, SquareRunsAreTheEastAsianCellsOfARow) {
  PixPtr grey(pixCreate(900, 60, 8));
  auto fill = [&](int left, int top, int width, int height, int value) {
    BOX* box = boxCreate(left, top, width, height);
    pixSetInRectArbitrary(grey.get(), box, value);
    boxDestroy(&box);
  };
  fill(0, 0, 900, 60, 255);
  // A Latin cell: letters of x-height 10 in a line 20 high, a few ascenders.
  for (int x = 20; x < 200; x += 8) fill(x, 25, 5, 10, 30);
  for (int x = 20; x < 200; x += 40) fill(x, 15, 2, 10, 30);
  // Across the gutter, square glyphs as tall as the line, spaced as Han is.
  for (int x = 400; x < 560; x += 20) fill(x, 15, 17, 20, 30);
  // A lone square glyph, too short a run to tell a script.
  fill(700, 15, 17, 20, 30);
  const std::vector<PixelRect> runs = squareRuns(grey.get(), {PixelRect{10, 15, 800, 35}});
  ASSERT_EQ(1u, runs.size());
  EXPECT_EQ(400, runs[0].left);
  EXPECT_EQ(557, runs[0].right);
  // A whole line of square type is one run; a Latin line has none.
  EXPECT_EQ(1u, squareRuns(grey.get(), {PixelRect{390, 15, 570, 35}}).size());
  EXPECT_TRUE(squareRuns(grey.get(), {PixelRect{10, 15, 210, 35}}).empty());
}

TEST(PixelFeatures, AHollowBulletAsLargeAsTheLettersIsSetOffByMoreThanASpace) {
  // Two lines of lower-case letters 10 px high, each after a ring of that
  // size: half a line before the text it is a bullet, a word space before
  // it the letter "o".
  PixPtr grey(pixCreate(400, 100, 8));
  pixSetAllArbitrary(grey.get(), 255);
  auto ring = [&](int left, int top) {
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 10; ++x) {
        const double r = std::hypot(x - 4.5, y - 4.5);
        if (r >= 3.2 && r <= 5.0) pixSetPixel(grey.get(), left + x, top + y, 30);
      }
    }
  };
  auto letters = [&](int from, int top) {
    for (int x = from; x < from + 150; x += 8) {
      BOX* box = boxCreate(x, top, 5, 10);
      pixSetInRectArbitrary(grey.get(), box, 30);
      boxDestroy(&box);
    }
  };
  ring(20, 15);
  letters(20 + 10 + 12, 15);
  ring(20, 65);
  letters(20 + 10 + 5, 65);
  PageLayout page;
  page.width = 400;
  page.height = 100;
  LayoutLine bullet, letter;
  bullet.box = {20, 10, 200, 30};
  letter.box = {20, 60, 200, 80};
  page.lines = {bullet, letter};
  findPixelFeatures(grey.get(), &page);
  ASSERT_TRUE(page.lines[0].glyph.has_value());
  EXPECT_EQ(GlyphShape::circle, page.lines[0].glyph->shape);
  EXPECT_FALSE(page.lines[1].glyph.has_value());
}

}  // namespace

#include "pixel_features.h"

#include <gtest/gtest.h>

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

}  // namespace

#include "unread_ink.h"

#include <gtest/gtest.h>
#include <leptonica/allheaders.h>

#include "leptonica_image.h"
#include "pixel_features.h"

namespace {

constexpr int kLine = 20;  // line height of the made-up page

PixPtr whitePage() {
  PixPtr page(pixCreate(600, 300, 8));
  pixSetAll(page.get());
  return page;
}

void ink(Pix* page, int left, int top, int width, int height) {
  BOX* box = boxCreate(left, top, width, height);
  pixClearInRect(page, box);
  boxDestroy(&box);
}

// Letters like "n", 8 px wide with 3 px between them, words 8 px apart.
PixelRect words(Pix* page, int left, int top, int count) {
  int x = left;
  for (int w = 0; w < count; ++w) {
    for (int letter = 0; letter < 4; ++letter, x += 11) {
      ink(page, x, top + 4, 8, 2);
      ink(page, x, top + 4, 2, 12);
      ink(page, x + 6, top + 4, 2, 12);
    }
    x += 8;
  }
  return {left, top, x, top + kLine};
}

TEST(UnreadInk, TheEndOfALineAndALineLeftOut) {
  PixPtr page = whitePage();
  const PixelRect head = words(page.get(), 20, 20, 4);
  const PixelRect tail = words(page.get(), head.right + 10, 20, 3);
  const PixelRect other = words(page.get(), 20, 60, 5);
  const PixelRect missed = words(page.get(), 20, 100, 2);
  const std::vector<PixelRect> runs = unreadInk(page.get(), {head, other});
  ASSERT_EQ(2u, runs.size());
  // The run is the letters' ink, within the line's row; what lies just
  // past the found line's end counts as that line's.
  EXPECT_GE(runs[0].left, tail.left);
  EXPECT_LE(runs[0].left, tail.left + kLine);
  EXPECT_NEAR(tail.right, runs[0].right, 12);
  EXPECT_GE(runs[0].top, tail.top);
  EXPECT_LE(runs[0].bottom, tail.bottom);
  EXPECT_NEAR(missed.left, runs[1].left, 2);
  EXPECT_GE(runs[1].top, missed.top);
}

TEST(UnreadInk, AShortHeadingAndALineLeftOutInTwoPartsAreRead) {
  PixPtr page = whitePage();
  const PixelRect line = words(page.get(), 20, 20, 5);
  // Two square characters, a line and a half tall: less than twice as wide.
  for (int x : {20, 46}) {
    for (int y : {60, 71, 83}) ink(page.get(), x, y, 22, 3);
    ink(page.get(), x + 9, 60, 3, 26);
  }
  // A line the layout left out, parted by a wide space after its first word.
  const PixelRect first = words(page.get(), 20, 120, 1);
  const PixelRect rest = words(page.get(), first.right + 4, 120, 3);
  std::vector<PixelRect> runs = unreadInk(page.get(), {line});
  ASSERT_EQ(2u, runs.size());
  EXPECT_NEAR(20, runs[0].left, 2);
  EXPECT_NEAR(68, runs[0].right, 2);
  EXPECT_NEAR(first.left, runs[1].left, 2);
  EXPECT_NEAR(rest.right, runs[1].right, 12);
}

TEST(UnreadInk, TheUpperAndLowerPartsOfALineOfHangulAreOneRun) {
  PixPtr page = whitePage();
  const PixelRect line = words(page.get(), 20, 20, 5);
  // 성능 in two rows of strokes, 2 px apart: each part alone is too low.
  ink(page.get(), 20, 60, 40, 3);
  ink(page.get(), 20, 60, 3, 9);
  ink(page.get(), 40, 60, 3, 9);
  ink(page.get(), 20, 71, 40, 3);
  ink(page.get(), 20, 71, 3, 8);
  ink(page.get(), 40, 71, 3, 8);
  const std::vector<PixelRect> runs = unreadInk(page.get(), {line});
  ASSERT_EQ(1u, runs.size());
  EXPECT_EQ(60, runs[0].top);
  EXPECT_EQ(79, runs[0].bottom);
}

TEST(UnreadInk, PicturesRulesAndMarksAreNoText) {
  PixPtr page = whitePage();
  const PixelRect line = words(page.get(), 60, 20, 4);
  ink(page.get(), 40, 26, 6, 6);       // a bullet before the line
  ink(page.get(), 20, 60, 500, 2);     // a rule
  ink(page.get(), 20, 80, 120, 40);    // a solid picture
  ink(page.get(), 300, 80, 2, 150);    // a table's vertical rule
  ink(page.get(), 200, 150, 14, 14);   // an icon
  ink(page.get(), 20, 200, 400, 100);  // a dark panel
  EXPECT_TRUE(unreadInk(page.get(), {line}).empty());
  // With no line found there is no size of text to look for.
  EXPECT_TRUE(unreadInk(page.get(), {}).empty());
}

TEST(UnreadInk, TextInTheLinesBoxesIsRead) {
  PixPtr page = whitePage();
  const PixelRect a = words(page.get(), 20, 20, 6);
  const PixelRect b = words(page.get(), 20, 50, 6);
  EXPECT_TRUE(unreadInk(page.get(), {a, b}).empty());
}

}  // namespace

namespace {

TEST(InkLines, ACellsLinesAndTheSplitPartsOfOneCharacter) {
  PixPtr page = whitePage();
  // Two lines of letters, 12 px tall, 10 px apart.
  words(page.get(), 20, 20, 3);
  words(page.get(), 20, 42, 2);
  // A character drawn in two parts, 8 and 9 px tall, 2 px apart, as 是.
  ink(page.get(), 300, 30, 16, 8);
  ink(page.get(), 300, 40, 16, 9);
  PixPtr binary(pixConvertTo1(page.get(), 128));
  const std::vector<PixelRect> lines = inkLinesIn(binary.get(), {10, 10, 250, 80}, kLine);
  ASSERT_EQ(2u, lines.size());
  // From the first letter to the right edge of the last (3 words of 52 px, less the gaps after).
  EXPECT_EQ((PixelRect{20, 24, 20 + 3 * 52 - 8 - 3, 36}), lines[0]);
  EXPECT_EQ(46, lines[1].top);
  const std::vector<PixelRect> character = inkLinesIn(binary.get(), {290, 10, 340, 80}, kLine);
  ASSERT_EQ(1u, character.size());
  EXPECT_EQ((PixelRect{300, 30, 316, 49}), character[0]);
  EXPECT_TRUE(inkLinesIn(binary.get(), {400, 200, 500, 250}, kLine).empty());
}

}  // namespace

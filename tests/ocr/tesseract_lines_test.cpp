#include "tesseract_lines.h"

#include <gtest/gtest.h>
#include <leptonica/allheaders.h>

#include "pixel_features.h"

namespace {

std::vector<std::string> wordsOf(const Line& line) {
  std::vector<std::string> texts;
  for (const LayoutWord& word : line.words) texts.push_back(word.text);
  return texts;
}

TEST(PlaceSpans, CodeReadAloneGoesBetweenTheWordsItTouches) {
  // "출력: 세차(secha), 월건(wolgeon)" with the spans painted over: the
  // brackets touch the tint, the word before the first bracket does not.
  Line line;
  line.pixels = {100, 10, 400, 30};
  const std::vector<LayoutWord> words{{"출력:", {100, 10, 140, 30}},
                                      {"세차(", {150, 10, 190, 30}},
                                      {"),", {251, 10, 262, 30}},
                                      {"월건(", {270, 10, 310, 30}},
                                      {")", {381, 10, 388, 30}}};
  const std::vector<PixelRect> spans{{191, 8, 250, 32}, {311, 8, 380, 32}};
  const std::vector<Reading> readings{{"secha", 92}, {"wolgeon", 89}};
  placeSpans(words, spans, readings, &line);
  EXPECT_EQ("출력: 세차(secha), 월건(wolgeon)", line.recognized.text);
  EXPECT_EQ((std::vector<std::string>{"출력:", "세차(secha),", "월건(wolgeon)"}), wordsOf(line));
  // The line grows to hold the taller tint.
  EXPECT_EQ(8, line.pixels.top);
  EXPECT_EQ(32, line.pixels.bottom);
}

TEST(PlaceSpans, ASpanSetApartByASpaceStaysAWordOfItsOwn) {
  Line line;
  line.pixels = {0, 0, 300, 20};
  const std::vector<LayoutWord> words{{"가능", {0, 0, 40, 20}}, {"옵션", {160, 0, 200, 20}}};
  const std::vector<PixelRect> spans{{48, 0, 152, 20}};
  placeSpans(words, spans, {{"isLeapMonth", 91}}, &line);
  EXPECT_EQ("가능 isLeapMonth 옵션", line.recognized.text);
  EXPECT_EQ(3u, line.words.size());
}

TEST(MisreadCode, DigitsJamoOrNoHangulOverASpanMayBeCodeHangulAloneIsNot) {
  Line line;
  line.words = {{"가능", {0, 0, 40, 20}},
                {"(15ㄴ680001대", {44, 0, 150, 20}},
                {"세차(56008", {160, 0, 240, 20}},
                {"Rangeerror", {250, 0, 330, 20}},
                {"커피#{은}", {340, 0, 420, 20}}};
  EXPECT_TRUE(mayBeMisreadCode(line, {50, 0, 150, 20}));   // jamo
  EXPECT_TRUE(mayBeMisreadCode(line, {190, 0, 240, 20}));  // digits in a glued word
  EXPECT_TRUE(mayBeMisreadCode(line, {250, 0, 330, 20}));  // no Hangul
  EXPECT_FALSE(mayBeMisreadCode(line, {340, 0, 420, 20}));
}

TEST(PairedQuotes, ATokenQuotedByTwoKindsIsQuotedSingly) {
  EXPECT_EQ("height 'auto' -", withPairedQuotes("height \"auto' -"));
  EXPECT_EQ("'ant'\n'zh_CN'", withPairedQuotes("'ant\"\n\"zh_CN'"));
  // Quotes of one kind, quotes inside, and lone quotes stay as read.
  EXPECT_EQ("\"auto\" 'x' it's\" \"'", withPairedQuotes("\"auto\" 'x' it's\" \"'"));
}

TEST(LatinSpans, CodeSpansAndLatinRunsOfAnEastAsianLineButNotItsMarker) {
  // "• editorid 富文本编辑器 ID  string" with a code span over "string".
  std::vector<Line> lines(1);
  Line& line = lines[0];
  line.pixels = {0, 10, 600, 30};
  line.words = {{"•", {0, 10, 8, 30}},          {"editorid", {20, 10, 100, 30}},
                {"富文本编辑器", {160, 10, 280, 30}}, {"ID", {286, 10, 300, 30}},
                {"string", {400, 12, 460, 28}}};
  line.recognized.text = "• editorid 富文本编辑器 ID string";
  std::vector<LatinSpan> found = latinSpans({{396, 8, 464, 32}}, &lines);
  // Right to left: the span, then the run set apart by space. The run with
  // Han in it is prose, and the marker no part of any run.
  ASSERT_EQ(2u, found.size());
  EXPECT_EQ(std::vector<size_t>{4}, found[0].words);
  EXPECT_EQ(std::vector<size_t>{1}, found[1].words);
  // A run is read with a margin round it that stays clear of the marker;
  // a span in its own box.
  EXPECT_LT(found[1].readBox.left, 20);
  EXPECT_GT(found[1].readBox.left, 8);
  EXPECT_LT(found[1].readBox.right, 160);
  EXPECT_EQ(396, found[0].readBox.left);
  EXPECT_TRUE(found[0].tinted);
  EXPECT_FALSE(found[1].tinted);

  putSpan(found[0], {"string", 95});  // read the same: nothing changes
  putSpan(found[1], {"editor-id", 91});
  EXPECT_EQ("• editor-id 富文本编辑器 ID string", line.recognized.text);
  EXPECT_EQ((std::vector<std::string>{"•", "editor-id", "富文本编辑器", "ID", "string"}),
            wordsOf(line));
}

TEST(LatinSpans, AReadingGoesInWordForWordKeepingTheTextsOrder) {
  // Two rows in one line: "sessionstorage" ends the first, "9e" stands in
  // the second, left of where the first began.
  Line line;
  line.pixels = {0, 0, 500, 50};
  line.words = {{"放到", {100, 0, 140, 20}}, {"sessionstorage", {150, 0, 300, 20}},
                {"设置", {0, 30, 40, 50}},   {"9e", {50, 30, 70, 50}}};
  line.recognized.text = "放到 sessionstorage 设置 9e";
  putSpan({&line, {50, 30, 70, 50}, {3}, {}}, {"90", 92});
  putSpan({&line, {150, 0, 300, 20}, {1}, {}}, {"sessionStorage", 90});
  EXPECT_EQ("放到 sessionStorage 设置 90", line.recognized.text);
  EXPECT_EQ((std::vector<std::string>{"放到", "sessionStorage", "设置", "90"}), wordsOf(line));
  // Words that are not one run in the line, or a text that no longer holds
  // them, stay as they are.
  putSpan({&line, {0, 0, 300, 50}, {0, 2}, {}}, {"x", 99});
  line.recognized.text = "read again";
  putSpan({&line, {50, 30, 70, 50}, {3}, {}}, {"9O", 92});
  EXPECT_EQ((std::vector<std::string>{"放到", "sessionStorage", "设置", "90"}), wordsOf(line));
}

TEST(LatinSpans, SameLettersAndDigitsWhateverTheMarks) {
  EXPECT_TRUE(sameLettersAndDigits("111js", "1.1.1.js"));
  EXPECT_TRUE(sameLettersAndDigits("editorid", "editor-id"));
  EXPECT_FALSE(sameLettersAndDigits("CSV", "csv"));
  EXPECT_FALSE(sameLettersAndDigits("KenA11", "KenAll"));
  EXPECT_FALSE(sameLettersAndDigits("npm", "5 npm"));
}

TEST(InklessMarks, MarksReadOnBlankGroundGoAndTheirTokenWithThem) {
  // White ground; ink at x 100-160 (a word), a faint grey bar at 200-201 (a
  // light "|") and nothing from 230 on.
  PixPtr grey(pixCreate(400, 40, 8));
  pixSetAllArbitrary(grey.get(), 255);
  auto fill = [&](int left, int width, int value) {
    BOX* box = boxCreate(left, 10, width, 20);
    pixSetInRectArbitrary(grey.get(), box, value);
    boxDestroy(&box);
  };
  fill(100, 60, 0);
  fill(200, 2, 215);
  std::vector<Line> lines(1);
  Line& line = lines[0];
  line.pixels = {100, 10, 330, 30};
  // The faint bar's box lies two pixels off its ink; the second "。" stands
  // on blank ground, as does the letter word, which stays.
  line.words = {{"数据)", {100, 8, 160, 32}}, {"。", {161, 8, 170, 32}},
                {"|", {203, 10, 204, 30}},   {"。", {240, 8, 250, 32}},
                {"x", {300, 10, 310, 30}}};
  line.recognized.text = "数据) 。 | 。 x";
  dropInklessMarks(grey.get(), &lines);
  EXPECT_EQ((std::vector<std::string>{"数据)", "。", "|", "x"}), wordsOf(line));
  EXPECT_EQ("数据) 。 | x", line.recognized.text);

  // A text that no longer holds the words' tokens (read again as one) keeps
  // its reading; the word still goes.
  line.words = {{"a", {100, 8, 160, 32}}, {"。", {240, 8, 250, 32}}};
  line.recognized.text = "a。";
  dropInklessMarks(grey.get(), &lines);
  EXPECT_EQ((std::vector<std::string>{"a"}), wordsOf(line));
  EXPECT_EQ("a。", line.recognized.text);
}

TEST(LeadColumns, APieceTallerThanLinesThatTheyStartRightOfIsTheirStart) {
  // Seven items that all begin "支持", whose first characters the layout
  // read down as one line of their own.
  std::vector<Line> lines;
  auto add = [&](PixelRect box) {
    Line& line = lines.emplace_back();
    line.pixels = box;
  };
  add({40, 0, 300, 30});  // a heading above the list
  for (int y = 100; y < 100 + 7 * 56; y += 56) add({488, y, 900, y + 30});
  add({445, 100, 475, 466});
  add({1400, 100, 1440, 466});  // a narrow column far away
  std::vector<LeadColumn> found = leadColumns(lines);
  ASSERT_EQ(1u, found.size());
  EXPECT_EQ(8u, found[0].column);
  EXPECT_EQ((std::vector<size_t>{1, 2, 3, 4, 5, 6, 7}), found[0].lines);

  // A table's column as wide as its cells, or a tall piece beside one line
  // only, is no lead column.
  lines[8].pixels = {300, 100, 475, 466};
  EXPECT_TRUE(leadColumns(lines).empty());
  lines[8].pixels = {445, 100, 475, 466};
  for (size_t i = 2; i < 8; ++i) lines[i].pixels.left = 700;
  EXPECT_TRUE(leadColumns(lines).empty());
}

TEST(KeepsMarker, AMarkOrAReadingOfADrawnBulletStaysBeforeTheOtherReading) {
  Line line;
  line.pixels = {139, 331, 321, 344};
  line.words = {{"©", {139, 333, 146, 340}}, {"00019는)", {161, 331, 232, 344}}};
  EXPECT_TRUE(keepsMarker(line));
  EXPECT_EQ(161, textBox(line).left);
  takeReading({"apple#{는} ==> apple은", 85}, &line);
  EXPECT_EQ("© apple#{는} ==> apple은", line.recognized.text);
  ASSERT_EQ(2u, line.words.size());
  EXPECT_EQ(146, line.words[0].box.right);
  // A word of text is read again with the rest.
  line.words = {{"tiger", {139, 331, 180, 344}}, {"==>", {190, 331, 210, 344}}};
  EXPECT_FALSE(keepsMarker(line));
  EXPECT_EQ(139, textBox(line).left);
}

}  // namespace

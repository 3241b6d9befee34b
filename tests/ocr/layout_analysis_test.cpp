#include "layout_analysis.h"

#include <gtest/gtest.h>

namespace {

// A line of words, 10 px a character and 8 px a space, 20 px high, at (x, y).
LayoutLine line(const std::string& text, int x, int y, int block = 0, int height = 20) {
  LayoutLine l;
  l.text = text;
  l.block = block;
  int left = x;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) {
      std::string word = text.substr(start, end - start);
      int characters = 0;
      for (unsigned char c : word) characters += (c & 0xC0) != 0x80;
      const int width = 10 * characters;
      l.words.push_back({word, {left, y, left + width, y + height}});
      left += width + 8;
    } else {
      left += 10;  // extra spaces widen the gap
    }
    start = end + 1;
  }
  l.box = {x, y, left - 8, y + height};
  return l;
}

PageLayout page(std::vector<LayoutLine> lines) {
  PageLayout p;
  p.width = 1000;
  p.height = 1000;
  p.lines = std::move(lines);
  return p;
}

TEST(LayoutAnalysis, TitleParagraphsAndAList) {
  PageLayout p = page({
      line("Big Title", 40, 20, 0, 36),
      line("First paragraph line one", 40, 80),
      line("and its second line", 40, 104),
      line("• apples", 60, 160), line("• pears that go on", 60, 190),
      line("over two lines", 80, 214), line("◦ nested", 90, 244),
      line("Closing words", 40, 320),
  });
  DocumentContainer doc = analyseLayout(p);
  ASSERT_TRUE(doc.title);
  EXPECT_EQ("Big Title", doc.title->transcript);
  ASSERT_EQ(2u, doc.paragraphs.size());
  EXPECT_EQ("First paragraph line one\nand its second line", doc.paragraphs[0].transcript);
  EXPECT_EQ("Closing words", doc.paragraphs[1].transcript);
  ASSERT_EQ(1u, doc.lists.size());
  const auto& items = doc.lists[0].items;
  ASSERT_EQ(3u, items.size());
  EXPECT_EQ("• pears that go on over two lines", items[1].itemString);
  EXPECT_EQ(MarkerType::bullet, items[2].markerType);
  // Regions are normalized: the list starts 160 px from the top of 1000.
  EXPECT_DOUBLE_EQ(1 - 0.16, doc.lists[0].region.maxY());
  EXPECT_TRUE(doc.tables.empty());
}

TEST(LayoutAnalysis, BulletsTheRecognizerMisreadOrDropped) {
  DocumentContainer doc = analyseLayout(page({
      line("A paragraph above the list that runs across the whole column", 40, 20),
      line("© apples", 60, 60), line("e pears", 60, 90),   // misread, side by side
      line("• plums", 60, 200), line("cherries", 78, 226),  // marker dropped
      line("figs", 78, 252),
      line("e alone is just a line", 40, 320),
  }));
  ASSERT_EQ(2u, doc.lists.size());
  EXPECT_EQ(2u, doc.lists[0].items.size());
  EXPECT_EQ(MarkerType::bullet, doc.lists[0].items[1].markerType);
  ASSERT_EQ(3u, doc.lists[1].items.size());
  EXPECT_EQ("cherries", doc.lists[1].items[1].itemString);
  EXPECT_EQ(MarkerType::bullet, doc.lists[1].items[2].markerType);
  ASSERT_EQ(2u, doc.paragraphs.size());
  EXPECT_EQ("e alone is just a line", doc.paragraphs[1].transcript);
}

TEST(LayoutAnalysis, NoTitleWithoutLargerTextAndSingleMarkersStayParagraphs) {
  DocumentContainer doc = analyseLayout(page({line("Plain first line", 40, 20),
                                              line("1. Introduction", 40, 100),
                                              line("Body text", 40, 140)}));
  EXPECT_FALSE(doc.title);
  EXPECT_TRUE(doc.lists.empty());
  ASSERT_EQ(3u, doc.paragraphs.size());
  EXPECT_EQ("1. Introduction", doc.paragraphs[1].transcript);
}

TEST(LayoutAnalysis, RuledTableCellsFromTheGrid) {
  PageLayout p = page({line("Name", 50, 110), line("Size", 250, 110),
                       line("Alpha", 50, 150), line("10", 250, 150),
                       line("Beta", 50, 190), line("20 30", 250, 190),
                       line("After the table", 40, 260)});
  for (int y : {100, 140, 180, 220}) p.horizontalRules.push_back({40, y, 400, y + 2});
  for (int x : {40, 240, 400}) p.verticalRules.push_back({x, 100, x + 2, 222});
  DocumentContainer doc = analyseLayout(p);
  ASSERT_EQ(1u, doc.tables.size());
  std::vector<std::vector<std::string>> rows;
  for (const auto& row : doc.tables[0].rows) {
    rows.emplace_back();
    for (const auto& cell : row) rows.back().push_back(cell.transcript);
  }
  EXPECT_EQ(std::vector<std::vector<std::string>>(
                {{"Name", "Size"}, {"Alpha", "10"}, {"Beta", "20 30"}}),
            rows);
  ASSERT_EQ(1u, doc.paragraphs.size());
  EXPECT_EQ("After the table", doc.paragraphs[0].transcript);
}

TEST(LayoutAnalysis, BorderlessTableFromAlignedColumns) {
  DocumentContainer doc = analyseLayout(page({
      line("Room", 40, 100, 0), line("Day", 300, 100, 1), line("Time", 520, 100, 2),
      line("Atlas", 40, 130, 0), line("Monday", 300, 130, 1), line("10:00", 520, 130, 2),
      line("Borealis", 40, 160, 0), line("Wednesday", 300, 160, 1),
      line("Cygnus", 40, 190, 0), line("Friday", 300, 190, 1), line("09:15", 520, 190, 2),
  }));
  ASSERT_EQ(1u, doc.tables.size());
  const auto& rows = doc.tables[0].rows;
  ASSERT_EQ(4u, rows.size());
  ASSERT_EQ(3u, rows[2].size());
  EXPECT_EQ("Borealis", rows[2][0].transcript);
  EXPECT_EQ("", rows[2][2].transcript);  // a missing cell stays, empty
  EXPECT_TRUE(doc.paragraphs.empty());
}

TEST(LayoutAnalysis, TwoColumnsOfProseAreNoTable) {
  DocumentContainer doc = analyseLayout(page({
      line("The left column starts here and", 40, 60),
      line("keeps going for a few lines of", 40, 84),
      line("text about the morning plans.", 40, 108),
      line("The right column tells about", 520, 60, 1),
      line("the evening and what happens", 520, 84, 1),
      line("after the meeting is over.", 520, 108, 1),
  }));
  EXPECT_TRUE(doc.tables.empty());
  ASSERT_EQ(2u, doc.paragraphs.size());
  EXPECT_EQ("The right column tells about\nthe evening and what happens\n"
            "after the meeting is over.",
            doc.paragraphs[1].transcript);
}

TEST(SplitColumns, WideGapsSplitAndColumnsAreReadInTurn) {
  auto lines = splitColumns({line("left one                              right one", 40, 60),
                             line("left two                              right two", 40, 84)});
  std::vector<std::string> texts;
  for (const auto& l : lines) texts.push_back(l.text);
  EXPECT_EQ(std::vector<std::string>({"left one", "left two", "right one", "right two"}), texts);
}

}  // namespace

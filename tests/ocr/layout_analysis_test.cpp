#include "layout_analysis.h"

#include <gtest/gtest.h>

#include "page_fixture.h"
#include "table_finder.h"

namespace {

using testpage::line;
using testpage::page;

// All documents' paragraphs, lists or tables in order, for tests that do not
// care which section holds them.
std::vector<TextElement> allParagraphs(const std::vector<DocumentContainer>& docs) {
  std::vector<TextElement> out;
  for (const auto& d : docs) out.insert(out.end(), d.paragraphs.begin(), d.paragraphs.end());
  return out;
}
std::vector<ListElement> allLists(const std::vector<DocumentContainer>& docs) {
  std::vector<ListElement> out;
  for (const auto& d : docs) out.insert(out.end(), d.lists.begin(), d.lists.end());
  return out;
}
std::vector<std::vector<std::string>> cells(const TableElement& table) {
  std::vector<std::vector<std::string>> rows;
  for (const auto& row : table.rows) {
    rows.emplace_back();
    for (const auto& cell : row) rows.back().push_back(cell.transcript);
  }
  return rows;
}

TEST(LayoutAnalysis, EachHeadingStartsADocumentWhereverItStands) {
  auto docs = analyseLayout(page({
      line("the end of a paragraph that began above the screen", 40, 20),
      line("Installing", 40, 80, 0, 32),
      line("Run the installer and follow it.", 40, 130),
      line("Usage", 40, 200, 0, 32),
      line("Call it with one argument.", 40, 250),
  }));
  ASSERT_EQ(3u, docs.size());
  EXPECT_FALSE(docs[0].title);
  EXPECT_EQ("the end of a paragraph that began above the screen", docs[0].paragraphs[0].transcript);
  ASSERT_TRUE(docs[1].title);
  EXPECT_EQ("Installing", docs[1].title->transcript);
  ASSERT_EQ(1u, docs[1].paragraphs.size());
  EXPECT_EQ("Run the installer and follow it.", docs[1].paragraphs[0].transcript);
  EXPECT_EQ("Usage", docs[2].title->transcript);
  // Regions are normalized: the second heading starts 200 px from the top of 1000.
  EXPECT_DOUBLE_EQ(1 - 0.2, docs[2].title->region.maxY());
}

TEST(LayoutAnalysis, AnEnglishTitleOfAKoreanPageBehindItsBar) {
  // The only Latin line is measured against the Korean body, not itself;
  // the bar drawn before it was read as a word and is none.
  PageLayout p = page({line("| kor-lunar", 80, 36, 0, 40),
                       line("이 라이브러리는 학습용으로 제작되었으며", 80, 100),
                       line("오프라인 환경에서도 사용할 수 있도록", 80, 130),
                       line("중요한 작업에는 아래 공식 API를 사용하시기", 80, 160)});
  p.lines[0].xHeight = 20;
  for (size_t i = 1; i < p.lines.size(); ++i) p.lines[i].xHeight = 16;
  p.verticalRules.push_back({80, 36, 90, 76});
  auto docs = analyseLayout(p);
  ASSERT_FALSE(docs.empty());
  ASSERT_TRUE(docs[0].title);
  EXPECT_EQ("kor-lunar", docs[0].title->transcript);
}

TEST(LayoutAnalysis, BoldLineSetApartIsAHeadingBoldWordsInTextAreNot) {
  auto p = page({
      line("Options", 40, 20), line("Each option is described below in turn.", 40, 60),
      line("and goes on here.", 40, 84), line("Note: this line is bold.", 40, 108),
      line("The last line.", 40, 132),
  });
  for (auto& l : p.lines) l.stroke = 2;
  p.lines[0].stroke = 3;  // set apart and bold
  p.lines[3].stroke = 3;  // bold, but a line of the paragraph
  auto docs = analyseLayout(p);
  ASSERT_EQ(1u, docs.size());
  ASSERT_TRUE(docs[0].title);
  EXPECT_EQ("Options", docs[0].title->transcript);
  ASSERT_EQ(1u, docs[0].paragraphs.size());
  EXPECT_EQ("Each option is described below in turn.\nand goes on here.\nNote: this line is bold."
            "\nThe last line.",
            docs[0].paragraphs[0].transcript);
}

TEST(LayoutAnalysis, LargeTextBesideAnotherOfItsSizeIsACellNotAHeading) {
  auto docs = analyseLayout(page({
      line("body text line one", 40, 20), line("body text line two", 40, 44),
      line("body text line three", 40, 68), line("body text line four", 40, 300),
      line("Left", 40, 100, 0, 32), line("Right", 600, 100, 1, 32),
      line("Pane", 40, 200, 0, 32), line("menu", 600, 205, 1, 20),
  }));
  std::vector<std::string> titles;
  for (const auto& d : docs) {
    if (d.title) titles.push_back(d.title->transcript);
  }
  // Smaller text beside it (a side bar) does not stop a heading.
  EXPECT_EQ(std::vector<std::string>({"Pane"}), titles);
}

TEST(LayoutAnalysis, DrawnBulletsMakeItemsWithTheGlyphTheyShow) {
  auto p = page({
      line("+ apples", 60, 160), line("pears that go on", 78, 190), line("over two lines", 78, 214),
      line("© nested", 90, 244), line("after the list", 40, 320),
  });
  p.lines[0].glyph = Glyph{GlyphShape::disc, {60, 166, 66, 172}};  // read as "+"
  p.lines[1].glyph = Glyph{GlyphShape::disc, {60, 196, 66, 202}};  // dropped by the recognizer
  p.lines[3].glyph = Glyph{GlyphShape::circle, {90, 250, 97, 257}};
  auto lists = allLists(analyseLayout(p));
  ASSERT_EQ(1u, lists.size());
  const auto& items = lists[0].items;
  ASSERT_EQ(3u, items.size());
  EXPECT_EQ("• apples", items[0].itemString);
  EXPECT_EQ("• pears that go on over two lines", items[1].itemString);
  EXPECT_EQ("◦ nested", items[2].itemString);
  EXPECT_EQ(MarkerType::bullet, items[0].markerType);
  EXPECT_EQ(MarkerType::hollowBullet, items[2].markerType);

  // A Chinese model reads a square bullet as marks glued to the text.
  auto square = page({line("=”贴合网格的排版；", 60, 100), line("”全标签样式美化；", 60, 140)});
  square.lines[0].glyph = Glyph{GlyphShape::square, {40, 106, 48, 114}};
  square.lines[1].glyph = Glyph{GlyphShape::square, {40, 146, 48, 154}};
  lists = allLists(analyseLayout(square));
  ASSERT_EQ(1u, lists.size());
  ASSERT_EQ(2u, lists[0].items.size());
  EXPECT_EQ("▪ 贴合网格的排版；", lists[0].items[0].itemString);
  EXPECT_EQ("▪ 全标签样式美化；", lists[0].items[1].itemString);
}

TEST(LayoutAnalysis, OneDrawnBulletIsAListOneTextMarkerIsNot) {
  auto p = page({line("Plain first line", 40, 20), line("1. Introduction", 40, 100),
                 line("Body text", 40, 140), line("the only item", 60, 220)});
  p.lines[3].glyph = Glyph{GlyphShape::square, {40, 226, 46, 232}};
  auto docs = analyseLayout(p);
  auto lists = allLists(docs);
  ASSERT_EQ(1u, lists.size());
  EXPECT_EQ("▪ the only item", lists[0].items[0].itemString);
  auto paragraphs = allParagraphs(docs);
  ASSERT_EQ(3u, paragraphs.size());
  EXPECT_EQ("1. Introduction", paragraphs[1].transcript);
}

TEST(LayoutAnalysis, BulletsReadAsLinesOfTheirOwnAndNestedBlocksReadLast) {
  // Tesseract gives the bullets and the nested items blocks of their own.
  auto p = page({line("• one", 40, 100, 0), line("• four", 40, 190, 0),
                 line("°", 60, 134, 1, 8), line("two", 80, 130, 2), line("three", 80, 160, 2)});
  p.lines[3].glyph = Glyph{GlyphShape::circle, {60, 134, 67, 141}};
  p.lines[4].glyph = Glyph{GlyphShape::circle, {60, 164, 67, 171}};
  auto lists = allLists(analyseLayout(p));
  ASSERT_EQ(1u, lists.size());
  std::vector<std::string> items;
  for (const auto& item : lists[0].items) items.push_back(item.itemString);
  EXPECT_EQ(std::vector<std::string>({"• one", "◦ two", "◦ three", "• four"}), items);
}

TEST(LayoutAnalysis, APartOfAnItemsLineReadApartStaysInTheItem) {
  // The recognizer parted "tiger ==>  tigerS" at its wide space and read
  // the part after the next item's line; the list goes on after it.
  auto p = page({line("apple", 60, 100), line("tiger ==>", 60, 130), line("next", 60, 160),
                 line("tigerS", 200, 130), line("far column", 600, 160)});
  for (int i : {0, 1, 2}) {
    const int y = p.lines[i].box.top;
    p.lines[i].glyph = Glyph{GlyphShape::circle, {40, y + 6, 47, y + 13}};
  }
  auto lists = allLists(analyseLayout(p));
  ASSERT_EQ(1u, lists.size());
  std::vector<std::string> items;
  for (const auto& item : lists[0].items) items.push_back(item.itemString);
  EXPECT_EQ(std::vector<std::string>({"◦ apple", "◦ tiger ==> tigerS", "◦ next"}), items);
}

TEST(LayoutAnalysis, LetteredListsStayLetteredPastI) {
  std::vector<LayoutLine> lines;
  const char* letters[] = {"g.", "h.", "i.", "j."};
  for (int k = 0; k < 4; ++k) lines.push_back(line(std::string(letters[k]) + " step", 40, 100 + 30 * k));
  lines.push_back(line("i. first", 40, 300));
  lines.push_back(line("ii. second", 40, 330));
  auto lists = allLists(analyseLayout(page(lines)));
  ASSERT_EQ(2u, lists.size());
  EXPECT_EQ(MarkerType::lowercaseLatin, lists[0].items[2].markerType);
  EXPECT_EQ(MarkerType::lowercaseRoman, lists[1].items[0].markerType);
  EXPECT_EQ(MarkerType::lowercaseRoman, lists[1].items[1].markerType);
}

TEST(LayoutAnalysis, ABulletBeforeANumberIsTheBulletANumberSeenAsABulletIsTheNumber) {
  auto p = page({line("1. Intro", 60, 100), line("2. Usage", 60, 130),
                 line("a. first", 40, 200), line("b. second", 40, 230)});
  p.lines[0].glyph = Glyph{GlyphShape::disc, {44, 106, 50, 112}};  // drawn before the number
  p.lines[1].glyph = Glyph{GlyphShape::disc, {44, 136, 50, 142}};
  p.lines[2].glyph = Glyph{GlyphShape::disc, {40, 206, 48, 214}};  // the "a" itself
  auto lists = allLists(analyseLayout(p));
  ASSERT_EQ(2u, lists.size());
  EXPECT_EQ("• 1. Intro", lists[0].items[0].itemString);
  EXPECT_EQ(MarkerType::bullet, lists[0].items[1].markerType);
  EXPECT_EQ("a. first", lists[1].items[0].itemString);
  EXPECT_EQ(MarkerType::lowercaseLatin, lists[1].items[0].markerType);
}

TEST(LayoutAnalysis, ANumberWhoseFullStopWasSplitOffStillStartsAnItem) {
  auto docs = analyseLayout(page({line("1. Features", 40, 20, 0, 30), line("1 . Install", 40, 100),
                                  line("2. Run", 40, 130), line("Text", 40, 200)}));
  auto lists = allLists(docs);
  ASSERT_EQ(1u, lists.size());
  ASSERT_EQ(2u, lists[0].items.size());
  // The numbered line in larger type is the heading.
  ASSERT_TRUE(docs.back().title);
  EXPECT_EQ("1. Features", docs.back().title->transcript);
  EXPECT_EQ("1. Install", lists[0].items[0].itemString);
  EXPECT_EQ(MarkerType::decimal, lists[0].items[0].markerType);
}

TEST(LayoutAnalysis, CodePanelIsOneParagraphWithItsLineBreaksNeverAList) {
  auto p = page({line("Install it:", 40, 20), line("- npm install thing", 60, 70),
                 line("- yarn add thing", 60, 94), line("Then run it.", 40, 160)});
  p.panels.push_back({{40, 56, 600, 130}});
  auto docs = analyseLayout(p);
  EXPECT_TRUE(allLists(docs).empty());
  auto paragraphs = allParagraphs(docs);
  ASSERT_EQ(3u, paragraphs.size());
  EXPECT_EQ("- npm install thing\n- yarn add thing", paragraphs[1].transcript);
  // An inline code span hugs its line: no block.
  p.panels = {{{58, 68, 200, 92}}};
  EXPECT_EQ(2u, allLists(analyseLayout(p))[0].items.size());
}

TEST(LayoutAnalysis, RuledTableCellsFromTheGrid) {
  PageLayout p = page({line("Name", 50, 110), line("Size", 250, 110),
                       line("Alpha", 50, 150), line("10", 250, 150),
                       line("Beta", 50, 190), line("20 30", 250, 190),
                       line("and more", 50, 212), line("After the table", 40, 260)});
  for (int y : {100, 140, 180, 240}) p.horizontalRules.push_back({40, y, 400, y + 2});
  for (int x : {40, 240, 400}) p.verticalRules.push_back({x, 100, x + 2, 242});
  auto docs = analyseLayout(p);
  ASSERT_EQ(1u, docs[0].tables.size());
  // A cell holds all of its lines.
  EXPECT_EQ(std::vector<std::vector<std::string>>(
                {{"Name", "Size"}, {"Alpha", "10"}, {"Beta\nand more", "20 30"}}),
            cells(docs[0].tables[0]));
  auto paragraphs = allParagraphs(docs);
  ASSERT_EQ(1u, paragraphs.size());
  EXPECT_EQ("After the table", paragraphs[0].transcript);
}

TEST(LayoutAnalysis, TableRuledOnlyBetweenRowsWithItsHeaderAbove) {
  PageLayout p = page({line("A paragraph before the table.", 40, 20),
                       line("Name", 50, 80), line("Purpose", 250, 80),
                       line("DEBUG", 50, 120), line("Enables the namespaces.", 250, 120),
                       line("DEPTH", 50, 160), line("Object inspection depth, which", 250, 160),
                       line("wraps in its cell.", 250, 184)});
  for (int y : {106, 146, 212}) p.horizontalRules.push_back({40, y, 600, y + 1});
  auto docs = analyseLayout(p);
  ASSERT_EQ(1u, docs[0].tables.size());
  EXPECT_EQ(std::vector<std::vector<std::string>>(
                {{"Name", "Purpose"},
                 {"DEBUG", "Enables the namespaces."},
                 {"DEPTH", "Object inspection depth, which\nwraps in its cell."}}),
            cells(docs[0].tables[0]));
  EXPECT_EQ("A paragraph before the table.", allParagraphs(docs)[0].transcript);

  // A header whose one word the recognizer boxed twice as tall is a header
  // still; a heading of large type above the table is none.
  LayoutLine header = line("Name Purpose and use", 50, 80);
  header.words[1].box = {250, 72, 320, 112};
  header.words[2].box = {328, 80, 358, 100};
  header.words[3].box = {366, 80, 396, 100};
  header.box = {50, 72, 396, 112};
  p.lines[1] = header;
  p.lines.erase(p.lines.begin() + 2);
  docs = analyseLayout(p);
  ASSERT_EQ(1u, docs[0].tables.size());
  EXPECT_EQ(3u, docs[0].tables[0].rows.size());
  EXPECT_EQ("Purpose and use", docs[0].tables[0].rows[0][1].transcript);
  // Or a line of one word, whose line box is the type's and its word's not.
  LayoutLine purpose = line("Purpose", 250, 80);
  purpose.words[0].box = {250, 72, 320, 112};
  p.lines[1] = line("Name", 50, 80);
  p.lines.insert(p.lines.begin() + 2, purpose);
  docs = analyseLayout(p);
  ASSERT_EQ(1u, docs[0].tables.size());
  EXPECT_EQ("Purpose", docs[0].tables[0].rows[0][1].transcript);
  p.lines.erase(p.lines.begin() + 2);
  p.lines[1] = line("Large Heading", 50, 66, 0, 36);
  docs = analyseLayout(p);
  for (const auto& d : docs) {
    for (const auto& t : d.tables) EXPECT_EQ("DEBUG", t.rows[0][0].transcript);
  }
}

TEST(LayoutAnalysis, TableRuledAboveUnderItsHeaderAndBelowHasRowsBySpace) {
  // Rows 20 px high stand 18 px apart; a wrapped cell's lines 8 px. The
  // caption above the top rule is no header.
  PageLayout p = page({line("ContentType", 40, 40),
                       line("Name", 50, 90), line("Type", 300, 90),
                       line("title", 50, 140), line("string", 300, 140),
                       line("androidExecution", 50, 178), line("Array<{ key:", 300, 178),
                       line("Params", 50, 206), line("string }>", 300, 206),
                       line("desc", 50, 244), line("string", 300, 244)});
  for (int y : {80, 122, 276}) p.horizontalRules.push_back({40, y, 600, y + 2});
  auto docs = analyseLayout(p);
  std::vector<std::vector<std::vector<std::string>>> tables;
  for (const auto& d : docs) {
    for (const auto& t : d.tables) tables.push_back(cells(t));
  }
  ASSERT_EQ(1u, tables.size());
  EXPECT_EQ(std::vector<std::vector<std::string>>({{"Name", "Type"},
                                                   {"title", "string"},
                                                   {"androidExecution\nParams",
                                                    "Array<{ key:\nstring }>"},
                                                   {"desc", "string"}}),
            tables[0]);
  EXPECT_EQ("ContentType", allParagraphs(docs).at(0).transcript);

  // Cut off by the screen's bottom edge it has no rule below; its rows
  // still part by space. Prose further down is none of its rows.
  p.horizontalRules.pop_back();
  p.height = 280;
  docs = analyseLayout(p);
  ASSERT_EQ(1u, docs[0].tables.size());
  EXPECT_EQ(4u, docs[0].tables[0].rows.size());
  EXPECT_EQ("androidExecution\nParams", docs[0].tables[0].rows[2][0].transcript);
  p.height = 1000;
  p.lines.push_back(line("A closing paragraph that runs across the page.", 50, 330));
  docs = analyseLayout(p);
  for (const auto& d : docs) {
    for (const auto& t : d.tables) {
      for (const auto& r : t.rows) EXPECT_EQ(std::string::npos, r[0].transcript.find("closing"));
    }
  }
  EXPECT_EQ("A closing paragraph that runs across the page.", allParagraphs(docs).back().transcript);

  // Ruled between its rows, a table's cell may hold paragraphs parted by space.
  p = page({line("Name", 50, 40), line("Sponsor", 300, 40),
            line("Alpha", 50, 90), line("Fast builds for", 300, 90),
            line("every team.", 300, 114), line("alpha.example", 300, 160),
            line("Beta", 50, 210), line("Scraping API", 300, 210)});
  for (int y : {70, 190, 240}) p.horizontalRules.push_back({40, y, 600, y + 2});
  docs = analyseLayout(p);
  ASSERT_EQ(1u, docs[0].tables.size());
  EXPECT_EQ(std::vector<std::vector<std::string>>(
                {{"Name", "Sponsor"},
                 {"Alpha", "Fast builds for\nevery team.\nalpha.example"},
                 {"Beta", "Scraping API"}}),
            cells(docs[0].tables[0]));
}

TEST(LayoutAnalysis, ALongTableRuledAboveUnderItsHeaderAndFarBelowOnALooselySetPage) {
  // Rows of 20 px lines stand 50 px apart; a cell's wrapped line 36 px
  // below its first, as far as rows could stand on a tighter page: no row
  // then, nor is a word's last letter wrapped alone, which stands lower for
  // want of ascenders. The bottom rule is far below the header's.
  std::vector<LayoutLine> lines = {line("Key", 50, 90), line("Note", 300, 90)};
  int y = 140;
  for (int row = 0; row < 14; ++row, y += 50) {
    lines.push_back(line("key" + std::to_string(row), 50, y));
    lines.push_back(line("value " + std::to_string(row), 300, y));
    if (row == 3) {
      y += 36;
      lines.push_back(line("wrapped", 300, y));
    }
    if (row == 7) {
      y += 36;
      lines.push_back(line("n", 50, y + 8, 0, 12));
    }
  }
  lines.push_back(line("Prose between the tables.", 50, y + 30));
  lines.push_back(line("Key", 50, y + 110));
  lines.push_back(line("Type", 300, y + 110));
  lines.push_back(line("one", 50, y + 160));
  lines.push_back(line("string", 300, y + 160));
  PageLayout p = page(lines);
  for (int rule : {80, 122, y - 20, y + 100, y + 142, y + 192}) {
    p.horizontalRules.push_back({40, rule, 600, rule + 2});
  }
  std::vector<TableElement> tables;
  for (const auto& d : analyseLayout(p)) tables.insert(tables.end(), d.tables.begin(), d.tables.end());
  ASSERT_EQ(2u, tables.size());
  const auto first = cells(tables[0]);
  ASSERT_EQ(15u, first.size());
  EXPECT_EQ((std::vector<std::string>{"Key", "Note"}), first[0]);
  EXPECT_EQ((std::vector<std::string>{"key3", "value 3\nwrapped"}), first[4]);
  EXPECT_EQ((std::vector<std::string>{"key7\nn", "value 7"}), first[8]);
  EXPECT_EQ((std::vector<std::string>{"key13", "value 13"}), first[14]);
  EXPECT_EQ((std::vector<std::vector<std::string>>{{"Key", "Type"}, {"one", "string"}}),
            cells(tables[1]));
}

TEST(LayoutAnalysis, TintedHeaderIsTheFirstRowOfATableRuledBetweenRows) {
  // The header's first cell is empty, and a bold label stands close above:
  // the label is no cell, and the header no part of the first row.
  PageLayout p = page({line("options", 40, 40), line("Meaning", 250, 80),
                       line("i18n", 50, 120), line("Languages", 250, 120),
                       line("undoDelay", 50, 160), line("History interval", 250, 160),
                       line("after", 50, 200), line("Callback", 250, 200)});
  p.panels.push_back({{40, 72, 600, 108}});
  for (int y : {146, 186, 226}) p.horizontalRules.push_back({40, y, 600, y + 1});
  auto docs = analyseLayout(p);
  std::vector<std::vector<std::vector<std::string>>> tables;
  for (const auto& d : docs) {
    for (const auto& t : d.tables) tables.push_back(cells(t));
  }
  ASSERT_EQ(1u, tables.size());
  EXPECT_EQ(std::vector<std::vector<std::string>>({{"", "Meaning"},
                                                   {"i18n", "Languages"},
                                                   {"undoDelay", "History interval"},
                                                   {"after", "Callback"}}),
            tables[0]);
}

TEST(LayoutAnalysis, CardsAreTablesOfTheirOwnAndZebraRowsMakeOneTable) {
  PageLayout cards = page({line("Weekly summary", 60, 110), line("Every Monday", 800, 110),
                           line("Product news", 60, 156), line("Off", 900, 156),
                           line("Sound", 60, 300), line("Chime", 880, 300),
                           line("Until", 60, 346), line("07:30", 880, 346)});
  cards.panels = {{{40, 96, 1000, 192}}, {{40, 286, 1000, 382}}};
  cards.horizontalRules = {{40, 144, 1000, 145}, {40, 334, 1000, 335}};
  auto docs = analyseLayout(cards);
  ASSERT_EQ(2u, docs[0].tables.size());
  EXPECT_EQ(std::vector<std::vector<std::string>>({{"Weekly summary", "Every Monday"},
                                                   {"Product news", "Off"}}),
            cells(docs[0].tables[0]));

  // Cards whose borders are drawn, as rules all round: still a table each,
  // not one grid of a column, nor one table across both with their labels.
  PageLayout bordered = cards;
  bordered.lines.push_back(line("Email", 40, 70, 0, 24));
  bordered.lines.push_back(line("Quiet hours", 40, 260, 0, 24));
  for (const Panel& card : cards.panels) {
    const PixelRect& p = card.box;
    bordered.horizontalRules.push_back({p.left, p.top, p.right, p.top + 1});
    bordered.horizontalRules.push_back({p.left, p.bottom - 1, p.right, p.bottom});
    bordered.verticalRules.push_back({p.left, p.top, p.left + 1, p.bottom});
    bordered.verticalRules.push_back({p.right - 1, p.top, p.right, p.bottom});
  }
  docs = analyseLayout(bordered);
  std::vector<std::vector<std::vector<std::string>>> tables;
  for (const auto& d : docs) {
    for (const auto& t : d.tables) tables.push_back(cells(t));
  }
  ASSERT_EQ(2u, tables.size());
  EXPECT_EQ(std::vector<std::vector<std::string>>({{"Weekly summary", "Every Monday"},
                                                   {"Product news", "Off"}}),
            tables[0]);
  EXPECT_EQ(std::vector<std::vector<std::string>>({{"Sound", "Chime"}, {"Until", "07:30"}}),
            tables[1]);

  PageLayout zebra = page({line("Project", 50, 100), line("Description", 300, 100),
                           line("vant-cli", 50, 140), line("Scaffold", 300, 140),
                           line("vant-demo", 50, 180), line("Collection of demos", 300, 180),
                           line("vant-icons", 50, 220), line("Icons", 300, 220)});
  zebra.panels = {{{40, 130, 600, 170}}, {{40, 210, 600, 250}}};
  docs = analyseLayout(zebra);
  ASSERT_EQ(1u, docs[0].tables.size());
  EXPECT_EQ(4u, docs[0].tables[0].rows.size());
  EXPECT_EQ("Collection of demos", docs[0].tables[0].rows[2][1].transcript);
}

TEST(LayoutAnalysis, BorderlessTableFromAlignedColumns) {
  auto docs = analyseLayout(page({
      line("Room", 40, 100, 0), line("Day", 300, 100, 1), line("Time", 520, 100, 2),
      line("Atlas", 40, 130, 0), line("Monday", 300, 130, 1), line("10:00", 520, 130, 2),
      line("Borealis", 40, 160, 0), line("Wednesday", 300, 160, 1),
      line("Cygnus", 40, 190, 0), line("Friday", 300, 190, 1), line("09:15", 520, 190, 2),
  }));
  ASSERT_EQ(1u, docs[0].tables.size());
  const auto& rows = docs[0].tables[0].rows;
  ASSERT_EQ(4u, rows.size());
  ASSERT_EQ(3u, rows[2].size());
  EXPECT_EQ("Borealis", rows[2][0].transcript);
  EXPECT_EQ("", rows[2][2].transcript);  // a missing cell stays, empty
  EXPECT_TRUE(docs[0].paragraphs.empty());

  // A value's signs are its text; specks beside it are not.
  docs = analyseLayout(page({
      line("Task", 40, 100, 0), line("Time", 300, 100, 1),
      line("Convert", 40, 130, 0), line("< 0.1ms", 300, 130, 1),
      line("Size", 40, 160, 0), line("~290 KB", 300, 160, 1),
      line("Gzip", 40, 190, 0), line("~95 KB .", 300, 190, 1),
  }));
  ASSERT_EQ(1u, docs[0].tables.size());
  EXPECT_EQ("< 0.1ms", docs[0].tables[0].rows[1][1].transcript);
  EXPECT_EQ("~95 KB", docs[0].tables[0].rows[3][1].transcript);

  // A sign misread wide ("=<") starts its cell though it nearly reaches the
  // cell before; a sign between words ("1900 ~ 2050") stays in its cell; a
  // line of prose below, across both columns, is no row.
  docs = analyseLayout(page({
      line("Task", 40, 100, 0), line("Time", 157, 100, 1),
      line("Convert", 40, 130, 0), line("=< 0.1ms", 129, 130, 1),
      line("Range", 40, 160, 0), line("1900 ~ 2050", 157, 160, 1),
      line("Lookup", 40, 190, 0), line("< 0.1ms", 157, 190, 1),
      line("The data is packed", 40, 230, 2), line("to 225 KB in all.", 260, 230, 3),
  }));
  ASSERT_EQ(1u, docs[0].tables.size());
  EXPECT_EQ(std::vector<std::vector<std::string>>({{"Task", "Time"},
                                                   {"Convert", "=< 0.1ms"},
                                                   {"Range", "1900 ~ 2050"},
                                                   {"Lookup", "< 0.1ms"}}),
            cells(docs[0].tables[0]));

  // A row whose first cell was not read goes on the table while full rows
  // follow it; a line of prose after the table, across its columns, does not.
  docs = analyseLayout(page({
      line("uuid.NIL", 40, 100, 0), line("The nil UUID string", 300, 100, 1),
      line("uuid.MAX", 40, 140, 0), line("The max UUID string", 300, 140, 1),
      line("Intentionally left blank", 300, 180, 1),
      line("uuid.v4()", 40, 220, 0), line("A random UUID", 300, 220, 1),
      line("Detect", 40, 260, 0), line("The version of a UUID", 300, 260, 1),
      line("Every function is exported by the package itself.", 40, 300, 2),
  }));
  ASSERT_EQ(1u, docs[0].tables.size());
  ASSERT_EQ(5u, docs[0].tables[0].rows.size());
  EXPECT_EQ("", docs[0].tables[0].rows[2][0].transcript);
  EXPECT_EQ("Intentionally left blank", docs[0].tables[0].rows[2][1].transcript);
  ASSERT_EQ(1u, allParagraphs(docs).size());
  EXPECT_EQ("Every function is exported by the package itself.", allParagraphs(docs)[0].transcript);

  // A line of prose above the table, its words parted by a wide gap, is no row.
  docs = analyseLayout(page({
      line("Method: autocannon -c 100", 40, 60, 0), line("taking the average", 420, 60, 1),
      line("Framework", 40, 100, 2), line("Version", 220, 100, 3), line("Requests", 420, 100, 4),
      line("Express", 40, 130, 2), line("4.17.3", 220, 130, 3), line("14,200", 420, 130, 4),
      line("Koa", 40, 160, 2), line("2.13.0", 220, 160, 3), line("54,272", 420, 160, 4),
  }));
  ASSERT_EQ(1u, docs[0].tables.size());
  EXPECT_EQ(std::vector<std::vector<std::string>>({{"Framework", "Version", "Requests"},
                                                   {"Express", "4.17.3", "14,200"},
                                                   {"Koa", "2.13.0", "54,272"}}),
            cells(docs[0].tables[0]));

  // Lone lines one after another are a menu or a column of text, no cells.
  docs = analyseLayout(page({
      line("General", 40, 100, 0), line("Notifications", 300, 100, 1),
      line("Account", 40, 140, 0), line("EMAIL", 300, 180, 1), line("Privacy", 40, 220, 0),
      line("Keyboard", 40, 260, 0), line("Weekly summary", 300, 260, 1),
      line("About", 40, 300, 0), line("Product news", 300, 300, 1),
  }));
  for (const auto& d : docs) {
    for (const auto& t : d.tables) EXPECT_NE("General", t.rows[0][0].transcript);
  }
}

TEST(LayoutAnalysis, TwoColumnsOfProseAreNoTable) {
  auto docs = analyseLayout(page({
      line("The left column starts here and", 40, 60),
      line("keeps going for a few lines of", 40, 84),
      line("text about the morning plans.", 40, 108),
      line("The right column tells about", 520, 60, 1),
      line("the evening and what happens", 520, 84, 1),
      line("after the meeting is over.", 520, 108, 1),
  }));
  EXPECT_TRUE(docs[0].tables.empty());
  ASSERT_EQ(2u, docs[0].paragraphs.size());
  EXPECT_EQ("The right column tells about\nthe evening and what happens\n"
            "after the meeting is over.",
            docs[0].paragraphs[1].transcript);
}

TEST(LayoutAnalysis, AnEmptyPageHasNoDocuments) {
  EXPECT_TRUE(analyseLayout(page({})).empty());
}

TEST(LayoutAnalysis, PiecesOfALineOverlappingAtTheirEndsAreOneAndStrokesReadTwiceAreDropped) {
  // The recognizer cut the line where it took a column to start, its second
  // piece beginning a little inside the first, and read two strokes of a
  // character in the second piece as small lines of their own.
  auto docs = analyseLayout(page({
      line("the first piece of", 40, 100, 0),
      line("x", 212, 100, 2, 8),
      line("s", 214, 108, 2, 8),
      line("the line ends here", 208, 100, 1),
      line("Another line below it.", 40, 124, 0),
  }));
  std::vector<TextElement> paragraphs = allParagraphs(docs);
  ASSERT_EQ(1u, paragraphs.size());
  EXPECT_EQ("the first piece of the line ends here\nAnother line below it.",
            paragraphs[0].transcript);
}

TEST(LayoutAnalysis, ASideBarsMenuIsAListOfItsOwnBesideThePagesHeading) {
  PageLayout menuPage = page({
      line("General", 20, 40),
      line("Account", 20, 80),
      line("Notifications", 20, 120),
      line("Privacy", 20, 160),
      line("Notifications", 300, 40, 1, 32),
      line("Weekly summary of what happened.", 300, 100, 2),
  });
  menuPage.panels.push_back({{0, 0, 200, 1000}});
  auto docs = analyseLayout(menuPage);
  std::vector<ListElement> lists = allLists(docs);
  ASSERT_EQ(1u, lists.size());
  ASSERT_EQ(4u, lists[0].items.size());
  EXPECT_EQ("General", lists[0].items[0].itemString);
  EXPECT_FALSE(lists[0].items[0].markerType);
  // The page's heading is no entry of the menu beside it.
  bool titled = false;
  for (const auto& d : docs) titled |= d.title && d.title->transcript == "Notifications";
  EXPECT_TRUE(titled);
}

TEST(LayoutAnalysis, LinesOfAPanelInsideThePageOrUnevenlySetAreNoMenu) {
  PageLayout inside = page({line("one", 320, 40), line("two", 320, 80), line("three", 320, 120)});
  inside.panels.push_back({{300, 0, 500, 1000}});
  EXPECT_TRUE(allLists(analyseLayout(inside)).empty());
  PageLayout uneven = page({line("Settings for the account", 20, 40), line("two", 60, 80),
                            line("three", 20, 200)});
  uneven.panels.push_back({{0, 0, 200, 1000}});
  EXPECT_TRUE(allLists(analyseLayout(uneven)).empty());
}

TEST(SplitColumns, WideGapsSplitAndColumnsAreReadInTurn) {
  auto lines = splitColumns({line("left one                              right one", 40, 60),
                             line("left two                              right two", 40, 84)});
  std::vector<std::string> texts;
  for (const auto& l : lines) texts.push_back(l.text);
  EXPECT_EQ(std::vector<std::string>({"left one", "left two", "right one", "right two"}), texts);
}

}  // namespace

TEST(RuleGrids, CrossingRulesMakeAGridLoneOrParallelRulesDoNot) {
  // A 2 x 3 grid; one rule drawn twice, a pixel apart, is one edge.
  const std::vector<PixelRect> across = {{100, 100, 400, 101}, {100, 150, 400, 151},
                                         {100, 151, 400, 152}, {100, 200, 400, 201},
                                         {500, 400, 700, 401}};
  const std::vector<PixelRect> down = {{100, 100, 101, 201}, {250, 100, 251, 201},
                                       {399, 100, 400, 201}, {800, 100, 801, 300}};
  const std::vector<RuleGrid> grids = ruleGrids(across, down, 3);
  ASSERT_EQ(1u, grids.size());
  EXPECT_EQ((std::vector<int>{100, 250, 399}), grids[0].xs);
  EXPECT_EQ((std::vector<int>{100, 150, 200}), grids[0].ys);
  // Rules one way only are no grid.
  EXPECT_TRUE(ruleGrids(across, {}, 3).empty());
  EXPECT_TRUE(ruleGrids({}, down, 3).empty());
}

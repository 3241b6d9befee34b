// The built zuna-ocr on screenshots of real documents (README pages in two
// viewer looks, light and dark, and a settings screen): the structure where
// it is certain, the text loosely.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <filesystem>

#include "run_process.h"
#include "temp_folder.h"

using nlohmann::json;

namespace {

const std::string kPages = std::string(FIXTURES) + "/images/pages/";

json blocksOf(const std::string& image) {
  ProcessResult run = runProcess({ZUNA_OCR, kPages + image});
  EXPECT_EQ(0, run.status) << run.out;
  json result = json::parse(run.out, nullptr, false);
  return result.is_object() ? result["blocks"] : json::array();
}

std::vector<json> ofKind(const json& blocks, const std::string& kind) {
  std::vector<json> found;
  for (const json& block : blocks) {
    if (block["kind"] == kind) found.push_back(block);
  }
  return found;
}

bool hasHeading(const json& blocks, const std::string& text) {
  for (const json& block : ofKind(blocks, "heading")) {
    if (block["text"] == text) return true;
  }
  return false;
}

std::vector<size_t> rowLengths(const json& table) {
  std::vector<size_t> lengths;
  for (const json& row : table["rows"]) lengths.push_back(row.size());
  return lengths;
}

TEST(PageStructure, NestedListWithDrawnDiscsAndCircles) {
  json blocks = blocksOf("axios-nested.png");
  EXPECT_TRUE(hasHeading(blocks, "Table of contents"));
  std::vector<json> lists = ofKind(blocks, "list");
  ASSERT_EQ(1u, lists.size());
  const json& list = lists[0];
  ASSERT_EQ(31u, list["items"].size());
  EXPECT_FALSE(list["ordered"]);
  // Installing, then its two nested items, then Example.
  EXPECT_EQ(json::parse("[0,0,0,1,1,0]"),
            json(std::vector<json>(list["levels"].begin(), list["levels"].begin() + 6)));
  EXPECT_EQ("• Features", list["items"][0]);
  EXPECT_EQ("◦ Package manager", list["items"][3]);
}

TEST(PageStructure, TablesRuledBetweenRowsWithWrappedCells) {
  json blocks = blocksOf("debug-table.png");
  for (const char* heading : {"Environment Variables", "Formatters", "Custom formatters"}) {
    EXPECT_TRUE(hasHeading(blocks, heading)) << heading;
  }
  std::vector<json> tables = ofKind(blocks, "table");
  ASSERT_EQ(2u, tables.size());
  EXPECT_EQ(std::vector<size_t>(6, 2), rowLengths(tables[0]));
  EXPECT_EQ(std::vector<size_t>(7, 2), rowLengths(tables[1]));
  EXPECT_EQ("Purpose", tables[0]["rows"][0][1]);
  // A cell wrapped over two lines is one cell.
  const std::string wrapped = tables[1]["rows"][5][1];
  EXPECT_NE(std::string::npos, wrapped.find("JSON.")) << wrapped;
  EXPECT_NE(std::string::npos, wrapped.find("references.")) << wrapped;
}

TEST(PageStructure, GridTablesUnderTheirHeadings) {
  json blocks = blocksOf("vant-table.png");
  EXPECT_TRUE(hasHeading(blocks, "Official Ecosystem"));
  EXPECT_TRUE(hasHeading(blocks, "Community Ecosystem"));
  std::vector<json> tables = ofKind(blocks, "table");
  ASSERT_EQ(2u, tables.size());
  EXPECT_EQ(std::vector<size_t>(7, 2), rowLengths(tables[0]));
  EXPECT_EQ("vant-weapp", tables[0]["rows"][1][0]);
  EXPECT_EQ(json::parse(R"(["Project","Description"])"), tables[1]["rows"][0]);
}

TEST(PageStructure, ChineseNumberedListUnderANumberedHeading) {
  json blocks = blocksOf("cnchar-ol.png");
  EXPECT_TRUE(hasHeading(blocks, "1.功能"));
  std::vector<json> lists = ofKind(blocks, "list");
  ASSERT_FALSE(lists.empty());
  const json& list = lists[0];
  EXPECT_TRUE(list["ordered"]);
  EXPECT_GE(list["items"].size(), 20u);
  for (const json& level : list["levels"]) EXPECT_EQ(0, level);
  const std::string first = list["items"][0];
  EXPECT_EQ(0u, first.find("1.")) << first;
}

TEST(PageStructure, SettingsCardsAreTablesUnderTheirLabels) {
  json blocks = blocksOf("settings-en.png");
  for (const char* heading : {"Notifications", "EMAIL", "PUSH ON THIS DEVICE", "QUIET HOURS"}) {
    EXPECT_TRUE(hasHeading(blocks, heading)) << heading;
  }
  std::vector<json> tables = ofKind(blocks, "table");
  ASSERT_EQ(3u, tables.size());
  for (const json& table : tables) EXPECT_EQ(std::vector<size_t>(3, 2), rowLengths(table));
  EXPECT_EQ(json::parse(R"(["Sound","Chime"])"), tables[1]["rows"][2]);
  // Blocks come top to bottom.
  double top = 0;
  for (const json& block : blocks) {
    EXPECT_GE(block["top"].get<double>(), top);
    top = block["top"];
  }
}

}  // namespace

// A Korean page with English words, in the dark look at scale 2: read with
// the Korean and English models together, each line whole although the page
// layout leaves the ends of two lines out.
TEST(PageStructure, KoreanLinesReadWholeWithTheirEnglishWords) {
  json blocks = blocksOf("react-daum-postcode-top.png");
  EXPECT_TRUE(hasHeading(blocks, "react-daum-postcode"));
  EXPECT_TRUE(hasHeading(blocks, "Install"));
  EXPECT_TRUE(hasHeading(blocks, "Embed"));
  std::vector<json> paragraphs = ofKind(blocks, "paragraph");
  ASSERT_GE(paragraphs.size(), 3u);
  const std::string first = paragraphs.front()["text"];
  const std::string last = paragraphs.back()["text"];
  EXPECT_NE(std::string::npos, first.find("우편번호 검색")) << first;
  EXPECT_NE(std::string::npos, first.find("React")) << first;
  EXPECT_TRUE(first.ends_with("이용할 수 있습니다.")) << first;
  EXPECT_TRUE(last.starts_with("KakaoPostcodeEmbed")) << last;
  EXPECT_TRUE(last.ends_with("사용할 수 있습니다.")) << last;
}

// A Chinese grid in the dark look with cells of one character, of two lines
// and of mixed scripts: each cell is read alone, so none is split or merged.
TEST(PageStructure, ChineseGridReadCellByCell) {
  json blocks = blocksOf("cnchar-table.png");
  std::vector<json> tables = ofKind(blocks, "table");
  ASSERT_EQ(1u, tables.size());
  const json& rows = tables[0]["rows"];
  // Twelve rows on the screen whole, the header first; the cut-off row below is no row.
  ASSERT_EQ(13u, rows.size());
  EXPECT_EQ(std::vector<size_t>(13, 6), rowLengths(tables[0]));
  EXPECT_EQ("名称", rows[0][0]);
  EXPECT_EQ("功能", rows[0][2]);
  EXPECT_EQ("支持\n版本", rows[0][3]);
  size_t yes = 0;
  for (const json& row : rows) {
    for (const json& cell : row) yes += cell == "是";
  }
  EXPECT_GE(yes, 18u);
  // The dash of a version not given, which the Chinese model reads as a Han
  // character when it reads it at all.
  EXPECT_EQ("-", rows[1][3]);
  EXPECT_EQ("cnchar-\ndraw", rows[5][0]);
  EXPECT_EQ("2.1+", rows[5][3]);
}

// A Korean page with a small grid of Hangul headers and English cells: the
// English cells the Korean model misreads alone are read by the Latin models.
TEST(PageStructure, EnglishCellsOfAKoreanGrid) {
  json blocks = blocksOf("korean-name-generator-table.png");
  EXPECT_TRUE(hasHeading(blocks, "다른 언어에서 사용하기"));
  EXPECT_TRUE(hasHeading(blocks, "라이센스"));
  std::vector<json> tables = ofKind(blocks, "table");
  ASSERT_EQ(1u, tables.size());
  EXPECT_EQ(std::vector<size_t>(3, 3), rowLengths(tables[0]));
  const json& rows = tables[0]["rows"];
  EXPECT_EQ(json::parse(R"(["환경", "리포지토리", "개발"])"), rows[0]);
  EXPECT_EQ(json::parse(R"(["Python", "korean-name-generator", "@tinyjin"])"), rows[1]);
  EXPECT_EQ("korname", rows[2][1]);
  EXPECT_EQ("@dfkdream", rows[2][2]);
}

// A Korean page in the dark look whose list items hold English inline code:
// the code comes out as written, glued to the Hangul around it; the title,
// behind a drawn bar, and two short headings the page layout leaves out are
// headings.
TEST(PageStructure, EnglishCodeInKoreanListItems) {
  json blocks = blocksOf("kor-lunar-top.png");
  EXPECT_TRUE(hasHeading(blocks, "kor-lunar"));
  EXPECT_TRUE(hasHeading(blocks, "특징"));
  EXPECT_TRUE(hasHeading(blocks, "설치"));
  std::vector<json> lists = ofKind(blocks, "list");
  ASSERT_GE(lists.size(), 1u);
  const json& items = lists[0]["items"];
  ASSERT_EQ(6u, items.size());
  const std::string second = items[1], third = items[2];
  EXPECT_NE(std::string::npos, second.find("(isLeapMonth 옵션)")) << second;
  EXPECT_NE(std::string::npos, third.find("(wolgeon)")) << third;
  EXPECT_EQ(json::parse("[0, 0, 0, 1, 0, 0]"), lists[0]["levels"]);
}

// A serif page whose table is framed by two rules, with underlined links in
// its first column and one cell struck through: fifteen rows of two cells,
// the links read without their underlines.
TEST(PageStructure, UnderlinedLinksInATableFramedByTwoRules) {
  json blocks = blocksOf("uuid-table.png");
  EXPECT_TRUE(hasHeading(blocks, "API Summary"));
  std::vector<json> tables = ofKind(blocks, "table");
  ASSERT_EQ(1u, tables.size());
  EXPECT_EQ(std::vector<size_t>(15, 2), rowLengths(tables[0]));
  const json& rows = tables[0]["rows"];
  EXPECT_EQ("uuid.parse()", rows[2][0]);
  EXPECT_EQ("uuid.v4()", rows[7][0]);
  EXPECT_EQ("\"Intentionally left blank\"", rows[12][1]);
  EXPECT_EQ("uuid.version()", rows[14][0]);
}

// A Chinese page of tables ruled between rows only, links in two columns:
// the blank after a closing bracket, where the Chinese model reads a full
// stop, parts the first column from the second all the same, and the file
// names are read by the Latin models.
TEST(PageStructure, ColumnsOfAChineseTableRuledBetweenRows) {
  json blocks = blocksOf("china-division-files.png");
  std::vector<json> tables = ofKind(blocks, "table");
  ASSERT_GE(tables.size(), 2u);
  EXPECT_EQ(std::vector<size_t>(6, 3), rowLengths(tables[0]));
  EXPECT_EQ(std::vector<size_t>(5, 3), rowLengths(tables[1]));
  const json& rows = tables[0]["rows"];
  EXPECT_EQ("provinces.csv", rows[1][2]);
  // The Chinese model drops the dots of these; the Latin ones read them.
  EXPECT_EQ("cities.json", rows[2][1]);
  EXPECT_EQ("streets.csv", rows[4][2]);
  const std::string first = rows[1][0];
  EXPECT_EQ(std::string::npos, first.find("province")) << first;
}

// A Korean serif page with a table ruled above, under its header and below:
// its Hangul rows are read as Hangul, so every row keeps its three cells.
TEST(PageStructure, KoreanSerifTableRowsStayHangul) {
  json blocks = blocksOf("slick-address-kr-compare.png");
  std::vector<json> tables = ofKind(blocks, "table");
  ASSERT_EQ(1u, tables.size());
  EXPECT_EQ(std::vector<size_t>(8, 3), rowLengths(tables[0]));
  const json& rows = tables[0]["rows"];
  EXPECT_EQ("팝업", rows[1][0]);
  EXPECT_EQ("없음", rows[1][1]);
  EXPECT_EQ("다음 의존", rows[6][2]);
}

// An English page whose code holds closing "})" lines, which fill their box
// as square type does: no East Asian model is loaded for them. The East
// Asian models stand as named pipes, so loading one would hang the run.
TEST(PageStructure, AnEnglishPageLoadsNoEastAsianModel) {
  const std::filesystem::path english = "/usr/share/tesseract-ocr/5/tessdata/eng.traineddata";
  if (!std::filesystem::exists(english)) GTEST_SKIP() << "needs the installed English model";
  TempFolder data("zuna-ocr-no-east-asian");
  std::filesystem::create_symlink(english, data.path() / "eng.traineddata");
  for (const char* name : {"chi_sim", "chi_tra", "jpn", "kor"}) {
    ASSERT_EQ(0, ::mkfifo((data.path() / (std::string(name) + ".traineddata")).c_str(), 0600));
  }
  RunOptions options;
  options.env = {"TESSDATA_PREFIX=" + data.path().string()};
  options.timeoutSeconds = 60;
  ProcessResult run = runProcess({ZUNA_OCR, kPages + "express-top.png"}, options);
  ASSERT_FALSE(run.timedOut) << "an East Asian model was loaded";
  EXPECT_EQ(0, run.status);
  json result = json::parse(run.out, nullptr, false);
  ASSERT_TRUE(result.is_object()) << run.out;
  EXPECT_TRUE(hasHeading(result["blocks"], "Table of contents"));
  EXPECT_TRUE(hasHeading(result["blocks"], "Installation"));
  EXPECT_EQ(1u, ofKind(result["blocks"], "list").size());
}

// The built zuna-ocr on committed images, with the real Tesseract.
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "run_process.h"
#include "temp_folder.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const std::string kImages = std::string(FIXTURES) + "/images/";

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The one JSON line of a run; fails the test when there is not exactly one.
json onlyLine(const ProcessResult& run) {
  EXPECT_FALSE(run.out.empty());
  EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
  return json::parse(run.out, nullptr, false);
}

std::u32string codePoints(const std::string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = s[i];
    int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    char32_t cp = len == 1 ? c : c & (0x3F >> (len - 1));
    for (int k = 1; k < len && i + k < s.size(); ++k) cp = (cp << 6) | (s[i + k] & 0x3F);
    i += len;
    if (cp == U' ' || cp == U'\n' || cp == U'\t') continue;  // spacing is not compared
    out += (cp >= U'A' && cp <= U'Z') ? cp + 32 : cp;
  }
  return out;
}

// 1 minus the edit distance over the longer length, ignoring case and spacing.
double similarity(const std::string& a, const std::string& b) {
  std::u32string x = codePoints(a), y = codePoints(b);
  std::vector<size_t> row(y.size() + 1);
  for (size_t j = 0; j <= y.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= x.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= y.size(); ++j) {
      size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] != y[j - 1])});
      diagonal = above;
    }
  }
  size_t longer = std::max(x.size(), y.size());
  return longer == 0 ? 1.0 : 1.0 - static_cast<double>(row[y.size()]) / longer;
}

std::vector<std::string> paragraphs(const std::string& image) {
  ProcessResult run = runProcess({ZUNA_OCR, kImages + image});
  EXPECT_EQ(0, run.status) << run.out;
  json result = onlyLine(run);
  std::vector<std::string> texts;
  for (const json& block : result.at("blocks")) {
    EXPECT_EQ("paragraph", block.at("kind"));
    EXPECT_EQ(3u, block.size()) << block.dump();  // kind, text, top only
    texts.push_back(block.at("text"));
  }
  return texts;
}

TEST(OcrCommand, WrongArgumentCountIsAUsageError) {
  for (auto args : {std::vector<std::string>{ZUNA_OCR},
                    std::vector<std::string>{ZUNA_OCR, "a.png", "b.png"}}) {
    ProcessResult run = runProcess(args);
    EXPECT_EQ(2, run.status);
    EXPECT_EQ("{\"error\":\"usage: zuna-ocr <png-path>\"}\n", run.out);
  }
}

// A run that hangs fails the test instead of blocking it.
RunOptions guarded(ChildStdout stdoutMode = ChildStdout::collected) {
  RunOptions options;
  options.stdoutMode = stdoutMode;
  options.timeoutSeconds = 60;
  return options;
}

TEST(OcrCommand, AReaderThatWentAwayLeavesTheExitStatusAsDocumented) {
  struct Case {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{ZUNA_OCR}, 2},
      {{ZUNA_OCR, "/no/such/file.png"}, 1},
      {{ZUNA_OCR, kImages + "blank.png"}, 0},
  };
  for (ChildStdout mode : {ChildStdout::readerClosed, ChildStdout::closed}) {
    for (const Case& c : cases) {
      ProcessResult run = runProcess(c.args, guarded(mode));
      EXPECT_FALSE(run.timedOut);
      EXPECT_EQ(c.status, run.status) << c.args.back() << (mode == ChildStdout::closed
                                                                ? " with stdout closed"
                                                                : " with no reader");
    }
  }
}

// Libraries complain on stderr, some while they load, before main: libgomp
// about malformed OMP_ variables, libpng about a cut-off file.
TEST(OcrCommand, LibraryComplaintsNeverReachStderr) {
  const std::string png = readFile(kImages + "one_paragraph.png");
  TempFolder folder("zuna-ocr-stderr");
  folder.write("cut.png", png.substr(0, png.size() / 2));
  RunOptions options = guarded();
  options.env = {"OMP_NUM_THREADS=many", "OMP_PROC_BIND=sideways", "OMP_DISPLAY_ENV=true"};
  for (const std::string& image : {folder / "cut.png", kImages + "blank.png"}) {
    ProcessResult run = runProcess({ZUNA_OCR, image}, options);
    EXPECT_EQ("", run.err) << image;
    EXPECT_EQ(1u, std::count(run.out.begin(), run.out.end(), '\n')) << run.out;
  }
}

class OcrBadInput : public ::testing::Test {
 protected:
  std::string write(const std::string& name, const std::string& bytes) {
    folder_.write(name, bytes);
    return folder_ / name;
  }

  TempFolder folder_{"zuna-ocr-bad"};
  const fs::path& dir_ = folder_.path();
};

std::string bigEndian(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

uint32_t crc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFF;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

// A PNG whose valid header claims a size far beyond any screen, with no pixels.
std::string hugePngHeader() {
  // Bit depth 8, greyscale, default compression, filter and interlace.
  const std::string format("\x08\x00\x00\x00\x00", 5);
  const std::string ihdr = "IHDR" + bigEndian(100000) + bigEndian(100000) + format;
  return std::string("\x89PNG\r\n\x1a\n", 8) + bigEndian(13) + ihdr + bigEndian(crc32(ihdr)) +
         bigEndian(0) + "IEND" + bigEndian(crc32("IEND"));
}

TEST_F(OcrBadInput, EachGivesOneErrorLineNamingThePath) {
  const std::string png = readFile(kImages + "one_paragraph.png");
  struct Case {
    std::string path;
    std::string words;
  } cases[] = {
      {(dir_ / "missing.png").string(), "no such file"},
      {dir_.string(), "folder"},
      {write("empty.png", ""), "empty"},
      {write("text.png", "just some text\n"), "not an image"},
      {write("doc.png", "%PDF-1.4\n%\xe2\xe3\n1 0 obj\n"), "not an image"},
      {write("truncated.png", png.substr(0, png.size() / 2)), "damaged"},
      {write("huge.png", hugePngHeader()), "100000x100000"},
      // 270 bytes whose text chunk claims 2 GB: libpng would allocate it.
      {write("claims.png", readFile(std::string(FUZZ_REGRESSIONS) + "/png_text_chunk_claims_2gb.png")),
       "damaged"},
  };
  for (const Case& c : cases) {
    ProcessResult run = runProcess({ZUNA_OCR, c.path});
    EXPECT_EQ(1, run.status) << c.path;
    json result = onlyLine(run);
    ASSERT_TRUE(result.is_object()) << run.out;
    ASSERT_EQ(1u, result.size()) << run.out;
    std::string error = result.value("error", "");
    EXPECT_NE(std::string::npos, error.find(c.path)) << error;
    EXPECT_NE(std::string::npos, error.find(c.words)) << error;
  }
}

TEST_F(OcrBadInput, FilesThatAreNotRegularAreRefusedWithoutWaiting) {
  const std::string fifo = (dir_ / "pipe.png").string();
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  struct Case {
    std::string path;
    std::string words;
  } cases[] = {
      {fifo, "named pipe"},
      {"/dev/zero", "device"},
      {dir_.string(), "folder"},
  };
  for (const Case& c : cases) {
    ProcessResult run = runProcess({ZUNA_OCR, c.path}, guarded());
    ASSERT_FALSE(run.timedOut) << c.path;
    EXPECT_EQ(1, run.status) << c.path;
    json result = onlyLine(run);
    std::string error = result.is_object() ? result.value("error", "") : "";
    EXPECT_NE(std::string::npos, error.find(c.path)) << error;
    EXPECT_NE(std::string::npos, error.find(c.words)) << error;
  }
}

// A file name is bytes; the line names it with U+FFFD where they are not UTF-8.
TEST_F(OcrBadInput, PathBytesThatAreNotUtf8) {
  const std::string missing = (dir_ / "gone\xff.png").string();
  ProcessResult run = runProcess({ZUNA_OCR, missing});
  EXPECT_EQ(1, run.status);
  json result = onlyLine(run);
  ASSERT_TRUE(result.is_object()) << run.out;
  EXPECT_NE(std::string::npos,
            result.value("error", "").find((dir_ / "gone\xEF\xBF\xBD.png").string()))
      << run.out;

  write("blank\xff\xfe.png", readFile(kImages + "blank.png"));
  run = runProcess({ZUNA_OCR, (dir_ / "blank\xff\xfe.png").string()});
  EXPECT_EQ(0, run.status) << run.out;
  EXPECT_EQ("{\"blocks\":[]}\n", run.out);
}

TEST_F(OcrBadInput, OddPathsAreReadAsPaths) {
  const std::string png = readFile(kImages + "blank.png");
  write("with space ünïcode.png", png);
  write("-dash.png", png);
  for (std::string name : {"with space ünïcode.png", "-dash.png"}) {
    ProcessResult run = runProcess({ZUNA_OCR, name}, {}, dir_.string());
    EXPECT_EQ(0, run.status) << name << " " << run.out;
    EXPECT_EQ("{\"blocks\":[]}\n", run.out) << name;
  }
}

TEST(OcrRecognition, UnusualImageFiles) {
  struct Case {
    const char* file;
    int status;
    const char* text;  // nullptr: no text expected
  } cases[] = {
      {"odd/one_pixel.png", 0, nullptr},          {"odd/animated.gif", 0, "First frame"},
      {"odd/deep16.png", 0, "Sixteen bits"},      {"odd/alpha.png", 0, "Transparent ground"},
      {"odd/cmyk.jpg", 0, "Printed in CMYK"},     {"odd/damaged.jpg", 1, nullptr},
  };
  for (const Case& c : cases) {
    ProcessResult run = runProcess({ZUNA_OCR, kImages + c.file});
    EXPECT_EQ(c.status, run.status) << c.file << " " << run.out;
    json result = onlyLine(run);
    ASSERT_TRUE(result.is_object()) << c.file;
    if (c.status != 0) {
      EXPECT_TRUE(result.contains("error")) << c.file;
      continue;
    }
    std::string all;
    for (const json& block : result["blocks"]) all += block.value("text", "");
    if (c.text) {
      EXPECT_GT(similarity(all, c.text), 0.9) << c.file << ": " << all;
    } else {
      EXPECT_EQ("", all) << c.file;
    }
  }
}

TEST(OcrRecognition, ParagraphsSplitAtBlankGaps) {
  auto one = paragraphs("one_paragraph.png");
  ASSERT_EQ(1u, one.size());
  EXPECT_GT(similarity(one[0],
                       "The quick brown fox jumps over the lazy dog.\n"
                       "Pack my box with five dozen liquor jugs.\n"
                       "How vexingly quick daft zebras jump."),
            0.95)
      << one[0];
  auto two = paragraphs("two_paragraphs.png");
  ASSERT_EQ(2u, two.size());
  EXPECT_GT(similarity(two[0], "Meeting notes from the design review.\n"
                               "Everyone agreed on the new layout."), 0.95) << two[0];
  EXPECT_GT(similarity(two[1], "Next steps are listed in the tracker.\n"
                               "Reviews happen every Thursday."), 0.95) << two[1];
}

// The installed trained data `name`, or an empty path.
fs::path installedModel(const std::string& name) {
  std::vector<fs::path> folders;
  if (const char* prefix = std::getenv("TESSDATA_PREFIX")) folders.push_back(prefix);
  folders.push_back("/usr/share/tesseract-ocr/5/tessdata");
  folders.push_back("/usr/share/tesseract-ocr/4.00/tessdata");
  for (const fs::path& folder : folders) {
    if (fs::exists(folder / (name + ".traineddata"))) return folder / (name + ".traineddata");
  }
  return {};
}

// German data stands in as the English model under German's name, beside the
// Korean model, which reads English as digits and symbols: the English page
// reads right only when an Austrian's or a Swiss user's German is kept.
TEST(OcrRecognition, RegionsOfAnInstalledLanguageKeepItsModel) {
  const fs::path english = installedModel("eng"), korean = installedModel("kor");
  if (english.empty() || korean.empty()) GTEST_SKIP() << "needs the eng and kor trained data";
  TempFolder data("zuna-ocr-tessdata");
  fs::create_symlink(english, data.path() / "deu.traineddata");
  fs::create_symlink(korean, data.path() / "kor.traineddata");
  for (const char* locale : {"de_AT.UTF-8", "de_CH"}) {
    ProcessResult run = runProcess({ZUNA_OCR, kImages + "one_paragraph.png"},
                                   {"TESSDATA_PREFIX=" + data.path().string(),
                                    std::string("LANGUAGE=") + locale});
    EXPECT_EQ(0, run.status) << locale << " " << run.out;
    json result = onlyLine(run);
    std::string all;
    if (result.is_object()) {
      for (const json& block : result["blocks"]) all += block.value("text", "") + "\n";
    }
    EXPECT_GT(similarity(all, "The quick brown fox jumps over the lazy dog.\n"
                              "Pack my box with five dozen liquor jugs.\n"
                              "How vexingly quick daft zebras jump."),
              0.95)
        << locale << ": " << all;
  }
}

TEST(OcrRecognition, ImageWithoutTextGivesNoBlocks) {
  EXPECT_TRUE(paragraphs("blank.png").empty());
}

TEST(OcrRecognition, SmallScreenshotTextAndDarkTheme) {
  auto shot = paragraphs("screenshot.png");
  ASSERT_EQ(3u, shot.size());
  EXPECT_GT(similarity(shot[0], "Settings - Notifications"), 0.9) << shot[0];
  EXPECT_GT(similarity(shot[1], "Show previews of new messages on the lock screen.\n"
                                "Play a sound when a message arrives from a contact."),
            0.9) << shot[1];
  EXPECT_GT(similarity(shot[2], "Quiet hours start at 22:00 and end at 07:00 every day.\n"
                                "Calls from favourites still ring during quiet hours."),
            0.9) << shot[2];
  auto dark = paragraphs("dark.png");
  ASSERT_EQ(1u, dark.size());
  EXPECT_GT(similarity(dark[0], "Dark themes are common on desktops.\n"
                                "Light text sits on a dark background."), 0.9) << dark[0];
}

json blocksOf(const std::string& image) {
  ProcessResult run = runProcess({ZUNA_OCR, kImages + image});
  EXPECT_EQ(0, run.status) << run.out;
  json result = onlyLine(run);
  return result.is_object() ? result["blocks"] : json::array();
}

std::vector<std::string> kindsOf(const json& blocks) {
  std::vector<std::string> kinds;
  for (const json& block : blocks) kinds.push_back(block["kind"]);
  return kinds;
}

TEST(OcrDocument, TitleParagraphsListsAndTables) {
  json blocks = blocksOf("document.png");
  ASSERT_EQ(std::vector<std::string>({"heading", "paragraph", "list", "paragraph", "list",
                                      "paragraph", "table", "paragraph", "table", "paragraph"}),
            kindsOf(blocks));
  EXPECT_GT(similarity(blocks[0]["text"], "Quarterly Planning"), 0.9);
  const json& bullets = blocks[2];
  EXPECT_FALSE(bullets["ordered"]);
  ASSERT_EQ(3u, bullets["items"].size());
  EXPECT_GT(similarity(bullets["items"][1], "• Move the build servers and the test machines to the new data centre "
                                            "before the end of the month"), 0.9)
      << bullets["items"][1];
  EXPECT_EQ(json::parse("[0,0,0]"), bullets["levels"]);
  const json& numbered = blocks[4];
  EXPECT_TRUE(numbered["ordered"]);
  EXPECT_EQ(json::parse("[0,0,1,1,0]"), numbered["levels"]);
  EXPECT_GT(similarity(numbered["items"][2], "a. Desktop"), 0.9);
  for (size_t t : {6u, 8u}) {
    ASSERT_EQ(4u, blocks[t]["rows"].size());
    for (const json& row : blocks[t]["rows"]) EXPECT_EQ(3u, row.size()) << row;
  }
  EXPECT_GT(similarity(blocks[6]["rows"][2][1], "30000"), 0.9);
  EXPECT_GT(similarity(blocks[8]["rows"][2][0], "Borealis"), 0.9);
  EXPECT_GT(similarity(blocks[8]["rows"][3][2], "09:15"), 0.9);
}

TEST(OcrDocument, TwoColumnsAndADarkScreenshot) {
  json columns = blocksOf("two_columns.png");
  ASSERT_EQ(std::vector<std::string>({"paragraph", "paragraph"}), kindsOf(columns));
  EXPECT_GT(similarity(columns[0]["text"], "The left column starts here and\nkeeps going for "
                                           "a few lines of\ntext about the morning plans."),
            0.9);
  json dark = blocksOf("dark_settings.png");
  ASSERT_EQ(std::vector<std::string>({"heading", "paragraph", "list"}), kindsOf(dark));
  EXPECT_GT(similarity(dark[0]["text"], "Privacy"), 0.9);
  EXPECT_EQ(3u, dark[2]["items"].size());
  EXPECT_FALSE(dark[2]["ordered"]);
}

// The side bar's entries make a menu, a list of their own.
TEST(OcrDocument, DarkSidebarOnALightPageIsRead) {
  std::string all;
  size_t menus = 0;
  for (const json& block : blocksOf("dark_sidebar.png")) {
    all += block.value("text", "") + "\n";
    if (block["kind"] != "list") continue;
    ++menus;
    for (const json& item : block["items"]) all += item.get<std::string>() + "\n";
  }
  EXPECT_EQ(1u, menus);
  for (const char* entry : {"Inbox", "Drafts", "Sent", "Archive", "Spam", "Trash",
                            "Welcome back"}) {
    EXPECT_NE(std::string::npos, all.find(entry)) << entry << " missing from:\n" << all;
  }
}

TEST(OcrRecognition, TinyTypeIsReadAfterUpscaling) {
  auto tiny = paragraphs("small_text.png");
  ASSERT_EQ(1u, tiny.size());
  EXPECT_GT(similarity(tiny[0], "Small print matters in settings dialogs.\n"
                                "Tiny labels still need to be read correctly."), 0.97) << tiny[0];
}

TEST(OcrRecognition, EastAsianScriptsAreReadInTheirLanguage) {
  struct Case {
    const char* image;
    const char* text;
  } cases[] = {
      {"chinese_simplified.png", "今天下午三点在会议室开会。请大家准时参加并带上电脑。"},
      {"chinese_traditional.png", "今天下午三點在會議室開會。請大家準時參加並帶上電腦。"},
      {"japanese.png", "明日の会議は午後三時から始まります。資料を忘れずに持ってきてください。"},
      {"korean.png", "내일 회의는 오후 세 시에 시작합니다. 자료를 꼭 가져오세요."},
      {"mixed_en_zh.png", "Project status report for this week.项目进度良好，下周发布新版本。"
                          "All tests pass on the build server."},
  };
  for (const Case& c : cases) {
    auto texts = paragraphs(c.image);
    ASSERT_EQ(1u, texts.size()) << c.image;
    EXPECT_GT(similarity(texts[0], c.text), 0.85) << c.image << ": " << texts[0];
  }
}

}  // namespace

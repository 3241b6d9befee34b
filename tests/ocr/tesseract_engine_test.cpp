// The real Tesseract engine on committed images.
#include "tesseract_engine.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace {

const std::string kImages = std::string(FIXTURES) + "/images/";

TEST(TesseractEngine, ReportsTheInstalledLanguagesAsFullTags) {
  auto engine = makeTesseractEngine();
  std::vector<std::string> tags = engine->supportedLanguages();
  for (const char* tag : {"en-US", "zh-Hans", "zh-Hant", "ja-JP", "ko-KR"}) {
    EXPECT_NE(tags.end(), std::find(tags.begin(), tags.end(), tag)) << tag;
  }
  EXPECT_EQ(tags.end(), std::find(tags.begin(), tags.end(), "osd"));
  EXPECT_TRUE(engine->supportsDocumentStructure());  // Tesseract 5
}

TEST(TesseractEngine, LineBoxesAreNormalizedWithTheOriginLowerLeft) {
  auto engine = makeTesseractEngine();
  RecognitionOptions options;
  options.languages = {"en-US"};
  std::vector<RecognizedLine> lines;
  std::string err;
  ASSERT_TRUE(engine->recognizeLines(kImages + "one_paragraph.png", options, &lines, &err)) << err;
  ASSERT_EQ(3u, lines.size());
  // The image is 130 px high with a 24 px margin: the first line starts near the top.
  EXPECT_NEAR(1 - 24.0 / 130, lines[0].box.maxY(), 0.05);
  EXPECT_GT(lines[0].box.minY(), lines[1].box.maxY() - 0.01);
  EXPECT_GT(lines[1].box.minY(), lines[2].box.maxY() - 0.01);
  EXPECT_NEAR(24.0 / 550, lines[0].box.minX(), 0.02);
  for (const RecognizedLine& line : lines) {
    EXPECT_GT(line.confidence, 80) << line.text;
    EXPECT_TRUE(line.box.minY() >= 0 && line.box.maxY() <= 1);
  }
}

TEST(TesseractEngine, UnknownTagsAreDroppedAndDetectionCanBeOff) {
  auto engine = makeTesseractEngine();
  std::vector<RecognizedLine> lines;
  std::string err;
  RecognitionOptions unknownOnly;
  unknownOnly.languages = {"xx-YY", "tlh"};
  ASSERT_TRUE(engine->recognizeLines(kImages + "one_paragraph.png", unknownOnly, &lines, &err));
  EXPECT_EQ(3u, lines.size());

  // Without detection every wanted model reads every line: Korean is still read.
  RecognitionOptions joined;
  joined.languages = {"en-US", "ko-KR"};
  joined.automaticLanguageDetection = false;
  ASSERT_TRUE(engine->recognizeLines(kImages + "korean.png", joined, &lines, &err)) << err;
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(std::string::npos, lines[0].text.find("오후")) << lines[0].text;
}

}  // namespace

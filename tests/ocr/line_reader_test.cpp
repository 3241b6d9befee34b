#include "line_reader.h"

#include <gtest/gtest.h>

#include "fake_engine.h"

namespace {

std::vector<std::string> texts(const std::vector<Block>& blocks) {
  std::vector<std::string> out;
  for (const Block& b : blocks) out.push_back(b.text.value_or("<none>"));
  return out;
}

TEST(GroupLines, OneLineIsOneParagraphAtItsUpperEdge) {
  auto blocks = groupLines({lineAt("Hello", 0.70, 0.75)});
  ASSERT_EQ(1u, blocks.size());
  EXPECT_EQ("paragraph", blocks[0].kind);
  EXPECT_EQ("Hello", blocks[0].text);
  EXPECT_DOUBLE_EQ(0.25, blocks[0].top);
  EXPECT_FALSE(blocks[0].ordered || blocks[0].items || blocks[0].levels || blocks[0].rows);
}

TEST(GroupLines, GapRuleAgainstTheUpperLinesHeight) {
  // 0.5 - 0.3 and 0.8 x 0.25 are the same double, so the first case is an exact tie.
  struct Case {
    const char* name;
    std::vector<RecognizedLine> lines;
    std::vector<std::string> expected;
  } cases[] = {
      {"gap of exactly 0.8 heights joins",
       {lineAt("a", 0.5, 0.75), lineAt("b", 0.1, 0.3)}, {"a\nb"}},
      {"gap just over 0.8 heights splits",
       {lineAt("a", 0.5, 0.75), lineAt("b", 0.1, 0.2999)}, {"a", "b"}},
      {"tall line then small line: judged by the tall one",
       {lineAt("big", 0.5, 0.9), lineAt("small", 0.2, 0.25)}, {"big\nsmall"}},
      {"small line then tall line: judged by the small one",
       {lineAt("small", 0.85, 0.9), lineAt("big", 0.3, 0.7)}, {"small", "big"}},
      {"overlapping lines never split",
       {lineAt("a", 0.5, 0.9), lineAt("b", 0.45, 0.95)}, {"b\na"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, texts(groupLines(c.lines))) << c.name;
  }
}

TEST(GroupLines, OrdersByUpperEdgeOnlyAndKeepsEngineOrderOnTies) {
  auto blocks = groupLines({lineAt("low", 0.1, 0.2), lineAt("left", 0.7, 0.8),
                            lineAt("right", 0.72, 0.8), lineAt("high", 0.85, 0.95)});
  EXPECT_EQ(std::vector<std::string>({"high\nleft\nright", "low"}), texts(blocks));
  EXPECT_DOUBLE_EQ(1 - 0.95, blocks[0].top);
  EXPECT_DOUBLE_EQ(1 - 0.2, blocks[1].top);
}

TEST(GroupLines, EmptyReadingsAreSkippedButSpacesAreText) {
  // The empty line sits between the two and would split them if counted.
  auto blocks = groupLines(
      {lineAt("a", 0.8, 0.9), lineAt("", 0.6, 0.7), lineAt(" ", 0.45, 0.55)});
  EXPECT_EQ(std::vector<std::string>({"a", " "}), texts(blocks));
  EXPECT_TRUE(groupLines({}).empty());
  EXPECT_TRUE(groupLines({lineAt("", 0.1, 0.2)}).empty());
}

TEST(ReadLines, HandsTheLanguagesAndSettingsToTheEngine) {
  FakeEngine engine;
  engine.lines = {lineAt("x", 0.1, 0.2)};
  std::vector<Block> blocks;
  std::string err;
  ASSERT_TRUE(readLines(engine, "/tmp/a b.png", {"de-DE", "en-US"}, &blocks, &err));
  EXPECT_EQ(std::vector<std::string>({"/tmp/a b.png"}), engine.askedPaths);
  EXPECT_EQ(std::vector<std::string>({"de-DE", "en-US"}), engine.askedOptions.languages);
  EXPECT_TRUE(engine.askedOptions.languageCorrection);
  EXPECT_TRUE(engine.askedOptions.automaticLanguageDetection);
  EXPECT_EQ(1u, blocks.size());
}

TEST(ReadLines, PassesTheEngineErrorUnchanged) {
  FakeEngine engine;
  engine.failure = "cannot read the image \"/x/y.png\": there is no such file";
  std::vector<Block> blocks;
  std::string err;
  EXPECT_FALSE(readLines(engine, "/x/y.png", {}, &blocks, &err));
  EXPECT_EQ(engine.failure, err);
  EXPECT_TRUE(blocks.empty());
}

}  // namespace

#include "document_reader.h"

#include <gtest/gtest.h>

#include "fake_engine.h"

namespace {

using Levels = std::vector<std::int64_t>;

ListElement listOf(std::vector<std::optional<MarkerType>> markers, double top = 0.5) {
  ListElement list;
  for (size_t i = 0; i < markers.size(); ++i) {
    list.items.push_back({"item " + std::to_string(i), markers[i]});
  }
  list.region = {0.1, 1 - top - 0.1, 0.5, 0.1};
  return list;
}

Block onlyList(ListElement list) {
  DocumentContainer c;
  c.lists.push_back(std::move(list));
  auto blocks = documentBlocks({c});
  EXPECT_EQ(1u, blocks.size());
  return blocks.at(0);
}

TEST(DocumentReader, ListOrderAndLevels) {
  using M = MarkerType;
  struct Case {
    std::vector<std::optional<MarkerType>> markers;
    bool ordered;
    Levels levels;
  } cases[] = {
      {{M::decimal, M::decimal, M::lowercaseLatin, M::decimal}, true, {0, 0, 1, 0}},
      {{std::nullopt, M::decimal}, true, {0, 1}},
      {{std::nullopt, std::nullopt}, false, {0, 0}},
      {{M::bullet, M::hyphen, M::bullet}, false, {0, 1, 0}},
      {{M::uppercaseRoman, M::uppercaseRoman}, true, {0, 0}},
      {{M::decorativeDecimal}, true, {0}},
      {{M::compositeDecimal, M::asterisk}, true, {0, 1}},
      {{}, false, {}},
  };
  for (const Case& c : cases) {
    Block list = onlyList(listOf(c.markers));
    EXPECT_EQ("list", list.kind);
    EXPECT_EQ(c.ordered, list.ordered.value());
    EXPECT_EQ(c.levels, list.levels.value());
    EXPECT_EQ(c.markers.size(), list.items->size());
  }
}

TEST(DocumentReader, BlocksPerContainerInOrder) {
  DocumentContainer first;
  first.title = TextElement{"Title", {0.1, 0.8, 0.5, 0.1}};
  first.paragraphs = {{"  • kept as is", {0.1, 0.6, 0.5, 0.1}}, {"title", {0.1, 0.5, 0.5, 0.1}}};
  first.lists = {listOf({MarkerType::bullet}, 0.85)};
  first.tables = {{{{{" a", {}}, {"b", {}}}, {}}, {0.1, 0.0, 0.5, 0.1}}, {{}, {0.1, 0.2, 0.1, 0.1}}};
  DocumentContainer second;
  second.paragraphs = {{"title", {0.1, 0.5, 0.5, 0.1}}};  // judged only against its own heading
  auto blocks = documentBlocks({first, second});
  std::vector<std::string> kinds;
  for (const Block& b : blocks) kinds.push_back(b.kind);
  EXPECT_EQ(std::vector<std::string>({"heading", "paragraph", "list", "table", "table",
                                      "paragraph"}),
            kinds);
  EXPECT_EQ("  • kept as is", blocks[1].text);
  EXPECT_DOUBLE_EQ(1 - 0.9, blocks[0].top);
  EXPECT_EQ(std::vector<std::vector<std::string>>({{" a", "b"}, {}}), blocks[3].rows);
  EXPECT_TRUE(blocks[4].rows->empty());
  EXPECT_TRUE(documentBlocks({}).empty());
}

TEST(DocumentReader, LanguagesNarrowedByMaximalIdentifier) {
  const std::vector<std::string> supported = {"en-US", "zh-Hans", "ja-JP"};
  EXPECT_EQ(std::vector<std::string>({"en", "en-US", "zh-Hans", "ja-JP"}),
            narrowLanguages({"en", "de-DE", "en-US", "zh-Hans", "zh-Hant", "ja-JP", "ko-KR"},
                            supported));
  EXPECT_EQ(std::vector<std::string>({"zh-CN"}), narrowLanguages({"zh-CN", "zh-TW"}, supported));
  EXPECT_TRUE(narrowLanguages({"en-US"}, {}).empty());

  FakeEngine engine;
  engine.supported = {"ko-KR"};
  std::vector<Block> blocks;
  std::string err;
  ASSERT_TRUE(readDocument(engine, "x.png", {"en-US", "fr"}, &blocks, &err));
  EXPECT_TRUE(engine.askedOptions.languages.empty());  // set all the same, empty
  EXPECT_TRUE(engine.askedOptions.automaticLanguageDetection);
  EXPECT_TRUE(engine.askedOptions.languageCorrection);
  engine.failure = "cannot read the image \"x.png\": there is no such file";
  EXPECT_FALSE(readDocument(engine, "x.png", {}, &blocks, &err));
  EXPECT_EQ(engine.failure, err);
}

}  // namespace

#include "emit.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "json_line.h"

namespace {

Block paragraphAt(std::string text, double top) {
  return Block("paragraph", std::move(text), std::nullopt, std::nullopt, std::nullopt,
               std::nullopt, top);
}

TEST(BlocksLine, StableSortByTop) {
  std::string line = blocksLine({paragraphAt("c", 0.5), paragraphAt("a", 0.25),
                                 paragraphAt("b", 0.5), paragraphAt("d", 0.75)});
  EXPECT_EQ(
      "{\"blocks\":[{\"kind\":\"paragraph\",\"text\":\"a\",\"top\":0.25},"
      "{\"kind\":\"paragraph\",\"text\":\"c\",\"top\":0.5},"
      "{\"kind\":\"paragraph\",\"text\":\"b\",\"top\":0.5},"
      "{\"kind\":\"paragraph\",\"text\":\"d\",\"top\":0.75}]}\n",
      line);
}

TEST(BlocksLine, EmptyListAndAbsentFields) {
  EXPECT_EQ("{\"blocks\":[]}\n", blocksLine({}));
  Block list("list", std::nullopt, false, std::vector<std::string>{},
             std::vector<std::int64_t>{}, std::nullopt, 0);
  EXPECT_EQ(
      "{\"blocks\":[{\"items\":[],\"kind\":\"list\",\"levels\":[],\"ordered\":false,"
      "\"top\":0}]}\n",
      blocksLine({list}));
  Block table("table", std::nullopt, std::nullopt, std::nullopt, std::nullopt,
              std::vector<std::vector<std::string>>{{"a", "b"}, {}}, 0.5);
  EXPECT_EQ("{\"blocks\":[{\"kind\":\"table\",\"rows\":[[\"a\",\"b\"],[]],\"top\":0.5}]}\n",
            blocksLine({table}));
}

TEST(BlocksLine, EscapingKeepsOneLine) {
  std::string line = blocksLine({paragraphAt("a/b \"q\" \\ \n\tÄ 日本", 0)});
  EXPECT_EQ(
      "{\"blocks\":[{\"kind\":\"paragraph\",\"text\":\"a\\/b \\\"q\\\" \\\\ \\n\\tÄ 日本\","
      "\"top\":0}]}\n",
      line);
}

TEST(BlocksLine, TopKeepsEveryDigit) {
  const double top = 0.1 + 0.2;  // 0.30000000000000004
  std::string line = blocksLine({paragraphAt("x", top)});
  auto parsed = nlohmann::json::parse(line);
  EXPECT_EQ(top, parsed["blocks"][0]["top"].get<double>());
}

TEST(BlocksLine, UnencodableBlocksGiveTheEncodeError) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (double top : {nan, inf, -inf}) {
    EXPECT_EQ("{\"error\":\"encode\"}\n",
              blocksLine({paragraphAt("fine", 0.1), paragraphAt("bad", top)}))
        << top;
  }
  EXPECT_EQ("{\"error\":\"encode\"}\n", blocksLine({paragraphAt("bad \xff\xfe utf-8", 0.1)}));
}

TEST(ErrorObject, InvalidBytesOfAPathAreReplacedSoTheLineIsWritten) {
  EXPECT_EQ("{\"error\":\"cannot read \\\"\\/tmp\\/a\xEF\xBF\xBD\xEF\xBF\xBDé.png\\\"\"}\n",
            jsonLine(errorObject("cannot read \"/tmp/a\xff\xc3\xc3\xa9.png\"")).value_or("none"));
  EXPECT_EQ("{\"error\":\"usage: zuna-ocr <png-path>\"}\n",
            jsonLine(errorObject("usage: zuna-ocr <png-path>")).value_or("none"));
}

}  // namespace

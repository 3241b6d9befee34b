#include "json_line.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

using nlohmann::json;

TEST(JsonLine, CompactEscapedOneLine) {
  json value = {{"b", {1, -2, 3.5, true, nullptr}},
                {"a", "quote\" back\\ slash/ nl\n cr\r tab\t bell\x07 ä 日本 😀"},
                {"k/ey", json::object()},
                {"e", json::array()}};
  EXPECT_EQ(
      "{\"a\":\"quote\\\" back\\\\ slash\\/ nl\\n cr\\r tab\\t bell\\u0007 ä 日本 😀\","
      "\"b\":[1,-2,3.5,true,null],\"e\":[],\"k\\/ey\":{}}\n",
      jsonLine(value).value());
}

TEST(JsonLine, NumbersReadBackExactly) {
  for (double d : {0.1 + 0.2, 1e-7, 123456789.125, -0.0, 5e300, 0.05384615384615377}) {
    auto line = jsonLine(json{{"x", d}});
    ASSERT_TRUE(line);
    EXPECT_EQ(d, json::parse(*line)["x"].get<double>()) << *line;
  }
  EXPECT_EQ("[9223372036854775807,18446744073709551615,-9223372036854775808]\n",
            jsonLine(json{std::numeric_limits<std::int64_t>::max(),
                          std::numeric_limits<std::uint64_t>::max(),
                          std::numeric_limits<std::int64_t>::min()})
                .value());
}

TEST(JsonLine, NoTextForNonFiniteNumbersOrInvalidUtf8) {
  EXPECT_FALSE(jsonLine(json{{"a", {1, NAN}}}));
  EXPECT_FALSE(jsonLine(json{{"a", std::numeric_limits<double>::infinity()}}));
  EXPECT_FALSE(jsonLine(json{{"a", "bad \xff byte"}}));
  EXPECT_FALSE(jsonLine(json{{"bad \xc3", 1}}));
  EXPECT_FALSE(jsonLine(json{{"a", "cut \xe6\x97"}}));
  EXPECT_TRUE(jsonLine(json{{"a", std::string("nul\0inside", 10)}}));
}

TEST(JsonLine, PiecesAppendedAsTheLineWritesThemOrNothing) {
  std::string out = "[";
  EXPECT_TRUE(appendJsonString("a/\"b\"\x01", &out));
  EXPECT_TRUE(appendJson(json{{"k", {1, "x/y"}}}, &out));
  EXPECT_EQ("[\"a\\/\\\"b\\\"\\u0001\"{\"k\":[1,\"x\\/y\"]}", out);
  EXPECT_FALSE(appendJsonString("bad \xff", &out));
  EXPECT_FALSE(appendJson(json{{"a", "ok"}, {"b", "bad \xff"}}, &out));
  EXPECT_EQ("[\"a\\/\\\"b\\\"\\u0001\"{\"k\":[1,\"x\\/y\"]}", out);
}

}  // namespace

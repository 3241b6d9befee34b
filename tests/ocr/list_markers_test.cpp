#include "list_markers.h"

#include <gtest/gtest.h>

namespace {

TEST(ListMarkers, KindsOfMarkers) {
  using M = MarkerType;
  struct Case {
    const char* word;
    std::optional<MarkerType> type;
  } cases[] = {
      {"•", M::bullet},       {"◦", M::hollowBullet},    {"▪", M::squareBullet},
      {"‣", M::triangleBullet}, {"●", M::bullet},
      {"-", M::hyphen},       {"–", M::hyphen},          {"—", M::hyphen},
      {"*", M::asterisk},     {"1.", M::decimal},        {"12)", M::decimal},
      {"(3)", M::decimal},    {"a.", M::lowercaseLatin}, {"b)", M::lowercaseLatin},
      {"(c)", M::lowercaseLatin}, {"B.", M::uppercaseLatin}, {"iv.", M::lowercaseRoman},
      {"i)", M::lowercaseRoman},  {"XII.", M::uppercaseRoman}, {"①", M::decorativeDecimal},
      {"❶", M::decorativeDecimal}, {"1.2", M::compositeDecimal}, {"2.3.1.", M::compositeDecimal},
      {"Hello", std::nullopt}, {"1999", std::nullopt}, {"ab.", std::nullopt},
      {"1.", M::decimal},     {"", std::nullopt},        {"1..2", std::nullopt},
      {"(1", std::nullopt},   {"1234.", std::nullopt},   {".", std::nullopt},
      {"4,", M::decimal},     {"3、", M::decimal},       {"2．", M::decimal},
      {"4,", M::decimal},     {"a,", std::nullopt},      {"e", std::nullopt},
  };
  for (const Case& c : cases) {
    auto type = markerTypeOf(c.word);
    EXPECT_EQ(c.type.has_value(), type.has_value()) << c.word;
    if (c.type && type) {
      EXPECT_EQ(static_cast<int>(*c.type), static_cast<int>(*type)) << c.word;
    }
  }
}

TEST(ListMarkers, MisreadBulletsAreOnlyCandidates) {
  for (const char* word : {"+", "°", "©", "e", "o", "«"}) {
    EXPECT_TRUE(isMisreadBullet(word)) << word;
    EXPECT_FALSE(markerTypeOf(word)) << word;
  }
  EXPECT_FALSE(isMisreadBullet("eo"));
  EXPECT_FALSE(isMisreadBullet("•"));
}

}  // namespace

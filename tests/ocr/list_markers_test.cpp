#include "list_markers.h"

#include <gtest/gtest.h>

namespace {

TEST(ListMarkers, KindsOfMarkers) {
  using M = MarkerType;
  struct Case {
    const char* word;
    std::optional<MarkerType> type;
  } cases[] = {
      {"•", M::bullet},       {"◦", M::bullet},          {"▪", M::bullet},
      {"-", M::hyphen},       {"–", M::hyphen},          {"—", M::hyphen},
      {"*", M::asterisk},     {"1.", M::decimal},        {"12)", M::decimal},
      {"(3)", M::decimal},    {"a.", M::lowercaseLatin}, {"b)", M::lowercaseLatin},
      {"(c)", M::lowercaseLatin}, {"B.", M::uppercaseLatin}, {"iv.", M::lowercaseRoman},
      {"i)", M::lowercaseRoman},  {"XII.", M::uppercaseRoman}, {"①", M::decorativeDecimal},
      {"❶", M::decorativeDecimal}, {"1.2", M::compositeDecimal}, {"2.3.1.", M::compositeDecimal},
      {"Hello", std::nullopt}, {"1999", std::nullopt}, {"ab.", std::nullopt},
      {"1.", M::decimal},     {"", std::nullopt},        {"1..2", std::nullopt},
      {"(1", std::nullopt},   {"1234.", std::nullopt},   {".", std::nullopt},
  };
  for (const Case& c : cases) {
    auto type = markerTypeOf(c.word);
    EXPECT_EQ(c.type.has_value(), type.has_value()) << c.word;
    if (c.type && type) {
      EXPECT_EQ(static_cast<int>(*c.type), static_cast<int>(*type)) << c.word;
    }
  }
}

}  // namespace

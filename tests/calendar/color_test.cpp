#include "color.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

TEST(HexColor, ClampScaleRoundFormat) {
  struct Case {
    Rgb color;
    const char* expected;
  } cases[] = {
      {{1.0, 0.5, 0.0}, "#FF8000"},
      {{0.25, 0.75, 0.5}, "#40BF80"},
      {{1.2, -0.1, 0.99}, "#FF00FC"},
      {{NAN, 0, 1}, "#FF00FF"},
      {{0.2, 0.4, 0.6}, "#336699"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, hexColor(c.color).value_or("none")) << c.expected;
  }
  EXPECT_FALSE(hexColor(std::nullopt));
}

}  // namespace

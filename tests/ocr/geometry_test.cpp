#include "geometry.h"

#include <gtest/gtest.h>

namespace {

TEST(Geometry, PixelBoxFlipsToLowerLeftOrigin) {
  // A box in the top quarter of a 200x100 image.
  NormalizedRect r = normalizePixelBox(50, 0, 150, 25, 200, 100);
  EXPECT_DOUBLE_EQ(0.25, r.minX());
  EXPECT_DOUBLE_EQ(0.75, r.maxX());
  EXPECT_DOUBLE_EQ(0.75, r.minY());
  EXPECT_DOUBLE_EQ(1.0, r.maxY());
  EXPECT_DOUBLE_EQ(0.25, r.height);
  EXPECT_DOUBLE_EQ(0.875, r.midY());
}

TEST(Geometry, ContainsIsHalfOpen) {
  NormalizedRect r{0.25, 0.25, 0.5, 0.5};
  EXPECT_TRUE(r.contains(0.25, 0.25));
  EXPECT_TRUE(r.contains(0.5, 0.5));
  EXPECT_FALSE(r.contains(0.75, 0.5));
  EXPECT_FALSE(r.contains(0.5, 0.75));
  EXPECT_FALSE(r.contains(0.2, 0.5));
}

}  // namespace

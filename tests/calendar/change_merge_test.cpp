#include "change_merge.h"

#include <gtest/gtest.h>

namespace {

using std::chrono::milliseconds;
using Clock = ChangeBurst::Clock;

TEST(ChangeBurst, OneCallOnceQuietAtMostTheLongestAfterTheFirst) {
  const Clock::time_point t0{};
  ChangeBurst burst(MergeWindow{milliseconds(150), milliseconds(400)});
  EXPECT_FALSE(burst.pending());
  EXPECT_FALSE(burst.take(t0));

  burst.add(t0);
  EXPECT_EQ(t0 + milliseconds(150), burst.due());
  EXPECT_FALSE(burst.take(t0 + milliseconds(149)));
  // A change every 100 ms: the call comes 400 ms after the first, not later.
  for (int ms = 100; ms <= 390; ms += 100) burst.add(t0 + milliseconds(ms));
  EXPECT_EQ(t0 + milliseconds(400), burst.due());
  EXPECT_FALSE(burst.take(t0 + milliseconds(399)));
  EXPECT_TRUE(burst.take(t0 + milliseconds(400)));
  EXPECT_FALSE(burst.pending());
  EXPECT_FALSE(burst.take(t0 + milliseconds(1000)));

  // The next burst counts from its own first change.
  burst.add(t0 + milliseconds(1000));
  EXPECT_EQ(t0 + milliseconds(1150), burst.due());
}

}  // namespace

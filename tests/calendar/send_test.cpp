#include "send.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

TEST(WidenOutputPipe, APipeGrowsAnythingElseIsLeftAlone) {
  int fds[2];
  ASSERT_EQ(0, ::pipe(fds));
  const int before = ::fcntl(fds[1], F_GETPIPE_SZ);
  widenOutputPipe(fds[1]);
  EXPECT_GT(::fcntl(fds[1], F_GETPIPE_SZ), before);
  ::close(fds[0]);
  ::close(fds[1]);
  const int null = ::open("/dev/null", O_WRONLY);
  widenOutputPipe(null);
  EXPECT_EQ(1, ::write(null, "x", 1));
  ::close(null);
}

}  // namespace

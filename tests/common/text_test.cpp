#include "text.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, CaseMappingTouchesAsciiLettersOnly) {
  EXPECT_EQ("ann@example.org", lowerAscii("Ann@EXAMPLE.org"));
  EXPECT_EQ("ACCEPTED", upperAscii("accepted"));
  EXPECT_EQ("\xC3\x84i", lowerAscii("\xC3\x84I"));  // Ä stays as its bytes
}

TEST(Text, TrimmingAndSplitting) {
  EXPECT_EQ("a b", trimmed(" \ta b\r\n"));
  EXPECT_EQ("", trimmed(" \t "));
  EXPECT_EQ("x", trimmed("\"x\"", "\""));
  EXPECT_EQ((std::vector<std::string>{"a", "", "b", ""}), splitAt("a::b:", ':'));
  EXPECT_EQ(std::vector<std::string>{""}, splitAt("", ':'));
}

}  // namespace

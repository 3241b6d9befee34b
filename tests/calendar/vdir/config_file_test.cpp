#include "vdir/config_file.h"

#include <map>

#include <gtest/gtest.h>

namespace {

TEST(ConfigFile, SectionsNestAndOddLinesAreSkipped) {
  auto entries = readConfigEntries(
      "top = 1\n# comment\n; other comment\n[calendars]\n  [[home]]\n  path = ~/cal \r\n"
      "no equals sign here\n= no key\n[[work]]\ncolor=dark red\n[locale]\nfirstweekday = 0\n"
      "[broken\nkey = after a broken header\n");
  ASSERT_EQ(5u, entries.size());
  EXPECT_TRUE(entries[0].sections.empty());
  EXPECT_EQ((std::vector<std::string>{"calendars", "home"}), entries[1].sections);
  EXPECT_EQ("path", entries[1].key);
  EXPECT_EQ("~/cal", entries[1].value);
  EXPECT_EQ((std::vector<std::string>{"calendars", "work"}), entries[2].sections);
  EXPECT_EQ("dark red", entries[2].value);
  EXPECT_EQ(std::vector<std::string>{"locale"}, entries[3].sections);
  EXPECT_EQ(std::vector<std::string>{"locale"}, entries[4].sections);  // "[broken" is no header
  EXPECT_EQ("after a broken header", entries[4].value);
}

TEST(ConfigFile, ValuesLoseQuotesAndComments) {
  EXPECT_EQ("a # b", unquoteValue("\"a # b\" # comment"));
  EXPECT_EQ("single", unquoteValue("'single'"));
  EXPECT_EQ("plain", unquoteValue("plain   # comment"));
  EXPECT_EQ("two words", unquoteValue(" two words\t#c"));
  EXPECT_EQ("#ff0000", unquoteValue("#ff0000 # red"));
  EXPECT_EQ("a#b", unquoteValue("a#b"));
  EXPECT_EQ("\"unclosed", unquoteValue("\"unclosed"));
}

TEST(ConfigFile, PathsExpandHomeAndVariables) {
  std::map<std::string, std::string> vars = {{"HOME", "/home/ann"}, {"DATA", "/srv/data"}};
  EnvLookup env = [&](const char* name) -> const char* {
    auto it = vars.find(name);
    return it == vars.end() ? nullptr : it->second.c_str();
  };
  EXPECT_EQ("/home/ann/.calendars/*", expandPath("~/.calendars/*", env));
  EXPECT_EQ("/home/ann", expandPath("~", env));
  EXPECT_EQ("~ann/x", expandPath("~ann/x", env));
  EXPECT_EQ("/srv/data/cal", expandPath("$DATA/cal", env));
  EXPECT_EQ("/srv/data_x", expandPath("${DATA}_x", env));
  EXPECT_EQ("$UNSET/x ${UNSET} ${open", expandPath("$UNSET/x ${UNSET} ${open", env));
  EXPECT_EQ("cost$", expandPath("cost$", env));
}

}  // namespace

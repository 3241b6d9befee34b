#include "text_keys.h"

#include <gtest/gtest.h>

namespace {

TEST(Plain, TrimsOneMarkerFoldsSpaceAndLowercases) {
  struct Case {
    const char* text;
    const char* key;
  } cases[] = {
      {"  • Fresh   Apples\n", "fresh apples"},
      {"—Note", "note"},
      {"** note", "* note"},
      {"-5 °C", "5 °c"},
      {"1. Intro", "1. intro"},
      {"\u00a0\u2003‣\u2028Tab\tand\u3000Ideographic\u2029", "tab and ideographic"},
      {"\n• Title", "title"},
      {"ÄÖÜ İSTANBUL", "äöü i̇stanbul"},  // root locale: dotted capital I keeps its dot
      {"   ", ""},
      {"", ""},
      {"·", ""},
      {"– – twice", "– twice"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.key, plain(c.text)) << c.text;
}

TEST(Plain, CanonicallyEquivalentKeysMatchOnceCanonical) {
  const std::string composed = plain("Café");
  const std::string decomposed = plain("Cafe\u0301");
  EXPECT_NE(composed, decomposed);
  EXPECT_EQ(canonicalKey(composed), canonicalKey(decomposed));
}

TEST(BeginsWithMarker, SpacesButNotLineBreaksAreSkipped) {
  EXPECT_TRUE(beginsWithMarker("• Overview"));
  EXPECT_TRUE(beginsWithMarker(" \t\u00a0-dash"));
  EXPECT_TRUE(beginsWithMarker("*"));
  EXPECT_FALSE(beginsWithMarker("\n• Overview"));
  EXPECT_FALSE(beginsWithMarker("Overview"));
  EXPECT_FALSE(beginsWithMarker("1. Intro"));
  EXPECT_FALSE(beginsWithMarker(""));
}

}  // namespace

#include "preferred_languages.h"

#include <map>

#include <gtest/gtest.h>

namespace {

using Env = std::map<std::string, std::string>;

std::vector<std::string> preferredIn(const Env& env) {
  return preferredLanguages([&env](const char* name) -> const char* {
    auto found = env.find(name);
    return found == env.end() ? nullptr : found->second.c_str();
  });
}

TEST(LocaleToTag, PosixNamesBecomeBcp47) {
  struct Case {
    const char* locale;
    const char* tag;  // nullptr: names no language
  } cases[] = {
      {"de_DE.UTF-8", "de-DE"}, {"sr_RS@latin", "sr-Latn-RS"}, {"zh_TW", "zh-TW"},
      {"en", "en"},             {"ca_ES.UTF-8@valencia", "ca-ES"}, {"de_DE@euro", "de-DE"},
      {"C", nullptr},           {"POSIX", nullptr},          {"C.UTF-8", nullptr},
      {"", nullptr},            {"../../etc", nullptr},
  };
  for (const Case& c : cases) {
    auto tag = localeToTag(c.locale);
    if (c.tag) {
      EXPECT_EQ(c.tag, tag.value_or("<none>")) << c.locale;
    } else {
      EXPECT_FALSE(tag) << c.locale;
    }
  }
}

TEST(PreferredLanguages, LanguageListThenFirstSetLocaleVariable) {
  struct Case {
    Env env;
    std::vector<std::string> expected;
  } cases[] = {
      {{}, {}},
      {{{"LANG", "fr_FR.UTF-8"}}, {"fr-FR"}},
      {{{"LANG", "fr_FR.UTF-8"}, {"LC_MESSAGES", "de_AT.UTF-8"}}, {"de-AT"}},
      {{{"LANG", "fr_FR"}, {"LC_ALL", "it_IT"}, {"LC_MESSAGES", "de_AT"}}, {"it-IT"}},
      {{{"LANGUAGE", "de:en_GB::sr@latin"}, {"LANG", "fr_FR"}}, {"de", "en-GB", "sr-Latn"}},
      {{{"LANGUAGE", ""}, {"LANG", "fr_FR"}}, {"fr-FR"}},
      {{{"LC_ALL", "C"}, {"LANG", "fr_FR"}}, {}},
      {{{"LC_ALL", ""}, {"LANG", "ja_JP.UTF-8"}}, {"ja-JP"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, preferredIn(c.env)) << ::testing::PrintToString(c.env);
  }
}

}  // namespace

#include "languages.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "document_reader.h"

namespace {

using Tags = std::vector<std::string>;

TEST(CandidateLanguages, UserLanguagesFirstThenFixedWithoutRepeats) {
  struct Case {
    Tags preferred;
    Tags expected;
  } cases[] = {
      {{}, {"en-US", "zh-Hans", "zh-Hant", "ja-JP", "ko-KR"}},
      {{"de-DE", "en-US"}, {"de-DE", "en-US", "zh-Hans", "zh-Hant", "ja-JP", "ko-KR"}},
      {{"en"}, {"en", "en-US", "zh-Hans", "zh-Hant", "ja-JP", "ko-KR"}},
      {{"fr", "fr", "ko-KR"}, {"fr", "ko-KR", "en-US", "zh-Hans", "zh-Hant", "ja-JP"}},
      {{"EN-us"}, {"EN-us", "en-US", "zh-Hans", "zh-Hant", "ja-JP", "ko-KR"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, candidateLanguages(c.preferred)) << ::testing::PrintToString(c.preferred);
  }
}

TEST(TrainedData, TagsMapToInstalledModelNames) {
  struct Case {
    const char* tag;
    const char* expected;  // nullptr: no model
  } cases[] = {
      {"en", "eng"},          {"en-US", "eng"},         {"de-DE", "deu"},
      {"zh-Hans", "chi_sim"}, {"zh-Hant", "chi_tra"},   {"zh-TW", "chi_tra"},
      {"zh-HK", "chi_tra"},   {"zh-CN", "chi_sim"},     {"zh", "chi_sim"},
      {"ja-JP", "jpn"},       {"ko-KR", "kor"},         {"sr-Latn-RS", "srp_latn"},
      {"sr-RS", "srp"},       {"uz-Cyrl", "uzb_cyrl"},  {"ZH-hant-tw", "chi_tra"},
      {"xx-YY", nullptr},     {"", nullptr},
  };
  for (const Case& c : cases) {
    auto found = trainedDataForTag(c.tag);
    if (c.expected) {
      EXPECT_EQ(c.expected, found.value_or("<none>")) << c.tag;
    } else {
      EXPECT_FALSE(found) << c.tag;
    }
  }
  EXPECT_EQ("en-US", tagForTrainedData("eng"));
  EXPECT_EQ("zh-Hans", tagForTrainedData("chi_sim"));
  EXPECT_EQ("ja-JP", tagForTrainedData("jpn"));
  EXPECT_EQ("cs", tagForTrainedData("ces"));
}

TEST(SupportedTags, EveryRegionOfAnInstalledLanguageSurvivesNarrowing) {
  const Tags installed = {"chi_sim", "chi_tra", "deu", "eng", "fra", "nld", "por", "spa"};
  const Tags supported = supportedTags(installed);
  ASSERT_GE(supported.size(), 2u);
  EXPECT_EQ("zh-Hans", supported[0]);  // each model's own full tag leads its regions
  EXPECT_NE(supported.end(), std::find(supported.begin(), supported.end(), "en-US"));
  EXPECT_EQ(Tags({"de-AT", "de-CH", "fr-CA", "pt-PT", "es-MX", "es-419", "nl-BE", "en-GB",
                  "en-001", "zh-HK", "zh-SG", "de", "fr-FR"}),
            narrowLanguages({"de-AT", "it-IT", "de-CH", "fr-CA", "pt-PT", "es-MX", "es-419",
                             "nl-BE", "en-GB", "en-001", "sr-ME", "zh-HK", "zh-SG", "de", "fr-FR"},
                            supported));
  // The script stays the model's: simplified data keeps no traditional region.
  EXPECT_EQ(Tags({"zh-SG", "zh-CN", "zh-Hans-HK"}),
            narrowLanguages({"zh-TW", "zh-SG", "zh-HK", "zh-CN", "zh-Hans-HK", "zh-Hant-SG"},
                            supportedTags({"chi_sim"})));
  EXPECT_TRUE(narrowLanguages({"de-AT", "en-US"}, supportedTags({})).empty());
}

TEST(PlanRecognition, LatinFirstThenScriptsWhereItFails) {
  const Tags installed = {"chi_sim", "chi_tra", "deu", "eng", "jpn", "kor"};
  const Tags fixed = candidateLanguages({});
  struct Case {
    const char* name;
    Tags tags;
    bool detect;
    std::string primary;
    Tags alternatives;
  } cases[] = {
      {"fixed list", fixed, true, "eng", {"chi_sim", "chi_tra", "jpn", "kor"}},
      {"German user", candidateLanguages({"de-DE"}), true, "deu+eng",
       {"chi_sim", "chi_tra", "jpn", "kor"}},
      {"no detection joins all", {"en-US", "ja-JP"}, false, "eng+jpn", {}},
      {"only CJK: first is primary", {"ja-JP", "ko-KR"}, true, "jpn", {"kor"}},
      {"uninstalled dropped, repeats once", {"fr-FR", "en", "en-GB", "ko"}, true, "eng",
       {"kor"}},
      {"nothing installed wanted: English", {"fr-FR"}, true, "eng", {}},
  };
  for (const Case& c : cases) {
    RecognitionPlan plan = planRecognition(c.tags, installed, c.detect);
    EXPECT_EQ(c.primary, plan.primary) << c.name;
    EXPECT_EQ(c.alternatives, plan.alternatives) << c.name;
  }
  EXPECT_EQ("", planRecognition(fixed, {}, true).primary);
}

}  // namespace

TEST(EastAsianModel, ChosenFromWhatTheJapaneseModelReadOfThePage) {
  const std::vector<std::string> alternatives = {"chi_sim", "chi_tra", "jpn", "kor"};
  const std::vector<std::string> installed = {"chi_sim", "chi_tra", "eng", "jpn", "kor"};
  EXPECT_EQ("jpn", eastAsianModel(alternatives, installed, "あなたの校正を手伝ってくれる", 85));
  EXPECT_EQ("chi_sim", eastAsianModel(alternatives, installed, "更多详细使用示例参数介绍", 62));
  // A few kana that the model made of Han characters are no Japanese.
  EXPECT_EQ("chi_sim", eastAsianModel(alternatives, installed, "知用千震要圭換阿拉伯数字互中文ッ", 64));
  // Hangul is read poorly: Korean, with English for the English words in it.
  EXPECT_EQ("kor+eng", eastAsianModel(alternatives, installed, "時・|79四和0|人宗則01和ッ", 31));
  EXPECT_EQ("kor", eastAsianModel(alternatives, {"kor", "jpn"}, "時・|79四", 31));
  // Where the Korean model was tried, it decides: a Korean page the Japanese
  // model reads at 56 is still Korean, a Chinese one it reads at 45 is not.
  EXPECT_EQ("kor+eng", eastAsianModel(alternatives, installed, "司全 史合品. TypeScript", 56, 79));
  EXPECT_EQ("chi_sim", eastAsianModel(alternatives, installed, "考虐到不同的需求", 70, 45));
  EXPECT_EQ("chi_sim", eastAsianModel(alternatives, installed, "所有 CommonMark", 48, 25));
  EXPECT_EQ("jpn", eastAsianModel(alternatives, installed, "内部ではキャッシュした", 93, 31));
  // The user's order of simplified and traditional holds.
  EXPECT_EQ("chi_tra", eastAsianModel({"chi_tra", "chi_sim", "jpn"}, installed, "說明文件", 70));
  // A wanted model that is missing gives the first alternative; none gives none.
  EXPECT_EQ("chi_sim", eastAsianModel({"chi_sim", "jpn"}, installed, "時・|79", 20));
  EXPECT_EQ("", eastAsianModel({}, installed, "", 0));
  EXPECT_EQ("jpn", probeModel(alternatives));
  EXPECT_FALSE(probeModel({"kor"}));
}

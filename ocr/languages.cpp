#include "languages.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>

#include <unicode/locid.h>
#include <unicode/region.h>

#include "likely_subtags.h"
#include "scripts.h"

namespace {

const std::vector<std::string> kFixedLanguages = {"en-US", "zh-Hans", "zh-Hant", "ja-JP",
                                                  "ko-KR"};

// ISO 639 language subtag → trained-data name, for languages whose data
// Debian packages. Scripts and regions are handled in trainedDataForTag.
const std::map<std::string, std::string> kLanguageData = {
    {"af", "afr"}, {"am", "amh"}, {"ar", "ara"}, {"as", "asm"}, {"az", "aze"}, {"be", "bel"},
    {"bg", "bul"}, {"bn", "ben"}, {"bo", "bod"}, {"bs", "bos"}, {"ca", "cat"}, {"cs", "ces"},
    {"cy", "cym"}, {"da", "dan"}, {"de", "deu"}, {"dz", "dzo"}, {"el", "ell"}, {"en", "eng"},
    {"eo", "epo"}, {"es", "spa"}, {"et", "est"}, {"eu", "eus"}, {"fa", "fas"}, {"fi", "fin"},
    {"fil", "fil"}, {"fr", "fra"}, {"ga", "gle"}, {"gl", "glg"}, {"gu", "guj"}, {"he", "heb"},
    {"hi", "hin"}, {"hr", "hrv"}, {"ht", "hat"}, {"hu", "hun"}, {"hy", "hye"}, {"id", "ind"},
    {"is", "isl"}, {"it", "ita"}, {"ja", "jpn"}, {"jv", "jav"}, {"ka", "kat"}, {"kk", "kaz"},
    {"km", "khm"}, {"kn", "kan"}, {"ko", "kor"}, {"ku", "kmr"}, {"ky", "kir"}, {"la", "lat"},
    {"lo", "lao"}, {"lt", "lit"}, {"lv", "lav"}, {"mk", "mkd"}, {"ml", "mal"}, {"mn", "mon"},
    {"mr", "mar"}, {"ms", "msa"}, {"mt", "mlt"}, {"my", "mya"}, {"nb", "nor"}, {"ne", "nep"},
    {"nl", "nld"}, {"nn", "nor"}, {"no", "nor"}, {"or", "ori"}, {"pa", "pan"}, {"pl", "pol"},
    {"ps", "pus"}, {"pt", "por"}, {"ro", "ron"}, {"ru", "rus"}, {"sa", "san"}, {"si", "sin"},
    {"sk", "slk"}, {"sl", "slv"}, {"sq", "sqi"}, {"sr", "srp"}, {"sv", "swe"}, {"sw", "swa"},
    {"ta", "tam"}, {"te", "tel"}, {"tg", "tgk"}, {"th", "tha"}, {"tl", "tgl"}, {"tr", "tur"},
    {"ug", "uig"}, {"uk", "ukr"}, {"ur", "urd"}, {"uz", "uzb"}, {"vi", "vie"}, {"yi", "yid"},
    {"yo", "yor"}, {"zh", "chi_sim"},
};

// Trained data whose full tag is not just the language subtag.
const std::map<std::string, std::string> kDataTags = {
    {"eng", "en-US"},      {"chi_sim", "zh-Hans"}, {"chi_tra", "zh-Hant"}, {"jpn", "ja-JP"},
    {"kor", "ko-KR"},      {"deu", "de-DE"},       {"fra", "fr-FR"},       {"spa", "es-ES"},
    {"ita", "it-IT"},      {"por", "pt-BR"},       {"rus", "ru-RU"},       {"nld", "nl-NL"},
    {"pol", "pl-PL"},      {"ukr", "uk-UA"},       {"tur", "tr-TR"},       {"swe", "sv-SE"},
    {"srp_latn", "sr-Latn"}, {"uzb_cyrl", "uz-Cyrl"}, {"aze_cyrl", "az-Cyrl"}, {"nor", "nb-NO"},
};

// Scripts whose models read Latin poorly and whose text a Latin model reads as
// low-confidence garbage, so they are tried only where the primary pass fails.
bool isCjkData(const std::string& name) {
  return name.rfind("chi_", 0) == 0 || name.rfind("jpn", 0) == 0 || name.rfind("kor", 0) == 0;
}

std::vector<std::string> subtags(const std::string& tag) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : tag) {
    if (c == '-' || c == '_') {
      parts.push_back(part);
      part.clear();
    } else {
      part += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  parts.push_back(part);
  return parts;
}

bool hasSubtag(const std::vector<std::string>& parts, const std::string& wanted) {
  return std::find(parts.begin() + 1, parts.end(), wanted) != parts.end();
}

}  // namespace

std::vector<std::string> candidateLanguages(const std::vector<std::string>& preferred) {
  std::vector<std::string> all = preferred;
  all.insert(all.end(), kFixedLanguages.begin(), kFixedLanguages.end());
  std::vector<std::string> kept;
  for (const std::string& tag : all) {
    if (std::find(kept.begin(), kept.end(), tag) == kept.end()) kept.push_back(tag);
  }
  return kept;
}

std::optional<std::string> trainedDataForTag(const std::string& tag) {
  const std::vector<std::string> parts = subtags(tag);
  auto found = kLanguageData.find(parts[0]);
  if (found == kLanguageData.end()) return std::nullopt;
  const std::string& language = parts[0];
  if (language == "zh" &&
      (hasSubtag(parts, "hant") || hasSubtag(parts, "tw") || hasSubtag(parts, "hk") ||
       hasSubtag(parts, "mo"))) {
    return "chi_tra";
  }
  if (language == "sr" && hasSubtag(parts, "latn")) return "srp_latn";
  if ((language == "uz" || language == "az") && hasSubtag(parts, "cyrl")) {
    return found->second + "_cyrl";
  }
  return found->second;
}

std::string tagForTrainedData(const std::string& name) {
  if (auto found = kDataTags.find(name); found != kDataTags.end()) return found->second;
  for (const auto& [language, data] : kLanguageData) {
    if (data == name) return language;
  }
  return name;
}

namespace {

// Every region code ICU knows: territories (AT, CH) and the groups of them
// that tags name too (419 in es-419, 001 in en-001).
const std::vector<std::string>& regionCodes() {
  static const std::vector<std::string> codes = [] {
    std::vector<std::string> found;
    for (URegionType type : {URGN_TERRITORY, URGN_WORLD, URGN_CONTINENT, URGN_SUBCONTINENT,
                             URGN_GROUPING}) {
      UErrorCode status = U_ZERO_ERROR;
      std::unique_ptr<icu::StringEnumeration> regions(icu::Region::getAvailable(type, status));
      if (U_FAILURE(status) || !regions) continue;
      while (const char* code = regions->next(nullptr, status)) found.push_back(code);
    }
    return found;
  }();
  return codes;
}

// The language and script subtags of the tag's maximal identifier, "de-Latn"
// for de-DE; empty when either is unknown.
std::string languageAndScript(const std::string& tag) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Locale locale = icu::Locale::forLanguageTag(maximalIdentifier(tag), status);
  if (U_FAILURE(status) || locale.isBogus() || !*locale.getLanguage() || !*locale.getScript()) {
    return "";
  }
  return std::string(locale.getLanguage()) + "-" + locale.getScript();
}

}  // namespace

std::vector<std::string> supportedTags(const std::vector<std::string>& installed) {
  std::vector<std::string> tags;
  for (const std::string& name : installed) {
    const std::string tag = tagForTrainedData(name);
    tags.push_back(tag);
    const std::string prefix = languageAndScript(tag);
    if (prefix.empty()) continue;
    for (const std::string& region : regionCodes()) tags.push_back(prefix + "-" + region);
  }
  return tags;
}

RecognitionPlan planRecognition(const std::vector<std::string>& tags,
                                const std::vector<std::string>& installed, bool detect) {
  std::vector<std::string> wanted;
  for (const std::string& tag : tags) {
    auto data = trainedDataForTag(tag);
    if (!data || std::find(installed.begin(), installed.end(), *data) == installed.end()) continue;
    if (std::find(wanted.begin(), wanted.end(), *data) == wanted.end()) wanted.push_back(*data);
  }
  if (wanted.empty() && !installed.empty()) {
    bool hasEnglish = std::find(installed.begin(), installed.end(), "eng") != installed.end();
    wanted.push_back(hasEnglish ? "eng" : installed.front());
  }
  RecognitionPlan plan;
  std::vector<std::string> primary;
  for (const std::string& data : wanted) {
    if (detect && isCjkData(data)) {
      plan.alternatives.push_back(data);
    } else {
      primary.push_back(data);
    }
  }
  if (primary.empty() && !plan.alternatives.empty()) {
    primary.push_back(plan.alternatives.front());
    plan.alternatives.erase(plan.alternatives.begin());
  }
  for (const std::string& data : primary) {
    plan.primary += (plan.primary.empty() ? "" : "+") + data;
  }
  return plan;
}

namespace {

// Japanese text read by the Japanese model: 82-85; Chinese 61-64; Korean,
// which it cannot read, 31-39 (whole corpus pages, measured).
constexpr float kReadWell = 50;

bool has(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

struct ScriptCounts {
  size_t kana = 0, han = 0;
};

ScriptCounts countScripts(const std::string& text) {
  ScriptCounts counts;
  for (char32_t c : codePoints(text)) {
    counts.kana += isKana(c);
    counts.han += isHan(c);
  }
  return counts;
}

}  // namespace

std::optional<std::string> probeModel(const std::vector<std::string>& alternatives) {
  if (has(alternatives, "jpn")) return std::string("jpn");
  return std::nullopt;
}

std::string eastAsianModel(const std::vector<std::string>& alternatives,
                           const std::vector<std::string>& installed, const std::string& sample,
                           float confidence, float koreanConfidence) {
  if (alternatives.empty()) return "";
  const ScriptCounts counts = countScripts(sample);
  std::string wanted;
  const bool korean =
      koreanConfidence >= 0 ? koreanConfidence > confidence : confidence < kReadWell;
  if (korean) {
    wanted = "kor";
  } else if (counts.kana * 100 >= (counts.kana + counts.han) * 15 && counts.kana > 0 &&
             confidence >= kReadWell) {
    // Japanese text is a third kana or more; Chinese read by this model gains a few.
    wanted = "jpn";
  } else {
    for (const std::string& name : alternatives) {
      if (name == "chi_sim" || name == "chi_tra") {
        wanted = name;
        break;
      }
    }
  }
  if (!has(alternatives, wanted)) return alternatives.front();
  if (wanted == "kor" && has(installed, "eng")) return "kor+eng";
  return wanted;
}

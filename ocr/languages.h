#pragma once

#include <optional>
#include <string>
#include <vector>

// The recognition language list: the user's preferred tags, then the five
// fixed tags, repeats (exact text) removed, first occurrence kept.
std::vector<std::string> candidateLanguages(const std::vector<std::string>& preferred);

// The trained-data name for a BCP 47 tag (en-GB → eng, zh-TW → chi_tra), or
// nothing when no trained data is known for the language.
std::optional<std::string> trainedDataForTag(const std::string& tag);

// The full tag reported for a trained-data name (eng → en-US, chi_sim → zh-Hans).
std::string tagForTrainedData(const std::string& name);

// The tags the installed trained data is supported under: each model's full
// tag, then its language and script in every region and group of regions
// (deu → de-DE, de-Latn-AT, de-Latn-CH, ...; chi_tra → zh-Hant, zh-Hant-HK, ...),
// so that a regional tag such as de-AT or es-419 keeps its model when
// candidates are matched by maximal identifier.
std::vector<std::string> supportedTags(const std::vector<std::string>& installed);

// How an image is read with the installed models of the wanted languages:
// every line with `primary` (one or more models joined by '+'), then lines it
// reads poorly with the best of `alternatives`, one model at a time.
struct RecognitionPlan {
  std::string primary;
  std::vector<std::string> alternatives;
};

// REQUIRES: `installed` holds the trained-data names present on the system.
// With `detect` off every wanted model joins the primary pass.
RecognitionPlan planRecognition(const std::vector<std::string>& tags,
                                const std::vector<std::string>& installed, bool detect);

// The East Asian model that reads a page whose type is mostly Han, kana or
// Hangul, from what the Japanese model read of a sample of its lines
// (`sample`, read with mean `confidence`, 0..100) and how well the Korean
// model read it (`koreanConfidence`, negative when it was not tried):
// Korean (with English, for the English words Korean text holds) where the
// Korean model reads better, or without it where the Japanese model reads
// poorly; Japanese where kana appear; Chinese otherwise, in the user's order
// of simplified and traditional. Only models in `alternatives` are chosen;
// the first of them when the one wanted is missing.
std::string eastAsianModel(const std::vector<std::string>& alternatives,
                           const std::vector<std::string>& installed, const std::string& sample,
                           float confidence, float koreanConfidence = -1);

// The model a page's script is probed with: Japanese, which holds Han and
// kana, when it is among `alternatives`; else none.
std::optional<std::string> probeModel(const std::vector<std::string>& alternatives);

#pragma once

#include <string>

// The tag with language, script and region filled in by the Unicode
// likely-subtags rules: "en" → "en-Latn-US", "zh-TW" → "zh-Hant-TW".
// A tag ICU cannot read is returned unchanged.
std::string maximalIdentifier(const std::string& tag);

#include "text_keys.h"

#include <memory>

#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace {

// The nine marker characters; the hyphen-minus is escaped so that it stands
// for itself. ICU syntax: ^ anchors at the start of the text, \s is Unicode white space.
struct Patterns {
  std::unique_ptr<icu::RegexPattern> marker, bullet, space;
};

// Compiled once per thread: the patterns are constant and valid.
const Patterns& patterns() {
  static thread_local Patterns compiled = [] {
    UErrorCode status = U_ZERO_ERROR;
    Patterns p;
    p.marker.reset(icu::RegexPattern::compile(icu::UnicodeString(u"^[•·▪◦‣\\-–—*]\\s*"), 0, status));
    p.bullet.reset(icu::RegexPattern::compile(icu::UnicodeString(u"^[•·▪◦‣\\-–—*]"), 0, status));
    p.space.reset(icu::RegexPattern::compile(icu::UnicodeString(u"\\s+"), 0, status));
    return p;
  }();
  return compiled;
}

// White space and line breaks: space separators, line and paragraph
// separators, tab, U+000A to U+000D and U+0085.
bool isSpaceOrBreak(UChar32 c) {
  return u_charType(c) == U_SPACE_SEPARATOR || c == 0x2028 || c == 0x2029 || c == '\t' ||
         (c >= 0x0A && c <= 0x0D) || c == 0x85;
}

// White space alone: space separators and tab.
bool isSpace(UChar32 c) { return u_charType(c) == U_SPACE_SEPARATOR || c == '\t'; }

icu::UnicodeString trimmed(const icu::UnicodeString& text, bool (*isTrimmed)(UChar32)) {
  int32_t start = 0, end = text.length();
  while (start < end && isTrimmed(text.char32At(start))) start = text.moveIndex32(start, 1);
  while (end > start) {
    int32_t previous = text.moveIndex32(end, -1);
    if (!isTrimmed(text.char32At(previous))) break;
    end = previous;
  }
  return icu::UnicodeString(text, start, end - start);
}

icu::UnicodeString replaced(const icu::UnicodeString& text, const icu::RegexPattern& pattern,
                            const icu::UnicodeString& with, bool all) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(text, status));
  if (U_FAILURE(status)) return text;
  icu::UnicodeString result = all ? matcher->replaceAll(with, status)
                                  : matcher->replaceFirst(with, status);
  return U_SUCCESS(status) ? result : text;
}

std::string utf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

}  // namespace

std::string plain(const std::string& text) {
  icu::UnicodeString key = trimmed(icu::UnicodeString::fromUTF8(text), isSpaceOrBreak);
  key = replaced(key, *patterns().marker, icu::UnicodeString(), false);
  key = replaced(key, *patterns().space, icu::UnicodeString(u" "), true);
  key.toLower(icu::Locale::getRoot());
  return utf8(key);
}

std::string canonicalKey(const std::string& key) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) return key;
  icu::UnicodeString normalized = nfc->normalize(icu::UnicodeString::fromUTF8(key), status);
  return U_SUCCESS(status) ? utf8(normalized) : key;
}

bool beginsWithMarker(const std::string& text) {
  icu::UnicodeString start = trimmed(icu::UnicodeString::fromUTF8(text), isSpace);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> matcher(patterns().bullet->matcher(start, status));
  return U_SUCCESS(status) && matcher->lookingAt(status);
}

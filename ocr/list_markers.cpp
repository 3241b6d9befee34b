#include "list_markers.h"

#include <cstdint>
#include <vector>

#include "scripts.h"

namespace {

std::optional<MarkerType> bulletType(char32_t c) {
  switch (c) {
    case U'•': case U'·': case U'●': case U'◆': case U'◇': case U'✓': case U'✔': case U'⁃':
      return MarkerType::bullet;
    case U'◦': case U'○':
      return MarkerType::hollowBullet;
    case U'▪': case U'■': case U'□': case U'▫':
      return MarkerType::squareBullet;
    case U'‣': case U'▸': case U'►': case U'➢':
      return MarkerType::triangleBullet;
    default:
      return std::nullopt;
  }
}

bool isDecorativeDecimal(char32_t c) {
  return (c >= U'①' && c <= U'⑳') ||  // circled
         (c >= U'⑴' && c <= U'⒇') ||  // parenthesized
         (c >= U'⒈' && c <= U'⒛') ||  // with full stop
         (c >= U'❶' && c <= U'➓') ||  // dingbat negative and sans-serif circled
         (c >= U'⓫' && c <= U'⓴');
}

bool isDigit(char32_t c) { return c >= U'0' && c <= U'9'; }
bool isLower(char32_t c) { return c >= U'a' && c <= U'z'; }
bool isUpper(char32_t c) { return c >= U'A' && c <= U'Z'; }

bool allOf(const std::vector<char32_t>& s, size_t from, size_t to, bool (*test)(char32_t)) {
  if (from >= to) return false;
  for (size_t i = from; i < to; ++i) {
    if (!test(s[i])) return false;
  }
  return true;
}

bool isRoman(const std::vector<char32_t>& s, size_t from, size_t to, bool upper) {
  if (from >= to || to - from > 5) return false;
  const std::u32string letters = upper ? U"IVXLC" : U"ivxlc";
  for (size_t i = from; i < to; ++i) {
    if (letters.find(s[i]) == std::u32string::npos) return false;
  }
  return true;
}

// The body of an enumerator: "12", "b", "iv", "2.3.1"; nothing when it is not one.
std::optional<MarkerType> enumeratorType(const std::vector<char32_t>& s, size_t from, size_t to) {
  if (allOf(s, from, to, isDigit) && to - from <= 3) return MarkerType::decimal;
  // Composite: digit groups joined by full stops, at least two groups.
  bool composite = to > from && isDigit(s[from]);
  int groups = 1;
  for (size_t i = from; composite && i < to; ++i) {
    if (s[i] == U'.') {
      composite = i + 1 < to && isDigit(s[i + 1]);
      ++groups;
    } else {
      composite = isDigit(s[i]);
    }
  }
  if (composite && groups >= 2) return MarkerType::compositeDecimal;
  // "i" and "v" are read as Roman, like "iv"; a lone "c" or "l" as Latin.
  if (isRoman(s, from, to, false) && !(to - from == 1 && (s[from] == U'c' || s[from] == U'l'))) {
    return MarkerType::lowercaseRoman;
  }
  if (isRoman(s, from, to, true) && !(to - from == 1 && (s[from] == U'C' || s[from] == U'L'))) {
    return MarkerType::uppercaseRoman;
  }
  if (to - from == 1 && isLower(s[from])) return MarkerType::lowercaseLatin;
  if (to - from == 1 && isUpper(s[from])) return MarkerType::uppercaseLatin;
  return std::nullopt;
}

}  // namespace

std::optional<MarkerType> markerTypeOf(const std::string& word) {
  const std::vector<char32_t> s = codePoints(word);
  if (s.empty()) return std::nullopt;
  if (s.size() == 1) {
    if (auto type = bulletType(s[0])) return type;
    // A short dash in small type is often read as a tilde.
    if (s[0] == U'-' || s[0] == U'–' || s[0] == U'—' || s[0] == U'~') return MarkerType::hyphen;
    if (s[0] == U'*') return MarkerType::asterisk;
    if (isDecorativeDecimal(s[0])) return MarkerType::decorativeDecimal;
    return std::nullopt;
  }
  // "(1)" and "(a)"
  if (s.front() == U'(' && s.back() == U')') return enumeratorType(s, 1, s.size() - 1);
  // "1." "1)" "a." "a)" "iv." "2.3.1."
  // Chinese and Japanese number with "1、" and a full-width "1．" too.
  if (s.back() == U'.' || s.back() == U')' || s.back() == U'、' || s.back() == U'．') {
    auto type = enumeratorType(s, 0, s.size() - 1);
    if (type) return type;
  }
  // "4," is how a small "4." is often read.
  if (s.back() == U',' && allOf(s, 0, s.size() - 1, isDigit) && s.size() <= 4) {
    return MarkerType::decimal;
  }
  // "1.2" and "2.3.1" without a final full stop
  auto type = enumeratorType(s, 0, s.size());
  if (type == MarkerType::compositeDecimal) return type;
  return std::nullopt;
}

bool isMisreadBullet(const std::string& word) {
  // Latin models see "+", "©" or "e"; East Asian ones "。", "・" or the Hangul letter "ㅇ".
  static const char* const kReadings[] = {"+", "°", "«", "»", "¢", "©", "®", "e", "o", "*", "。",
                                          "・", "·", "ㅇ", "〇", "○", "O", "0", "=", "■"};
  for (const char* reading : kReadings) {
    if (word == reading) return true;
  }
  return false;
}

bool isOrdered(MarkerType type) {
  switch (type) {
    case MarkerType::lowercaseLatin:
    case MarkerType::uppercaseLatin:
    case MarkerType::decimal:
    case MarkerType::decorativeDecimal:
    case MarkerType::compositeDecimal:
    case MarkerType::lowercaseRoman:
    case MarkerType::uppercaseRoman:
      return true;
    default:
      return false;
  }
}

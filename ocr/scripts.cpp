#include "scripts.h"

#include <algorithm>

std::vector<char32_t> codePoints(const std::string& text) {
  std::vector<char32_t> out;
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = text[i];
    const int length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    char32_t cp = length == 1 ? c : c & (0x3F >> (length - 1));
    for (int k = 1; k < length && i + k < text.size(); ++k) cp = (cp << 6) | (text[i + k] & 0x3F);
    out.push_back(cp);
    i += length;
  }
  return out;
}

// The middle dot and the prolonged sound mark are kana punctuation, written
// in Chinese text as well.
bool isKana(char32_t c) { return c >= 0x3040 && c <= 0x30FF && c != 0x30FB && c != 0x30FC; }

bool isHan(char32_t c) { return c >= 0x3400 && c <= 0x9FFF; }

bool isEastAsianCharacter(char32_t c) {
  return (c >= 0x3040 && c <= 0x30FF) || isHan(c) || (c >= 0xAC00 && c <= 0xD7AF) ||
         (c >= 0x1100 && c <= 0x11FF);
}

bool hasEastAsianScript(const std::string& text) {
  const std::vector<char32_t> characters = codePoints(text);
  return std::any_of(characters.begin(), characters.end(), isEastAsianCharacter);
}

bool isEastAsian(const std::string& text) {
  size_t eastAsian = 0, other = 0;
  for (char32_t c : codePoints(text)) {
    if (c < 0x80) {
      other += (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    } else if (isEastAsianCharacter(c)) {
      eastAsian += 2;
    }
  }
  return eastAsian > other;
}

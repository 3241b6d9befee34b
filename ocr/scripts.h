#pragma once

#include <string>
#include <vector>

// The code points of UTF-8 `text` (a cut-off sequence gives what it holds).
std::vector<char32_t> codePoints(const std::string& text);

// Han, kana and Hangul: the scripts the East Asian models are for.
bool isEastAsianCharacter(char32_t c);
bool isKana(char32_t c);
bool isHan(char32_t c);

// Whether `text` holds any East Asian character.
bool hasEastAsianScript(const std::string& text);

// Whether most of `text` is East Asian, a character counting as much as a
// Latin word: type that fills its square and measures larger than Latin type
// of the same size.
bool isEastAsian(const std::string& text);

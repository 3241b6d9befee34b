#pragma once

#include <optional>
#include <string>

#include "engine.h"

// The marker at the start of a line's first word, if the word is a list-item
// marker: "•", "-", "*", "1.", "1)", "(1)", "a.", "B)", "iv.", "①", "1.2",
// "2.3.1." and the like. `word` is the first word as recognized.
std::optional<MarkerType> markerTypeOf(const std::string& word);

// Whether the word is how the models often read a small drawn bullet ("+",
// "°", "©", "e", "。", "ㅇ", ...). Such a word stands for the bullet only
// where the pixels show one.
bool isMisreadBullet(const std::string& word);

// The five ordered kinds, and Roman numerals: a list numbered i., ii., iii.
// is ordered by any reading. Bullets, dashes and asterisks are not.
bool isOrdered(MarkerType type);

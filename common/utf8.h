#pragma once

#include <string>

// `text` with every byte sequence that is not valid UTF-8 replaced by U+FFFD
// (one replacement per maximal invalid subpart).
std::string repairUtf8(const std::string& text);

// The length of the valid UTF-8 sequence that starts at `text[at]` (1 for
// ASCII), or 0 when none starts there.
size_t validUtf8Length(const std::string& text, size_t at);

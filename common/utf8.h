#pragma once

#include <string>

// `text` with every byte sequence that is not valid UTF-8 replaced by U+FFFD
// (one replacement per maximal invalid subpart).
std::string repairUtf8(const std::string& text);

#pragma once

#include <functional>
#include <string>

// `text` with every byte sequence that is not valid UTF-8 replaced by U+FFFD
// (one replacement per maximal invalid subpart).
std::string repairUtf8(const std::string& text);

// Reads `fd` to its end, handing each line to `onLine`: split at line feeds,
// the terminator (LF or CR LF) removed, invalid UTF-8 repaired; a last line
// without terminator is handed on too. Empty lines are handed on.
void readInputLines(int fd, const std::function<void(const std::string&)>& onLine);

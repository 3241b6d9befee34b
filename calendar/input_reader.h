#pragma once

#include <functional>
#include <string>

#include "utf8.h"

// Reads `fd` to its end, handing each line to `onLine`: split at line feeds,
// the terminator (LF or CR LF) removed, invalid UTF-8 repaired; a last line
// without terminator is handed on too. Empty lines are handed on. A
// non-blocking `fd` is waited on, as a blocking one would be.
void readInputLines(int fd, const std::function<void(const std::string&)>& onLine);

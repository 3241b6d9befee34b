#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

// The one JSON line form both programs print: compact, UTF-8 written as
// itself, every "/" escaped as "\/", one line feed at the end.
// Returns nothing when the value holds a non-finite number or a string that is
// not valid UTF-8: such a value has no faithful JSON text.
std::optional<std::string> jsonLine(const nlohmann::json& value);

// The same form appended to `out` piece by piece, for a line too large to
// build as a tree first: a value, or a string. On false (no faithful JSON
// text) `out` is left as it was.
bool appendJson(const nlohmann::json& value, std::string* out);
bool appendJsonString(const std::string& text, std::string* out);

// Writes all of `line` to the file descriptor, retrying short writes and
// EINTR. Returns false when the descriptor refuses it (for example a closed pipe).
bool writeAll(int fd, const std::string& line);

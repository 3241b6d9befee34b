#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

// The one JSON line form both programs print: compact, UTF-8 written as
// itself, every "/" escaped as "\/", one line feed at the end.
// Returns nothing when the value holds a non-finite number or a string that is
// not valid UTF-8: such a value has no faithful JSON text.
std::optional<std::string> jsonLine(const nlohmann::json& value);

// Writes all of `line` to the file descriptor, retrying short writes and
// EINTR. Returns false when the descriptor refuses it (for example a closed pipe).
bool writeAll(int fd, const std::string& line);

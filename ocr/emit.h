#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "block.h"

// The result line for `blocks`: ordered by `top` (stable), or the line
// {"error":"encode"} when the blocks have no faithful JSON form.
std::string blocksLine(const std::vector<Block>& blocks);

// Prints `object` as one JSON line on stdout; prints nothing if it cannot be encoded.
void emit(const nlohmann::json& object);

// The object {"error": description}, with bytes that are not UTF-8 (a path's
// own bytes) replaced by U+FFFD, so that its line can always be written.
nlohmann::json errorObject(const std::string& description);

// Prints blocksLine(blocks) on stdout.
void emitBlocks(const std::vector<Block>& blocks);

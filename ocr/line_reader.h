#pragma once

#include <string>
#include <vector>

#include "block.h"
#include "engine.h"

// The engine's text lines of the image at `path`, ordered top to bottom and
// grouped into "paragraph" blocks by the gaps between them. `languages` is
// handed to the engine unchanged. On failure returns false with the engine's
// description in `err`.
bool readLines(RecognitionEngine& engine, const std::string& path,
               const std::vector<std::string>& languages, std::vector<Block>* blocks,
               std::string* err);

// The grouping alone, on lines already recognized (exposed for tests).
std::vector<Block> groupLines(std::vector<RecognizedLine> lines);

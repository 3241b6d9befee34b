#pragma once

#include <string>
#include <vector>

#include "block.h"
#include "engine.h"

// The candidates whose maximal identifier is one of the supported languages',
// in their order and as written.
std::vector<std::string> narrowLanguages(const std::vector<std::string>& candidates,
                                         const std::vector<std::string>& supported);

// The engine's document structure of the image at `path` as blocks: per
// container its admitted heading, admitted paragraphs, lists and tables, in
// that order. On failure returns false with the engine's description in `err`.
bool readDocument(RecognitionEngine& engine, const std::string& path,
                  const std::vector<std::string>& candidates, std::vector<Block>* blocks,
                  std::string* err);

// The blocks of containers already recognized (exposed for tests).
std::vector<Block> documentBlocks(const std::vector<DocumentContainer>& documents);

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "document_reader.h"
#include "emit.h"
#include "languages.h"
#include "line_reader.h"
#include "preferred_languages.h"
#include "standard_streams.h"
#include "tesseract_engine.h"

// Runs before the shared libraries' initializers, some of which already write
// to stderr (libgomp about a malformed OMP_ variable), and so before main.
using StartHook = void (*)(int, char**, char**);
[[gnu::used, gnu::section(".preinit_array")]] static const StartHook prepareStreams =
    [](int, char**, char**) { prepareStandardStreams(); };

int main(int argc, char** argv) {
  if (argc != 2) {
    emit(errorObject("usage: zuna-ocr <png-path>"));
    std::exit(2);
  }
  std::unique_ptr<RecognitionEngine> engine = makeTesseractEngine();
  const std::vector<std::string> languages = candidateLanguages(preferredLanguages(systemEnv));
  std::vector<Block> blocks;
  std::string err;
  // Exactly one reader runs: the document reader where the engine offers structure.
  const bool read = engine->supportsDocumentStructure()
                        ? readDocument(*engine, argv[1], languages, &blocks, &err)
                        : readLines(*engine, argv[1], languages, &blocks, &err);
  if (!read) {
    emit(errorObject(err));
    std::exit(1);
  }
  emitBlocks(blocks);
  std::exit(0);
}

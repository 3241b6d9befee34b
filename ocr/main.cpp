#include <cstdlib>
#include <string>
#include <vector>

#include "emit.h"
#include "languages.h"
#include "line_reader.h"
#include "preferred_languages.h"
#include "tesseract_engine.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    emit({{"error", "usage: zuna-ocr <png-path>"}});
    std::exit(2);
  }
  std::unique_ptr<RecognitionEngine> engine = makeTesseractEngine();
  const std::vector<std::string> languages = candidateLanguages(preferredLanguages(systemEnv));
  std::vector<Block> blocks;
  std::string err;
  if (!readLines(*engine, argv[1], languages, &blocks, &err)) {
    emit({{"error", err}});
    std::exit(1);
  }
  emitBlocks(blocks);
  std::exit(0);
}

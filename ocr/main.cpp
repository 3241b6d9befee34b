#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <string>
#include <vector>

#include "document_reader.h"
#include "emit.h"
#include "languages.h"
#include "line_reader.h"
#include "preferred_languages.h"
#include "tesseract_engine.h"

namespace {

// Image decoders print their own complaints (libpng's "Read Error") on stderr;
// every outcome of this program is reported in its one JSON line instead.
void silenceStderr() {
  int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null >= 0) {
    dup2(null, STDERR_FILENO);
    close(null);
  }
}

}  // namespace

int main(int argc, char** argv) {
  silenceStderr();
  if (argc != 2) {
    emit({{"error", "usage: zuna-ocr <png-path>"}});
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
    emit({{"error", err}});
    std::exit(1);
  }
  emitBlocks(blocks);
  std::exit(0);
}

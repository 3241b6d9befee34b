#pragma once

#include <string>
#include <vector>

#include "geometry.h"

// One recognized text line. `text` is the engine's best reading, unchanged;
// it may be empty when the engine found a line but no reading of it.
struct RecognizedLine {
  std::string text;
  NormalizedRect box;  // normalized: 0..1, origin lower left, y up
  float confidence = 0;  // 0..100
};

struct RecognitionOptions {
  std::vector<std::string> languages;  // BCP 47 tags, most wanted first
  bool languageCorrection = true;
  bool automaticLanguageDetection = true;
};

// The recognition engine: reads the text of one image file.
class RecognitionEngine {
 public:
  virtual ~RecognitionEngine() = default;

  // Whether document structure (titles, lists, tables) can be recognized.
  virtual bool supportsDocumentStructure() const = 0;

  // The tags of the recognition languages that are installed.
  virtual std::vector<std::string> supportedLanguages() const = 0;

  // The text lines of the image at `path`, in the engine's order. Tags
  // without installed data are dropped. On failure returns false and sets
  // `err` to a sentence that names the path.
  virtual bool recognizeLines(const std::string& path, const RecognitionOptions& options,
                              std::vector<RecognizedLine>* lines, std::string* err) = 0;
};

#pragma once

#include <string>
#include <vector>

#include "engine.h"

// An engine with canned lines or a canned failure. It keeps the options it was
// given, so tests check what the engine received.
class FakeEngine : public RecognitionEngine {
 public:
  std::vector<RecognizedLine> lines;
  std::vector<DocumentContainer> documents;
  std::vector<std::string> supported = {"en-US"};
  std::string failure;  // non-empty: recognizeLines fails with this text
  bool documentStructure = false;

  std::vector<std::string> askedPaths;
  RecognitionOptions askedOptions;

  bool supportsDocumentStructure() const override { return documentStructure; }
  std::vector<std::string> supportedLanguages() const override { return supported; }

  bool recognizeLines(const std::string& path, const RecognitionOptions& options,
                      std::vector<RecognizedLine>* out, std::string* err) override {
    askedPaths.push_back(path);
    askedOptions = options;
    if (!failure.empty()) {
      *err = failure;
      return false;
    }
    *out = lines;
    return true;
  }

  bool recognizeDocument(const std::string& path, const RecognitionOptions& options,
                         std::vector<DocumentContainer>* out, std::string* err) override {
    askedPaths.push_back(path);
    askedOptions = options;
    if (!failure.empty()) {
      *err = failure;
      return false;
    }
    *out = documents;
    return true;
  }
};

// A line whose box spans [minY, maxY] across the whole width.
inline RecognizedLine lineAt(std::string text, double minY, double maxY) {
  return RecognizedLine{std::move(text), NormalizedRect{0, minY, 1, maxY - minY}, 90};
}

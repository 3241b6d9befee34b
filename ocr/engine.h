#pragma once

#include <optional>
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

// The kinds of list-item markers the engine tells apart.
enum class MarkerType {
  bullet,             // • · ● and other filled round bullets
  hollowBullet,       // ◦ ○
  squareBullet,       // ▪ ■ □
  triangleBullet,     // ‣ ▸ ►
  hyphen,             // - – —
  asterisk,           // *
  lowercaseLatin,     // a. a)
  uppercaseLatin,     // A. A)
  decimal,            // 1. 1) (1)
  decorativeDecimal,  // ① ❶ ⑴ ⒈
  compositeDecimal,   // 1.2 2.3.1
  lowercaseRoman,     // i. iv)
  uppercaseRoman,     // I. IV)
};

// A recognized text and where it is. Regions are normalized boxes.
struct TextElement {
  std::string transcript;
  NormalizedRect region;
};

struct ListItem {
  std::string itemString;  // as recognized, marker included
  std::optional<MarkerType> markerType;
};

struct ListElement {
  std::vector<ListItem> items;
  NormalizedRect region;
};

struct TableElement {
  std::vector<std::vector<TextElement>> rows;  // each cell's text
  NormalizedRect region;
};

// One document found on the image.
struct DocumentContainer {
  std::optional<TextElement> title;
  std::vector<TextElement> paragraphs;  // in reading order
  std::vector<ListElement> lists;
  std::vector<TableElement> tables;
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

  // The documents of the image at `path`: titles, paragraphs, lists and
  // tables. Only called when supportsDocumentStructure(). Errors as above.
  virtual bool recognizeDocument(const std::string& path, const RecognitionOptions& options,
                                 std::vector<DocumentContainer>* documents,
                                 std::string* err) = 0;
};

#include "document_reader.h"

#include <algorithm>
#include <set>

#include "admission.h"
#include "likely_subtags.h"
#include "list_markers.h"

namespace {

double topOf(const NormalizedRect& region) { return 1.0 - region.maxY(); }

Block listBlock(const ListElement& list) {
  std::vector<std::string> items;
  std::vector<std::int64_t> levels;
  bool ordered = false;
  const std::optional<MarkerType> first =
      list.items.empty() ? std::nullopt : list.items.front().markerType;
  for (const ListItem& item : list.items) {
    items.push_back(item.itemString);
    levels.push_back(item.markerType == first ? 0 : 1);
    if (item.markerType && isOrdered(*item.markerType)) ordered = true;
  }
  return Block("list", std::nullopt, ordered, items, levels, std::nullopt, topOf(list.region));
}

Block tableBlock(const TableElement& table) {
  std::vector<std::vector<std::string>> rows;
  for (const auto& row : table.rows) {
    std::vector<std::string> cells;
    for (const TextElement& cell : row) cells.push_back(cell.transcript);
    rows.push_back(std::move(cells));
  }
  return Block("table", std::nullopt, std::nullopt, std::nullopt, std::nullopt, rows,
               topOf(table.region));
}

Block textBlock(const char* kind, const TextElement& text) {
  return Block(kind, text.transcript, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
               topOf(text.region));
}

}  // namespace

std::vector<std::string> narrowLanguages(const std::vector<std::string>& candidates,
                                         const std::vector<std::string>& supported) {
  std::set<std::string> maximal;
  for (const std::string& tag : supported) maximal.insert(maximalIdentifier(tag));
  std::vector<std::string> kept;
  for (const std::string& tag : candidates) {
    if (maximal.count(maximalIdentifier(tag))) kept.push_back(tag);
  }
  return kept;
}

std::vector<Block> documentBlocks(const std::vector<DocumentContainer>& documents) {
  std::vector<Block> blocks;
  for (const DocumentContainer& container : documents) {
    AdmissionContext context = admissionContext(container);
    if (admitHeading(container.title, &context)) blocks.push_back(textBlock("heading", *container.title));
    for (const TextElement& paragraph : container.paragraphs) {
      if (admitParagraph(paragraph, context)) blocks.push_back(textBlock("paragraph", paragraph));
    }
    for (const ListElement& list : container.lists) blocks.push_back(listBlock(list));
    for (const TableElement& table : container.tables) blocks.push_back(tableBlock(table));
  }
  return blocks;
}

bool readDocument(RecognitionEngine& engine, const std::string& path,
                  const std::vector<std::string>& candidates, std::vector<Block>* blocks,
                  std::string* err) {
  RecognitionOptions options;
  options.automaticLanguageDetection = true;
  options.languageCorrection = true;
  options.languages = narrowLanguages(candidates, engine.supportedLanguages());
  std::vector<DocumentContainer> documents;
  if (!engine.recognizeDocument(path, options, &documents, err)) return false;
  *blocks = documentBlocks(documents);
  return true;
}

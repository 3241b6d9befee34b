#include "line_reader.h"

#include <algorithm>

namespace {

Block paragraph(const std::vector<std::string>& texts, double top) {
  std::string joined;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) joined += '\n';
    joined += texts[i];
  }
  return Block("paragraph", joined, std::nullopt, std::nullopt, std::nullopt, std::nullopt, top);
}

}  // namespace

std::vector<Block> groupLines(std::vector<RecognizedLine> lines) {
  std::erase_if(lines, [](const RecognizedLine& line) { return line.text.empty(); });
  std::stable_sort(lines.begin(), lines.end(), [](const RecognizedLine& a, const RecognizedLine& b) {
    return a.box.maxY() > b.box.maxY();
  });
  std::vector<Block> blocks;
  std::vector<std::string> group;
  double groupTop = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) {
      const NormalizedRect& previous = lines[i - 1].box;
      double gap = previous.minY() - lines[i].box.maxY();
      if (gap > 0.8 * previous.height && !group.empty()) {
        blocks.push_back(paragraph(group, groupTop));
        group.clear();
      }
    }
    if (group.empty()) groupTop = 1 - lines[i].box.maxY();
    group.push_back(lines[i].text);
  }
  if (!group.empty()) blocks.push_back(paragraph(group, groupTop));
  return blocks;
}

bool readLines(RecognitionEngine& engine, const std::string& path,
               const std::vector<std::string>& languages, std::vector<Block>* blocks,
               std::string* err) {
  RecognitionOptions options;
  options.languages = languages;
  options.languageCorrection = true;
  options.automaticLanguageDetection = true;
  std::vector<RecognizedLine> lines;
  if (!engine.recognizeLines(path, options, &lines, err)) return false;
  *blocks = groupLines(std::move(lines));
  return true;
}

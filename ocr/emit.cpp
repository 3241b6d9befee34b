#include "emit.h"

#include <algorithm>
#include <cmath>
#include <unistd.h>

#include "json_line.h"
#include "utf8.h"

std::string blocksLine(const std::vector<Block>& blocks) {
  const std::string encodeError = "{\"error\":\"encode\"}\n";
  // A NaN top would make the sort's ordering inconsistent (undefined behaviour),
  // and the line cannot be encoded anyway: decide before sorting.
  for (const Block& block : blocks) {
    if (!std::isfinite(block.top)) return encodeError;
  }
  std::vector<Block> ordered = blocks;
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const Block& a, const Block& b) { return a.top < b.top; });
  nlohmann::json list = nlohmann::json::array();
  for (const Block& block : ordered) list.push_back(blockJson(block));
  nlohmann::json result = nlohmann::json::object();
  result["blocks"] = std::move(list);  // an initializer list would copy every block
  auto line = jsonLine(result);
  return line ? *line : encodeError;
}

void emit(const nlohmann::json& object) {
  if (auto line = jsonLine(object)) writeAll(STDOUT_FILENO, *line);
}

nlohmann::json errorObject(const std::string& description) {
  return {{"error", repairUtf8(description)}};
}

void emitBlocks(const std::vector<Block>& blocks) {
  writeAll(STDOUT_FILENO, blocksLine(blocks));
}

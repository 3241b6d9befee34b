#include "block.h"

nlohmann::json blockJson(const Block& block) {
  nlohmann::json object = nlohmann::json::object();
  object["kind"] = block.kind;
  if (block.text) object["text"] = *block.text;
  if (block.ordered) object["ordered"] = *block.ordered;
  if (block.items) object["items"] = *block.items;
  if (block.levels) object["levels"] = *block.levels;
  if (block.rows) object["rows"] = *block.rows;
  object["top"] = block.top;
  return object;
}

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// One layout block found on the image. Absent fields are left out of the JSON.
struct Block {
  std::string kind;  // "heading", "paragraph", "list" or "table"
  std::optional<std::string> text;
  std::optional<bool> ordered;
  std::optional<std::vector<std::string>> items;
  std::optional<std::vector<std::int64_t>> levels;
  std::optional<std::vector<std::vector<std::string>>> rows;
  double top = 0;  // upper edge, fraction of the image height from the top

  Block(std::string kind, std::optional<std::string> text = std::nullopt,
        std::optional<bool> ordered = std::nullopt,
        std::optional<std::vector<std::string>> items = std::nullopt,
        std::optional<std::vector<std::int64_t>> levels = std::nullopt,
        std::optional<std::vector<std::vector<std::string>>> rows = std::nullopt,
        double top = 0)
      : kind(std::move(kind)), text(std::move(text)), ordered(ordered),
        items(std::move(items)), levels(std::move(levels)), rows(std::move(rows)),
        top(top) {}
};

// The block's JSON object: member names are the field names.
nlohmann::json blockJson(const Block& block);

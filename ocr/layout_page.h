#pragma once

// Shared by the parts of the layout analysis: the page, which of its lines
// are already taken, and small helpers on pixel boxes.

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "geometry.h"
#include "layout_analysis.h"

struct PageState {
  const PageLayout& page;
  std::vector<bool> used;  // per line: already part of a table, list or title
  int lineHeight = 1;      // the median line height

  NormalizedRect normalized(const PixelRect& r) const {
    return normalizePixelBox(r.left, r.top, r.right, r.bottom, page.width, page.height);
  }
};

// Ruling lines and specks read as "|", "_" or "—": no cell's text.
inline bool isNoise(const std::string& word) {
  if (word.size() > 3) return false;
  return std::none_of(word.begin(), word.end(), [](unsigned char c) {
    return std::isalnum(c) || c >= 0x80;
  }) && word != "-";
}

inline PixelRect unite(const PixelRect& a, const PixelRect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

inline bool containsPoint(const PixelRect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

inline int median(std::vector<int> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}


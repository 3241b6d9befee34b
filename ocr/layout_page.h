#pragma once

// Shared by the finders of the layout analysis: the page, which of its
// lines are already taken, and small helpers on pixel boxes.

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "geometry.h"
#include "page_records.h"
#include "scripts.h"

struct PageState {
  const PageLayout& page;
  std::vector<bool> used;  // per line: already part of a table, panel, list or heading
  int lineHeight = 1;      // the median line height

  NormalizedRect normalized(const PixelRect& r) const {
    return normalizePixelBox(r.left, r.top, r.right, r.bottom, page.width, page.height);
  }
  const LayoutLine& line(size_t i) const { return page.lines[i]; }
};

// Ruling lines and specks read as "|", "_" or "—": no cell's text.
inline bool isNoise(const std::string& word) {
  if (word.size() > 3 || word == "-") return false;
  // Specks come out as dots, commas, quotes and strokes; "~", "<" or "="
  // are a value's ("~290 KB", "< 0.1ms").
  return std::all_of(word.begin(), word.end(), [](unsigned char c) {
    return c < 0x80 && !std::isalnum(c) && std::string_view(".,:;'`\"_|!^").find(c) != std::string_view::npos;
  });
}

inline int median(std::vector<int> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// Marks every free line whose centre lies in `area` as used.
inline void takeLinesIn(PageState* state, const PixelRect& area) {
  for (size_t i = 0; i < state->page.lines.size(); ++i) {
    const PixelRect& box = state->page.lines[i].box;
    if (containsPoint(area, box.midX(), box.midY())) state->used[i] = true;
  }
}


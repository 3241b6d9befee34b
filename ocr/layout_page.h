#pragma once

// Shared by the finders of the layout analysis: the page, which of its
// lines are already taken, and small helpers on pixel boxes.

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "geometry.h"
#include "page_records.h"

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
  if (word.size() > 3) return false;
  return std::none_of(word.begin(), word.end(), [](unsigned char c) {
    return std::isalnum(c) || c >= 0x80;
  }) && word != "-";
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

// Whether most letters of `text` are Han, kana or Hangul, whose type fills
// its square and so measures larger than Latin type of the same size.
inline bool isEastAsian(const std::string& text) {
  size_t eastAsian = 0, other = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char lead = text[i];
    if (lead < 0x80) {
      other += std::isalnum(lead) != 0;
    } else if (lead >= 0xE0 && lead <= 0xEF && i + 2 < text.size()) {
      const unsigned cp = ((lead & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
      if ((cp >= 0x3040 && cp <= 0x30FF) || (cp >= 0x3400 && cp <= 0x9FFF) ||
          (cp >= 0xAC00 && cp <= 0xD7AF)) {
        eastAsian += 2;  // one such character holds about a word's worth
      }
    }
  }
  return eastAsian > other;
}

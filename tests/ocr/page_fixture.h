#pragma once

// Exact page records for the layout rules' tests.

#include <string>
#include <vector>

#include "page_records.h"

namespace testpage {

// A line of words, 10 px a character and 8 px a space, `height` px high, at
// (x, y). Its x-height is half its height and its stroke 2 px.
inline LayoutLine line(const std::string& text, int x, int y, int block = 0, int height = 20) {
  LayoutLine l;
  l.text = text;
  l.block = block;
  l.xHeight = height / 2;
  l.stroke = 2;
  int left = x;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) {
      std::string word = text.substr(start, end - start);
      int characters = 0;
      for (unsigned char c : word) characters += (c & 0xC0) != 0x80;
      const int width = 10 * characters;
      l.words.push_back({word, {left, y, left + width, y + height}});
      left += width + 8;
    } else {
      left += 10;  // extra spaces widen the gap
    }
    start = end + 1;
  }
  l.box = {x, y, left - 8, y + height};
  return l;
}

inline PageLayout page(std::vector<LayoutLine> lines) {
  PageLayout p;
  p.width = 1000;
  p.height = 1000;
  p.lines = std::move(lines);
  return p;
}

}  // namespace testpage

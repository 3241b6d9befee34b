#pragma once

#include <string>
#include <vector>

#include "engine.h"

// A box in image pixels: origin top left, right and bottom exclusive.
struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  int midX() const { return (left + right) / 2; }
  int midY() const { return (top + bottom) / 2; }
};

struct LayoutWord {
  std::string text;
  PixelRect box;
};

// A recognized text line with its words, in the recognizer's reading order.
struct LayoutLine {
  std::string text;  // the line as read (words joined, or re-read whole)
  std::vector<LayoutWord> words;
  PixelRect box;
  int block = 0;  // lines of one text block share it
};

// What the recognizer found on one page, and the ruling lines of the image.
struct PageLayout {
  int width = 0;
  int height = 0;
  std::vector<LayoutLine> lines;
  std::vector<PixelRect> horizontalRules;
  std::vector<PixelRect> verticalRules;
};

// Splits lines at gaps far wider than a word space (columns that the
// recognizer read as one line) and orders each block's pieces column by column.
std::vector<LayoutLine> splitColumns(const std::vector<LayoutLine>& lines);

// The page's document: ruled and borderless tables, lists (marker lines with
// their wrapped continuations, nested items included), a title (the larger
// text at the top), and the remaining lines as paragraphs. Every line ends up
// in exactly one of them. Regions are normalized.
DocumentContainer analyseLayout(const PageLayout& page);

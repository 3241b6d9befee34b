#pragma once

// Reading lines with a Tesseract model: the layout's lines, the recognized
// lines with their words, one line alone, and what a re-read makes of a line.
// Used by the Tesseract engine only.

#include <string>
#include <vector>

#include <tesseract/baseapi.h>

#include "engine.h"
#include "page_records.h"
#include "scripts.h"

struct Pix;

struct Reading {
  std::string text;
  float confidence = -1;
};

struct Line {
  RecognizedLine recognized;
  PixelRect pixels;
  std::vector<LayoutWord> words;
  int block = 0;
  size_t weakCharacters = 0;  // in words read with low confidence
  size_t characters = 0;
};

// Whether most of the line's characters lie in words read with low confidence.
bool isWeak(const Line& line);

// Takes Tesseract's text (and frees it) without its final line breaks.
std::string takeText(char* text);

bool isBlank(const std::string& text);

// `text` with each of its tokens quoted by a single and a double straight
// quote ("auto') quoted by two single ones.
std::string withPairedQuotes(std::string text);

// The text lines that the layout analysis alone finds, nothing read.
std::vector<PixelRect> layoutLines(tesseract::TessBaseAPI* api, Pix* image, int dpi);

// Reads the sample lines; returns their mean confidence.
float readSample(tesseract::TessBaseAPI* api, Pix* image, int dpi,
                 const std::vector<PixelRect>& sample, std::string* text);

// Recognizes the whole image, its layout found anew.
bool recognize(tesseract::TessBaseAPI* api, Pix* image, int dpi);

// The text lines with their words, in Tesseract's reading order; lines
// of one text block share a block number.
std::vector<Line> collectLines(tesseract::TessBaseAPI* api, Pix* image);

// Reads one line alone; returns its confidence, or -1 when nothing was read.
// Layout leaves small full-width punctuation at a line's end outside its box,
// hence the wide horizontal margin; on the left it would take in the marker
// of a text that starts after one.
float readLine(tesseract::TessBaseAPI* api, const PixelRect& box, std::string* text,
               bool afterMarker);

// A column the page layout cut off the starts of lines: a piece a glyph or
// two wide and several lines tall (the first characters of a list whose
// items begin alike, "支持…"), and the lines it touches on its right.
struct LeadColumn {
  size_t column = 0;
  std::vector<size_t> lines;
};
std::vector<LeadColumn> leadColumns(const std::vector<Line>& lines);

// Reads the runs of ink that the page layout left out of `lines`: a run
// just right of a line on its row is that line's end, and the line is read
// again whole; any other run that reads as text becomes a line of its own.
// Lines whose start a lead column took are read again with it, first.
void readUnreadInk(tesseract::TessBaseAPI* api, Pix* image, std::vector<Line>* lines);

// The lines of `cell` (pixels) of `image` read alone, line by line; `ink` is
// the image's ink. `lineHeight` is the page's usual line height.
std::vector<Line> readCell(tesseract::TessBaseAPI* api, Pix* image, Pix* ink,
                           const PixelRect& cell, int lineHeight);

// Drops the words of `lines` made of marks alone (no letter or digit) that
// stand on blank ground in `image`: the East Asian models read a full stop
// into the blank after a closing bracket, and such a word joins a table's
// columns across the space between them.
void dropInklessMarks(Pix* image, std::vector<Line>* lines);

// Reads each of `cells` (pixels) of `image` alone and adds its lines, each
// cell's under a block number of its own. `lineHeight` is the page's usual
// line height.
void readCells(tesseract::TessBaseAPI* api, Pix* image, const std::vector<PixelRect>& cells,
               int lineHeight, std::vector<Line>* lines);

// A list marker that the primary model read before the text ("1.", "a)")
// stays its reading: the list rules need it as a word of its own, and the
// other model reads it no better.
bool keepsMarker(const Line& line);

// What the other model reads of a line: all of it, or what follows its marker.
PixelRect textBox(const Line& line);

// The primary model's words were misread: the text (after a kept marker)
// becomes one word.
void takeReading(const Reading& reading, Line* line);

// Reads the text inside `box` as one line, cut tight; its confidence, or -1.
float readSpan(tesseract::TessBaseAPI* api, const PixelRect& box, std::string* text);

// Type this tall (a line's height, in pixels) or taller is read as well as
// it can be without enlarging it.
constexpr int kReadWellHeight = 20;

// Reads `box` of `image` alone as one line, enlarged twice where its type
// is lower than kReadWellHeight; returns the confidence, or -1.
float readEnlarged(tesseract::TessBaseAPI* api, Pix* image, const PixelRect& box, int typeHeight,
                   std::string* text);

// Whether `span` lies on the row of `line` and within it.
bool inRowOf(const PixelRect& line, const PixelRect& span);

// Makes `line` of `words` and of `spans` (read as `readings` give) in their
// order across it; a word that touches a span is glued to it.
void placeSpans(std::vector<LayoutWord> words, const std::vector<PixelRect>& spans,
                const std::vector<Reading>& readings, Line* line);

// A code span of a line and the words of the line that it holds.
struct LatinSpan {
  Line* line;
  PixelRect box;
  std::vector<size_t> words;  // indices into line->words, ascending
  PixelRect readBox;  // where to read it: a run of words with a margin
  bool tinted = false;  // a code span, whose tint is its margin
};

// The spans among `spans` (left to right) that hold whole words of one of
// `lines`, none of them East Asian.
std::vector<LatinSpan> latinSpans(const std::vector<PixelRect>& spans, std::vector<Line>* lines);

// The text of the span's words, joined by spaces.
std::string textOf(const LatinSpan& span);

// Whether `a` and `b` hold the same letters and digits in the same order,
// whatever their marks and spaces.
bool sameLettersAndDigits(const std::string& a, const std::string& b);

// Puts `reading` in place of the span's words, where it differs from them.
void putSpan(const LatinSpan& span, const Reading& reading);

// The code spans of a line, left to right, and what each reads alone.
struct SpansOfLine {
  Line* line;
  std::vector<PixelRect> spans;
  std::vector<Reading> readings;
};

// Reads each line of `misread` again on `image` with its spans painted over
// in their tint, and puts each span's reading in: the text around the spans
// is read in its line, as the models need, and the spans alone. Lines that
// the first reading split off those lines go.
void readAroundSpans(tesseract::TessBaseAPI* api, Pix* image,
                     const std::vector<SpansOfLine>& misread, std::vector<Line>* lines);

bool isAscii(const std::string& text);

// Whether what `line` holds over `span` may be English code misread by the
// Korean and English models: digits or jamo among Hangul, or no Hangul at
// all. Words of Hangul alone are read as the Korean model reads them.
bool mayBeMisreadCode(const Line& line, const PixelRect& span);

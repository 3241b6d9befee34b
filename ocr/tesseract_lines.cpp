#include "tesseract_lines.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <tuple>

#include <leptonica/allheaders.h>
#include <tesseract/resultiterator.h>
#include <unicode/uchar.h>

#include "list_markers.h"
#include "pixel_features.h"
#include "scripts.h"
#include "unread_ink.h"

namespace {

// A line is probably in another script when most of its characters lie in
// weak words: read with less confidence than the first bound, or than the
// second when the word is neither in the dictionary nor a number (measured:
// Latin text read by eng 85-96, CJK text read by eng 0-70).
constexpr float kWeakWordConfidence = 60;
constexpr float kUnknownWordConfidence = 80;
// Pictures and icons read as text come out below this; text the layout
// missed, above.
constexpr float kUnreadConfidence = 60;

}  // namespace

bool isWeak(const Line& line) { return line.weakCharacters * 2 > line.characters; }

std::string takeText(char* text) {
  std::string result = text ? text : "";
  delete[] text;
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
  return withPairedQuotes(std::move(result));
}

std::string withPairedQuotes(std::string text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(" \n", start);
    if (end == std::string::npos) end = text.size();
    // A straight single quote is read as a double one more often than the
    // other way round: a token quoted "like this' is quoted 'like this'.
    if (end - start >= 3 && (text[start] == '"') != (text[end - 1] == '"') &&
        (text[start] == '\'') != (text[end - 1] == '\'') &&
        (text[start] == '"' || text[start] == '\'') &&
        (text[end - 1] == '"' || text[end - 1] == '\'') &&
        text.find_first_of("\"'", start + 1) == end - 1) {
      text[start] = text[end - 1] = '\'';
    }
    start = end + 1;
  }
  return text;
}

bool isBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](unsigned char c) { return c == ' ' || c == '\t' || c == '\n'; });
}


std::vector<PixelRect> layoutLines(tesseract::TessBaseAPI* api, Pix* image, int dpi) {
  std::vector<PixelRect> boxes;
  api->SetPageSegMode(tesseract::PSM_AUTO);
  api->SetImage(image);
  api->SetSourceResolution(dpi);
  std::unique_ptr<tesseract::PageIterator> it(api->AnalyseLayout());
  if (!it) return boxes;
  do {
    PixelRect box;
    if (it->BoundingBox(tesseract::RIL_TEXTLINE, &box.left, &box.top, &box.right, &box.bottom)) {
      boxes.push_back(box);
    }
  } while (it->Next(tesseract::RIL_TEXTLINE));
  return boxes;
}

// Reads the sample lines; returns their mean confidence.
float readSample(tesseract::TessBaseAPI* api, Pix* image, int dpi,
                 const std::vector<PixelRect>& sample, std::string* text) {
  api->SetImage(image);
  api->SetSourceResolution(dpi);
  text->clear();
  float confidence = 0;
  for (const PixelRect& box : sample) {
    std::string read;
    confidence += std::max(0.0f, readLine(api, box, &read, false));
    *text += read;
  }
  return sample.empty() ? 0 : confidence / sample.size();
}

bool recognize(tesseract::TessBaseAPI* api, Pix* image, int dpi) {
  api->SetPageSegMode(tesseract::PSM_AUTO);
  api->SetImage(image);
  api->SetSourceResolution(dpi);
  return api->Recognize(nullptr) == 0;
}

// The text lines with their words, in Tesseract's reading order; lines
// of one text block share a block number.
std::vector<Line> collectLines(tesseract::TessBaseAPI* api, Pix* image) {
  std::vector<Line> lines;
  std::unique_ptr<tesseract::ResultIterator> it(api->GetIterator());
  if (!it) return lines;
  const int width = pixGetWidth(image);
  const int height = pixGetHeight(image);
  int block = -1;
  do {
    if (it->IsAtBeginningOf(tesseract::RIL_BLOCK)) ++block;
    if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) {
      Line line;
      PixelRect& p = line.pixels;
      if (!it->BoundingBox(tesseract::RIL_TEXTLINE, &p.left, &p.top, &p.right, &p.bottom)) {
        continue;
      }
      line.recognized.text = takeText(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
      line.recognized.confidence = it->Confidence(tesseract::RIL_TEXTLINE);
      line.recognized.box = normalizePixelBox(p.left, p.top, p.right, p.bottom, width, height);
      line.block = block;
      lines.push_back(std::move(line));
    }
    LayoutWord word;
    PixelRect& w = word.box;
    if (!lines.empty() && it->BoundingBox(tesseract::RIL_WORD, &w.left, &w.top, &w.right, &w.bottom)) {
      word.text = takeText(it->GetUTF8Text(tesseract::RIL_WORD));
      if (!isBlank(word.text)) {
        Line& line = lines.back();
        line.characters += word.text.size();
        const float confidence = it->Confidence(tesseract::RIL_WORD);
        const bool known = it->WordIsFromDictionary() || it->WordIsNumeric();
        if (confidence < kWeakWordConfidence ||
            (!known && confidence < kUnknownWordConfidence)) {
          line.weakCharacters += word.text.size();
        }
        // Korean and Chinese text comes as one word per syllable or
        // character, with no blank between those of one written word.
        if (!line.words.empty() && !it->IsAtBeginningOf(tesseract::RIL_TEXTLINE) &&
            it->BlanksBeforeWord() == 0) {
          LayoutWord& previous = line.words.back();
          previous.text += word.text;
          previous.box = unite(previous.box, word.box);
        } else {
          line.words.push_back(std::move(word));
        }
      }
    }
  } while (it->Next(tesseract::RIL_WORD));
  // Specks and rules come back as lines read as blanks; they are not text.
  std::erase_if(lines, [](const Line& line) { return isBlank(line.recognized.text); });
  return lines;
}

namespace {

// The rectangle a line is read in alone: a margin all round, wider at the
// ends for small punctuation the layout leaves out of a line's box.
void setLineRectangle(tesseract::TessBaseAPI* api, const PixelRect& box, bool afterMarker) {
  const int height = box.bottom - box.top;
  const int pad = std::max(2, height / 6);
  const int left = std::max(0, box.left - (afterMarker ? pad : height));
  const int top = std::max(0, box.top - pad);
  api->SetPageSegMode(tesseract::PSM_SINGLE_LINE);
  api->SetRectangle(left, top, box.right + height - left, box.bottom + pad - top);
}

// The found line whose end or start `run` is: on its row, just right or
// left of it.
Line* lineNextTo(const PixelRect& run, std::vector<Line>* lines) {
  for (Line& line : *lines) {
    const PixelRect& box = line.pixels;
    const int h = std::min(box.height(), run.height());
    const int gap = std::max(run.left - box.right, box.left - run.right);
    if (gap >= -h / 2 && gap <= 2 * h && verticalOverlap(box, run) * 10 >= h * 7) return &line;
  }
  return nullptr;
}

}  // namespace

// Reads one line alone; returns its confidence, or -1 when nothing was read.
// Layout leaves small full-width punctuation at a line's end outside its box,
// hence the wide horizontal margin; on the left it would take in the marker
// of a text that starts after one.
float readLine(tesseract::TessBaseAPI* api, const PixelRect& box, std::string* text,
               bool afterMarker) {
  setLineRectangle(api, box, afterMarker);
  if (api->Recognize(nullptr) != 0) return -1;
  *text = takeText(api->GetUTF8Text());
  return text->empty() ? -1 : static_cast<float>(api->MeanTextConf());
}

std::vector<LeadColumn> leadColumns(const std::vector<Line>& lines) {
  std::vector<PixelRect> boxes;
  for (const Line& line : lines) boxes.push_back(line.pixels);
  const int typical = typicalHeight(boxes);
  std::vector<LeadColumn> found;
  for (size_t c = 0; c < lines.size(); ++c) {
    const PixelRect& column = boxes[c];
    if (column.height() < 3 * typical || column.width() > 2 * typical) continue;
    LeadColumn lead{c, {}};
    for (size_t i = 0; i < lines.size(); ++i) {
      const PixelRect& box = boxes[i];
      const int space = box.left - column.right;
      if (i != c && space >= 0 && space <= typical && box.height() < 2 * typical &&
          verticalOverlap(box, column) * 10 >= box.height() * 7) {
        lead.lines.push_back(i);
      }
    }
    if (lead.lines.size() >= 2) found.push_back(std::move(lead));
  }
  return found;
}

namespace {

// One line read alone in `box`, if it comes out as one line read surely.
std::optional<Line> readSurely(tesseract::TessBaseAPI* api, Pix* image, const PixelRect& box,
                               bool afterMarker) {
  setLineRectangle(api, box, afterMarker);
  std::vector<Line> read;
  if (api->Recognize(nullptr) == 0) read = collectLines(api, image);
  const bool sure = read.size() == 1 && read[0].recognized.confidence >= kUnreadConfidence;
  return sure ? std::optional<Line>(std::move(read[0])) : std::nullopt;
}

void rejoinLeadColumns(tesseract::TessBaseAPI* api, Pix* image, std::vector<Line>* lines) {
  std::vector<size_t> taken;
  for (const LeadColumn& lead : leadColumns(*lines)) {
    const PixelRect& column = (*lines)[lead.column].pixels;
    bool reread = false;
    for (size_t i : lead.lines) {
      Line& line = (*lines)[i];
      PixelRect box = line.pixels;
      box.left = column.left;
      // A bullet may stand left of the column: it is no part of the text.
      std::optional<Line> read = readSurely(api, image, box, true);
      if (!read) continue;
      read->block = line.block;
      line = std::move(*read);
      reread = true;
    }
    if (reread) taken.push_back(lead.column);
  }
  std::sort(taken.begin(), taken.end());
  for (size_t k = taken.size(); k-- > 0;) lines->erase(lines->begin() + taken[k]);
}

}  // namespace

void readUnreadInk(tesseract::TessBaseAPI* api, Pix* image, std::vector<Line>* lines) {
  rejoinLeadColumns(api, image, lines);
  std::vector<PixelRect> boxes;
  int block = 0;
  for (const Line& line : *lines) {
    boxes.push_back(line.pixels);
    block = std::max(block, line.block + 1);
  }
  const int typical = typicalHeight(boxes);
  for (const PixelRect& run : unreadInk(image, boxes)) {
    Line* head = lineNextTo(run, lines);
    PixelRect box = head ? unite(head->pixels, run) : run;
    std::optional<Line> read = readSurely(api, image, box, false);
    // Cut to the ink of capitals or digits alone ("CJS", "~290 KB"), a line
    // reads worse than with the room a line of text has.
    if (!read && box.height() < typical) {
      box.top -= (typical - box.height()) / 2;
      box.bottom = box.top + typical;
      read = readSurely(api, image, box, false);
    }
    if (!read) continue;
    read->block = head ? head->block : block++;
    if (head) {
      *head = std::move(*read);
    } else {
      lines->push_back(std::move(*read));
    }
  }
}
std::vector<Line> readCell(tesseract::TessBaseAPI* api, Pix* image, Pix* ink,
                           const PixelRect& cell, int lineHeight) {
  std::vector<Line> lines;
  // Inside the rules, which are not text.
  const int inset = std::max(3, lineHeight / 6);
  if (cell.width() <= 2 * inset || cell.height() <= 2 * inset) return lines;
  const PixelRect inside{cell.left + inset, cell.top + inset, cell.right - inset,
                         cell.bottom - inset};
  // Line by line: read as a block, a cell's lines come out in pieces and a
  // lone Han character as two lines, its upper and lower parts. Each line
  // with the space around it up to the lines next to it: the recognizer
  // reads a tightly cut line worse.
  const std::vector<PixelRect> bands = inkLinesIn(ink, inside, lineHeight);
  for (size_t i = 0; i < bands.size(); ++i) {
    // A lone short stroke is the dash of an empty value, which the
    // recognizer drops or, with a Chinese model, reads as a Han character.
    if (bands.size() == 1 && bands[i].height() * 6 <= lineHeight && bands[i].width() <= lineHeight) {
      Line dash;
      dash.pixels = bands[i];
      dash.recognized.text = "-";
      dash.recognized.confidence = 100;
      dash.recognized.box = normalizePixelBox(bands[i].left, bands[i].top, bands[i].right,
                                              bands[i].bottom, pixGetWidth(image), pixGetHeight(image));
      dash.words = {LayoutWord{"-", bands[i]}};
      dash.characters = 1;
      lines.push_back(std::move(dash));
      continue;
    }
    const int top = i ? (bands[i - 1].bottom + bands[i].top) / 2 : inside.top;
    const int bottom =
        i + 1 < bands.size() ? (bands[i].bottom + bands[i + 1].top) / 2 : inside.bottom;
    api->SetPageSegMode(tesseract::PSM_SINGLE_LINE);
    api->SetRectangle(inside.left, top, inside.width(), bottom - top);
    if (api->Recognize(nullptr) != 0) continue;
    for (Line& line : collectLines(api, image)) lines.push_back(std::move(line));
  }
  return lines;
}

namespace {

constexpr int kFaintInk = 24;

bool isMarksOnly(const std::string& word) {
  const std::vector<char32_t> points = codePoints(word);
  return std::none_of(points.begin(), points.end(),
                      [](char32_t c) { return u_isalnum(static_cast<UChar32>(c)); });
}

// Drops the `nth` whole token `token` of `text` with the blank before it.
void eraseToken(const std::string& token, size_t nth, std::string* text) {
  for (size_t at = text->find(token); at != std::string::npos; at = text->find(token, at + 1)) {
    const size_t end = at + token.size();
    if ((at > 0 && (*text)[at - 1] != ' ') || (end < text->size() && (*text)[end] != ' ')) continue;
    if (nth-- > 0) continue;
    const size_t from = at > 0 ? at - 1 : at;
    text->erase(from, end - from + (at == 0 && end < text->size()));
    return;
  }
}

size_t tokenCount(const std::string& token, const std::string& text) {
  size_t count = 0;
  for (size_t at = 0, end; at <= text.size(); at = end + 1) {
    end = std::min(text.find(' ', at), text.size());
    count += text.compare(at, end - at, token) == 0;
  }
  return count;
}

}  // namespace

void dropInklessMarks(Pix* image, std::vector<Line>* lines) {
  // Faint separators ("|" in light grey) are marks still.
  const int blank = groundGrey(image) - kFaintInk;
  for (Line& line : *lines) {
    std::vector<LayoutWord>& words = line.words;
    // A small mark's box may lie a few pixels off its ink.
    const int margin = std::max(2, line.pixels.height() / 4);
    for (size_t i = words.size(); i-- > 0;) {
      const std::string& mark = words[i].text;
      PixelRect around = words[i].box;
      around.left -= margin;
      around.right += margin;
      if (!isMarksOnly(mark) || darkestIn(image, around) < blank) continue;
      // The text loses the same one of its equal tokens, where it still
      // holds as many as the words do.
      const size_t same = std::count_if(words.begin(), words.end(),
                                        [&](const LayoutWord& w) { return w.text == mark; });
      if (tokenCount(mark, line.recognized.text) == same) {
        const size_t nth = std::count_if(words.begin(), words.begin() + i,
                                         [&](const LayoutWord& w) { return w.text == mark; });
        eraseToken(mark, nth, &line.recognized.text);
      }
      words.erase(words.begin() + i);
    }
  }
}

void readCells(tesseract::TessBaseAPI* api, Pix* image, const std::vector<PixelRect>& cells,
               int lineHeight, std::vector<Line>* lines) {
  if (cells.empty()) return;
  PixPtr ink = inkOf(image);
  if (!ink) return;
  int block = 0;
  for (const Line& line : *lines) block = std::max(block, line.block + 1);
  api->SetImage(image);
  for (const PixelRect& cell : cells) {
    for (Line& line : readCell(api, image, ink.get(), cell, lineHeight)) {
      line.block = block;
      lines->push_back(std::move(line));
    }
    ++block;
  }
}

// A list marker that the primary model read before the text ("1.", "a)"),
// or its reading of a drawn bullet ("©"), stays a word of its own: the list
// rules need it, and the bullet is found left of the first word.
bool keepsMarker(const Line& line) {
  if (line.words.size() < 2) return false;
  const std::string& first = line.words.front().text;
  return markerTypeOf(first).has_value() || isMisreadBullet(first);
}

// What the other model reads of a line: all of it, or what follows its marker.
PixelRect textBox(const Line& line) {
  PixelRect box = line.pixels;
  if (keepsMarker(line)) box.left = line.words[1].box.left;
  return box;
}

// The primary model's words were misread: the text (after a kept marker)
// becomes one word.
void takeReading(const Reading& reading, Line* line) {
  line->recognized.confidence = reading.confidence;
  if (keepsMarker(*line)) {
    LayoutWord marker = line->words.front();
    line->words = {marker, LayoutWord{reading.text, textBox(*line)}};
    line->recognized.text = marker.text + " " + reading.text;
    return;
  }
  line->recognized.text = reading.text;
  line->words = {LayoutWord{reading.text, line->pixels}};
}

float readEnlarged(tesseract::TessBaseAPI* api, Pix* image, const PixelRect& box, int typeHeight,
                   std::string* text) {
  // Small link text (13 px) read in place: "1i2js"; enlarged: "1.1.2.js".
  if (typeHeight >= kReadWellHeight) {
    api->SetImage(image);
    return readSpan(api, box, text);
  }
  BOX* clip = boxCreate(box.left, box.top, box.width(), box.height());
  PixPtr part(clip ? pixClipRectangle(image, clip, nullptr) : nullptr);
  boxDestroy(&clip);
  PixPtr larger(part ? pixScaleGrayLI(part.get(), 2.0f, 2.0f) : nullptr);
  if (!larger) return -1;
  api->SetImage(larger.get());
  api->SetPageSegMode(tesseract::PSM_SINGLE_LINE);
  if (api->Recognize(nullptr) != 0) return -1;
  *text = takeText(api->GetUTF8Text());
  return text->empty() ? -1 : static_cast<float>(api->MeanTextConf());
}

float readSpan(tesseract::TessBaseAPI* api, const PixelRect& box, std::string* text) {
  api->SetPageSegMode(tesseract::PSM_SINGLE_LINE);
  api->SetRectangle(box.left, box.top, box.width(), box.height());
  if (api->Recognize(nullptr) != 0) return -1;
  *text = takeText(api->GetUTF8Text());
  return text->empty() ? -1 : static_cast<float>(api->MeanTextConf());
}

bool inRowOf(const PixelRect& line, const PixelRect& span) {
  return span.midY() >= line.top && span.midY() < line.bottom &&
         span.left >= line.left - line.height() && span.right <= line.right + line.height();
}

void placeSpans(std::vector<LayoutWord> words, const std::vector<PixelRect>& spans,
                const std::vector<Reading>& readings, Line* line) {
  std::vector<std::pair<LayoutWord, bool>> pieces;  // with whether it is a span
  for (LayoutWord& word : words) pieces.emplace_back(std::move(word), false);
  for (size_t i = 0; i < spans.size(); ++i) {
    pieces.emplace_back(LayoutWord{readings[i].text, spans[i]}, true);
  }
  std::stable_sort(pieces.begin(), pieces.end(), [](const auto& a, const auto& b) {
    return a.first.box.left < b.first.box.left;
  });
  // Text that touches a span's tint is glued to it: "세차(" before "secha".
  const int touch = std::max(2, line->pixels.height() / 8);
  std::string text;
  line->words.clear();
  for (size_t i = 0; i < pieces.size(); ++i) {
    LayoutWord& piece = pieces[i].first;
    const bool glued = i > 0 && (pieces[i].second || pieces[i - 1].second) &&
                       piece.box.left - pieces[i - 1].first.box.right <= touch;
    text += (i == 0 || glued ? "" : " ") + piece.text;
    if (glued) {
      line->words.back().text += piece.text;
      line->words.back().box = unite(line->words.back().box, piece.box);
    } else {
      line->words.push_back(piece);
    }
    line->pixels = unite(line->pixels, piece.box);
  }
  line->recognized.text = text;
}

namespace {

// The span's words of `line`, if they lie whole inside it and hold no East
// Asian character.
std::optional<LatinSpan> codeSpanOf(Line* line, const PixelRect& span) {
  const int touch = std::max(2, line->pixels.height() / 8);
  LatinSpan latin{line, span, {}, span, true};
  for (size_t i = 0; i < line->words.size(); ++i) {
    const PixelRect& box = line->words[i].box;
    if (!containsPoint(span, box.midX(), box.midY())) continue;
    if (box.left < span.left - touch || box.right > span.right + touch ||
        hasEastAsianScript(line->words[i].text)) {
      return std::nullopt;
    }
    latin.words.push_back(i);
  }
  if (latin.words.empty()) return std::nullopt;
  return latin;
}

// Runs of words set apart from the rest of `line` (a table row's cells, or
// the whole line) that hold no East Asian character and overlap none of
// `found`.
void addLatinRuns(Line* line, std::vector<LatinSpan>* found) {
  const std::vector<LayoutWord>& words = line->words;
  const int gap = line->pixels.height();
  // A list's marker ("1.", a bullet read as "e") stays a word of its own.
  const bool marked = words.size() > 1 && words.front().text.size() <= 3;
  for (size_t i = marked ? 1 : 0, end; i < words.size(); i = end) {
    end = i + 1;
    while (end < words.size() && words[end].box.left - words[end - 1].box.right < gap) ++end;
    LatinSpan run{line, words[i].box, {}, {}};
    bool latin = true;
    for (size_t k = i; k < end; ++k) {
      run.box = unite(run.box, words[k].box);
      run.words.push_back(k);
      latin = latin && !hasEastAsianScript(words[k].text);
    }
    const bool taken = std::any_of(found->begin(), found->end(), [&](const LatinSpan& s) {
      return s.line == line && std::min(s.box.right, run.box.right) > std::max(s.box.left, run.box.left);
    });
    if (!latin || taken) continue;
    // Read tight, the first letters come out wrong ("eqitor-id"); the
    // margin stays clear of the words beside.
    const int pad = std::max(2, gap / 6);
    const int before = i > 0 ? words[i - 1].box.right : run.box.left - 2 * gap;
    const int after = end < words.size() ? words[end].box.left : run.box.right + 2 * gap;
    run.readBox = {std::max(run.box.left - gap, (before + run.box.left) / 2),
                   std::min(run.box.top, line->pixels.top) - pad,
                   std::min(run.box.right + gap, (run.box.right + after) / 2),
                   std::max(run.box.bottom, line->pixels.bottom) + pad};
    found->push_back(std::move(run));
  }
}

}  // namespace

std::vector<LatinSpan> latinSpans(const std::vector<PixelRect>& spans, std::vector<Line>* lines) {
  std::vector<LatinSpan> found;
  for (Line& line : *lines) {
    for (const PixelRect& span : spans) {
      if (!inRowOf(line.pixels, span)) continue;
      if (std::optional<LatinSpan> latin = codeSpanOf(&line, span)) found.push_back(*latin);
    }
    addLatinRuns(&line, &found);
  }
  // Right to left within a line, so that putting one in leaves the indices
  // of those before it as they are.
  std::sort(found.begin(), found.end(), [](const LatinSpan& a, const LatinSpan& b) {
    return std::tie(a.line, b.box.left) < std::tie(b.line, a.box.left);
  });
  return found;
}

std::string textOf(const LatinSpan& span) {
  std::string text;
  for (size_t i : span.words) text += (text.empty() ? "" : " ") + span.line->words[i].text;
  return text;
}

bool sameLettersAndDigits(const std::string& a, const std::string& b) {
  auto key = [](const std::string& text) {
    std::vector<char32_t> kept = codePoints(text);
    std::erase_if(kept, [](char32_t c) { return !u_isalnum(static_cast<UChar32>(c)); });
    return kept;
  };
  return key(a) == key(b);
}

void putSpan(const LatinSpan& span, const Reading& reading) {
  Line& line = *span.line;
  const std::vector<size_t>& taken = span.words;
  if (taken.back() - taken.front() + 1 != taken.size()) return;
  const std::string read = textOf(span);
  // In place, word for word: a line may hold two rows, and the text stays
  // in its order.
  std::string& text = line.recognized.text;
  const size_t at = text.find(read);
  if (read == reading.text || at == std::string::npos) return;
  text.replace(at, read.size(), reading.text);
  auto first = line.words.begin() + static_cast<long>(taken.front());
  *first = {reading.text, span.box};
  line.words.erase(first + 1, first + static_cast<long>(taken.size()));
}

void readAroundSpans(tesseract::TessBaseAPI* api, Pix* image,
                     const std::vector<SpansOfLine>& misread, std::vector<Line>* lines) {
  if (misread.empty()) return;
  PixPtr blanked(pixCopy(nullptr, image));
  if (!blanked) return;
  for (const SpansOfLine& of : misread) {
    for (const PixelRect& span : of.spans) {
      l_uint32 tint = 255;
      pixGetPixel(image, span.left + 1, span.top + 1, &tint);
      BOX* box = boxCreate(span.left, span.top, span.width(), span.height());
      pixSetInRectArbitrary(blanked.get(), box, tint);
      boxDestroy(&box);
    }
  }
  api->SetImage(blanked.get());
  std::vector<PixelRect> reread;
  for (const SpansOfLine& of : misread) {
    setLineRectangle(api, of.line->pixels, false);
    if (api->Recognize(nullptr) != 0) continue;
    std::vector<LayoutWord> words;
    for (Line& read : collectLines(api, blanked.get())) {
      for (LayoutWord& word : read.words) words.push_back(std::move(word));
    }
    placeSpans(std::move(words), of.spans, of.readings, of.line);
    reread.push_back(of.line->pixels);
  }
  std::erase_if(*lines, [&](const Line& other) {
    return std::any_of(reread.begin(), reread.end(), [&](const PixelRect& box) {
      const PixelRect& p = other.pixels;
      return p != box && p.left >= box.left && p.right <= box.right &&
             verticalOverlap(p, box) * 10 >= p.height() * 7;
    });
  });
}

bool isAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](unsigned char c) { return c < 0x80; });
}

bool mayBeMisreadCode(const Line& line, const PixelRect& span) {
  bool syllables = false, digits = false, jamo = false;
  for (const LayoutWord& word : line.words) {
    if (std::min(word.box.right, span.right) <= std::max(word.box.left, span.left)) continue;
    for (char32_t c : codePoints(word.text)) {
      syllables = syllables || (c >= 0xAC00 && c <= 0xD7AF);
      jamo = jamo || (c >= 0x3130 && c <= 0x318F) || (c >= 0x1100 && c <= 0x11FF);
      digits = digits || (c >= '0' && c <= '9');
    }
  }
  return !syllables || digits || jamo;
}

#include "tesseract_engine.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>

#include <leptonica/allheaders.h>
#include <omp.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>
#include <tesseract/version.h>

#include "languages.h"
#include "layout_analysis.h"
#include "leptonica_image.h"
#include "list_markers.h"
#include "pixel_features.h"
#include "table_finder.h"
#include "tesseract_lines.h"

namespace {

// Screenshots carry no resolution; text on a 1x screen is laid out at about 96 dpi.
constexpr int kScreenDpi = 96;
// Text whose usual line height is below this (type under about 12 px) is
// read far better after a 2x upscale: 1-13 % character errors against none.
constexpr int kSmallLinePixels = 12;
// Weak lines on which the alternative models are compared, and lines of a
// page on which its script is probed.
constexpr size_t kProbeLines = 3;
// The Korean model reads Korean samples above this, others far below.
constexpr float kSurelyKorean = 65;
// How wide, in line heights, a probed line is read.
constexpr int kSampleWidth = 16;
// A Chinese model reading a page's sample at least this well keeps the page.
constexpr float kSurelyRead = 88;
// A code span read alone at this or better needs no other model, and is
// surer than its reading in its line.
constexpr float kSureSpan = 80;
// A Latin reading of an East Asian page's Latin run that has the same
// letters and digits is taken from this confidence on (measured: 72-80 for
// small link text whose dots the East Asian models dropped).
constexpr float kPunctuatedSpan = 60;
// How much higher the other Chinese model's confidence must be to be chosen.
constexpr float kClearlyBetter = 8;
// A page with less square type than this share is a Latin page.
constexpr double kLatinPage = 0.05;
// A page is read with an East Asian model when at least this share of its
// lines' width is set in type that fills its square.
constexpr double kEastAsianPage = 0.3;
// Latin lines read by the Latin models: 85-96; East Asian ones 0-70 (measured).
constexpr float kReadWell = 65;

std::vector<std::string> listInstalled(const std::string& datapath) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(datapath.c_str());
  if (!dir) return names;
  const std::string suffix = ".traineddata";
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name.size() <= suffix.size() || !name.ends_with(suffix)) continue;
    name.resize(name.size() - suffix.size());
    // Script detection and equation data are not recognition languages.
    if (name != "osd" && name != "equ") names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::string findDatapath() {
  std::vector<std::string> candidates;
  if (const char* prefix = std::getenv("TESSDATA_PREFIX"); prefix && *prefix) {
    candidates.push_back(prefix);
  }
  candidates.push_back("/usr/share/tesseract-ocr/5/tessdata");
  candidates.push_back("/usr/share/tesseract-ocr/4.00/tessdata");
  for (const std::string& dir : candidates) {
    if (!listInstalled(dir).empty()) return dir;
  }
  return candidates.back();
}

class TesseractEngine : public RecognitionEngine {
 public:
  TesseractEngine() : datapath_(findDatapath()), installed_(listInstalled(datapath_)) {}

  // The document analysis relies on Tesseract 5's LSTM layout and word boxes.
  bool supportsDocumentStructure() const override { return TESSERACT_MAJOR_VERSION >= 5; }

  std::vector<std::string> supportedLanguages() const override {
    return supportedTags(installed_);
  }

  bool recognizeLines(const std::string& path, const RecognitionOptions& options,
                      std::vector<RecognizedLine>* lines, std::string* err) override {
    Page page;
    if (!recognizePage(path, options, &page, err)) return false;
    lines->clear();
    for (Line& line : page.lines) lines->push_back(std::move(line.recognized));
    return true;
  }

  bool recognizeDocument(const std::string& path, const RecognitionOptions& options,
                         std::vector<DocumentContainer>* documents, std::string* err) override {
    Page page;
    if (!recognizePage(path, options, &page, err)) return false;
    PageLayout layout;
    layout.width = pixGetWidth(page.image.get());
    layout.height = pixGetHeight(page.image.get());
    for (Line& line : page.lines) {
      LayoutLine& added = layout.lines.emplace_back();
      added.text = line.recognized.text;
      added.words = std::move(line.words);
      added.box = line.pixels;
      added.block = line.block;
    }
    findPixelFeatures(page.image.get(), &layout);
    *documents = analyseLayout(layout);
    for (DocumentContainer& document : *documents) {
      for (TableElement& table : document.tables) readEmptyCells(page, &table);
    }
    return true;
  }

 private:
  struct Page {
    PixPtr image;  // as recognized: grey, dark on light, perhaps upscaled
    int dpi = kScreenDpi;
    int lineHeight = kSmallLinePixels;  // the usual height of its lines
    std::vector<Line> lines;
    std::unique_ptr<tesseract::TessBaseAPI> api;  // the models the page was read with
    // When it was read with an East Asian model: the Latin ones.
    std::unique_ptr<tesseract::TessBaseAPI> latin;
  };

  bool recognizePage(const std::string& path, const RecognitionOptions& options, Page* page,
                     std::string* err) const {
    // OpenMP threads make recognition several times slower on small machines;
    // OMP_THREAD_LIMIT is read when libgomp loads, too early to set here.
    omp_set_max_active_levels(0);
    PixPtr image;
    if (!readImage(path, &image, err)) return false;
    RecognitionPlan plan =
        planRecognition(options.languages, installed_, options.automaticLanguageDetection);
    if (plan.primary.empty()) {
      *err = "no recognition language is installed in " + datapath_;
      return false;
    }
    std::unique_ptr<tesseract::TessBaseAPI> api =
        loadModel(plan.primary, options.languageCorrection, err);
    if (!api) return false;
    int dpi = kScreenDpi;
    // The layout alone is cheap: its lines tell the size of the type and its
    // script before anything is read.
    std::vector<PixelRect> boxes = layoutLines(api.get(), image.get(), dpi);
    bool layoutKept = true;  // the models hold this layout of this image still
    if (isSmallText(boxes, image.get())) {
      PixPtr larger(pixScaleGrayLI(image.get(), 2.0f, 2.0f));
      if (larger) {
        image = std::move(larger);
        layoutKept = false;
        dpi *= 2;
        for (PixelRect& box : boxes) box = {2 * box.left, 2 * box.top, 2 * box.right, 2 * box.bottom};
      }
    }
    // Longer than any glyph's stroke, so that only lines under text go.
    if (eraseUnderlines(image.get(), 2 * typicalHeight(boxes)) > 0) layoutKept = false;
    const std::vector<bool> square = squareType(image.get(), boxes);
    if (needsProbe(plan, boxes, square)) layoutKept = false;
    ChosenModel chosen =
        choosePageModel(plan, options.languageCorrection, api.get(), image.get(), dpi, boxes, square);
    const std::string& pageModel = chosen.languages;
    if (!pageModel.empty() && !chosen.api) {
      chosen.api = loadModel(pageModel, options.languageCorrection, err);
    }
    // The Latin models stay for the page's Latin runs, code and cells.
    std::unique_ptr<tesseract::TessBaseAPI> latin;
    if (chosen.api) {
      latin = std::move(api);
      api = std::move(chosen.api);
    }
    const bool eastAsianPage = latin != nullptr;
    // Across a grid's rules the page layout joins and splits the lines of
    // East Asian cells at will: such a page is read without its grids, each
    // cell alone. Latin cells it reads as well in place (measured), and
    // reading line by line would cost a third more time on a table.
    const int lineHeight = typicalHeight(boxes);
    std::vector<PixelRect> cells;
    PixPtr rest = eastAsianPage ? withoutGrids(image.get(), lineHeight, &cells) : nullptr;
    Pix* text = rest ? rest.get() : image.get();
    // A Latin page is recognized on the layout already found: finding it
    // again cost a tenth to a fifth of the recognition.
    const bool read = layoutKept && !eastAsianPage ? api->Recognize(nullptr) == 0
                                                    : recognize(api.get(), text, dpi);
    if (!read) {
      *err = "text recognition failed on \"" + path + "\"";
      return false;
    }
    std::vector<Line> found = collectLines(api.get(), text);
    readUnreadInk(api.get(), text, &found);
    readCells(api.get(), image.get(), cells, lineHeight, &found);
    dropInklessMarks(image.get(), &found);
    // On a Latin page, lines in another script are read by their own model.
    if (!eastAsianPage) {
      rereadWeakLines(plan.alternatives, options.languageCorrection, image.get(), dpi, &found);
    } else if (pageModel.starts_with("kor")) {
      rereadLatinLines(latin.get(), image.get(), dpi, &found);
      rereadCodeSpans(latin.get(), api.get(), image.get(), dpi, lineHeight, cells, &found);
    } else {
      rereadLatinSpans(latin.get(), image.get(), dpi, lineHeight, cells, &found);
    }
    page->image = std::move(image);
    page->dpi = dpi;
    page->lineHeight = lineHeight;
    page->lines = std::move(found);
    page->api = std::move(api);
    page->latin = std::move(latin);
    return true;
  }


  // The image with the grids that its rules draw blanked, and their cells;
  // null when it has none.
  static PixPtr withoutGrids(Pix* image, int lineHeight, std::vector<PixelRect>* cells) {
    std::vector<PixelRect> across, down;
    findRules(image, &across, &down);
    const std::vector<RuleGrid> grids = ruleGrids(across, down, std::max(3, lineHeight / 3));
    if (grids.empty()) return nullptr;
    PixPtr rest(pixCopy(nullptr, image));
    if (!rest) return nullptr;
    // The page's own grey: a blank of another would be a picture to the layout.
    const int ground = groundGrey(image);
    for (const RuleGrid& grid : grids) {
      // A box, or a card ruled between its rows, is no grid of cells.
      if (grid.xs.size() < 3 || grid.ys.size() < 3) continue;
      for (size_t r = 0; r + 1 < grid.ys.size(); ++r) {
        for (size_t c = 0; c + 1 < grid.xs.size(); ++c) {
          cells->push_back({grid.xs[c], grid.ys[r], grid.xs[c + 1], grid.ys[r + 1]});
        }
      }
      BOX* area = boxCreate(grid.xs.front(), grid.ys.front(), grid.xs.back() - grid.xs.front(),
                            grid.ys.back() - grid.ys.front());
      pixSetInRectArbitrary(rest.get(), area, ground);
      boxDestroy(&area);
    }
    return cells->empty() ? nullptr : std::move(rest);
  }

  // The share of the lines' width whose type fills its square.
  static double squareShare(const std::vector<PixelRect>& boxes, const std::vector<bool>& square) {
    long all = 0, filled = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
      all += boxes[i].width();
      if (square[i]) filled += boxes[i].width();
    }
    return all > 0 ? static_cast<double>(filled) / all : 0.0;
  }

  // Whether the page's square type is worth a probe of its script.
  static bool needsProbe(const RecognitionPlan& plan, const std::vector<PixelRect>& boxes,
                         const std::vector<bool>& square) {
    return !plan.alternatives.empty() && squareShare(boxes, square) >= kLatinPage;
  }

  // The model an East Asian page is read with whole, since it reads the Latin
  // words between too; empty for a page the primary models read.
  // A model chosen for the page, with the instance that read the sample
  // when it was that model: loading it again would cost a tenth of a second.
  struct ChosenModel {
    std::string languages;  // none: the primary models read the page
    std::unique_ptr<tesseract::TessBaseAPI> api;
  };

  ChosenModel choosePageModel(const RecognitionPlan& plan, bool correction,
                              tesseract::TessBaseAPI* primary, Pix* image, int dpi,
                              const std::vector<PixelRect>& boxes,
                              const std::vector<bool>& square) const {
    if (!needsProbe(plan, boxes, square)) return {};
    std::vector<PixelRect> squareLines;
    for (size_t i = 0; i < boxes.size(); ++i) {
      if (square[i]) squareLines.push_back(boxes[i]);
    }
    // A table row's line holds its Latin cells too: the square runs are
    // what tells the script.
    std::vector<PixelRect> sample = squareRuns(image, squareLines);
    if (sample.empty()) sample = squareLines;
    std::stable_sort(sample.begin(), sample.end(), [](const PixelRect& a, const PixelRect& b) {
      return a.width() > b.width();
    });
    sample.resize(std::min(sample.size(), kProbeLines));
    // A line's first sixteen or so characters tell its script as well as all of
    // them (on every page of the corpus, sixteen chose as thirty-two did), and
    // each model reads the sample: the rest costs seconds.
    for (PixelRect& box : sample) box.right = std::min(box.right, box.left + kSampleWidth * box.height());
    // Digits, capitals and bold type can look square too: what the primary
    // models read well is their own script.
    std::string text;
    const float latin = readSample(primary, image, dpi, sample, &text);
    if (latin >= kReadWell) return {};
    return chooseEastAsianModel(plan, correction, image, dpi, sample);
  }

  // Reads the sample lines with the probe model and lets the language rules
  // choose; without a probe model the first alternative.
  ChosenModel chooseEastAsianModel(const RecognitionPlan& plan, bool correction, Pix* image,
                                   int dpi, const std::vector<PixelRect>& sample) const {
    std::string ignored;
    // Korean is told by its own model, which loads fast: it reads Korean
    // samples at 71-93 and the others at 45 or less, while the Japanese model
    // reads Korean at 22-57. Where it reads the sample surely, the Japanese
    // model is not needed.
    float korean = -1;
    if (std::find(plan.alternatives.begin(), plan.alternatives.end(), "kor") !=
        plan.alternatives.end()) {
      std::string read;
      if (auto model = loadModel("kor", correction, &ignored)) {
        korean = readSample(model.get(), image, dpi, sample, &read);
      }
    }
    if (korean >= kSurelyKorean) {
      return {eastAsianModel(plan.alternatives, installed_, "", 0, korean), nullptr};
    }
    std::optional<std::string> probe = probeModel(plan.alternatives);
    std::unique_ptr<tesseract::TessBaseAPI> api =
        probe ? loadModel(*probe, correction, &ignored) : nullptr;
    if (!api) return {plan.alternatives.front(), nullptr};
    std::string text;
    const float confidence = readSample(api.get(), image, dpi, sample, &text);
    const std::string chosen =
        eastAsianModel(plan.alternatives, installed_, text, confidence, korean);
    if (chosen != "chi_sim" && chosen != "chi_tra") {
      return {chosen, chosen == *probe ? std::move(api) : nullptr};
    }
    // Simplified or traditional: the model that reads the sample better.
    const std::string other = chosen == "chi_sim" ? "chi_tra" : "chi_sim";
    if (std::find(plan.alternatives.begin(), plan.alternatives.end(), other) ==
        plan.alternatives.end()) {
      return {chosen, nullptr};
    }
    // The user's first choice keeps the page unless the other reads it clearly
    // better: both read most characters alike, and the confidences of a
    // simplified page were up to 4 apart, a traditional one 10 (measured).
    float scores[2];
    const std::string names[2] = {chosen, other};
    std::unique_ptr<tesseract::TessBaseAPI> models[2];
    for (int k = 0; k < 2; ++k) {
      models[k] = loadModel(names[k], correction, &ignored);
      scores[k] = models[k] ? readSample(models[k].get(), image, dpi, sample, &text) : -1;
      // Read that surely, the sample is in the first choice's script: the
      // simplified model read simplified pages at 76-93, a traditional one at 79.
      if (k == 0 && scores[0] >= kSurelyRead) return {chosen, std::move(models[0])};
    }
    const int better = scores[1] > scores[0] + kClearlyBetter ? 1 : 0;
    return {names[better], std::move(models[better])};
  }



  std::unique_ptr<tesseract::TessBaseAPI> loadModel(const std::string& languages,
                                                    bool correction, std::string* err) const {
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    // Noise removal reassigns strokes of unknown scripts to neighbouring lines
    // as "diacritics", which corrupts the line boxes that CJK text is re-read in.
    std::vector<std::string> names = {"debug_file", "enable_noise_removal"};
    std::vector<std::string> values = {"/dev/null", "0"};
    if (!correction) {
      for (const char* dawg : {"load_system_dawg", "load_freq_dawg", "load_punc_dawg",
                               "load_number_dawg", "load_unambig_dawg", "load_bigram_dawg"}) {
        names.push_back(dawg);
        values.push_back("0");
      }
    }
    if (api->Init(datapath_.c_str(), languages.c_str(), tesseract::OEM_LSTM_ONLY, nullptr, 0,
                  &names, &values, false) != 0) {
      *err = "cannot load the recognition data \"" + languages + "\" from " + datapath_;
      return nullptr;
    }
    return api;
  }


  // Whether the text is small enough that a 2x upscale reads it better: judged
  // from the layout's lines, before anything is read.
  static bool isSmallText(const std::vector<PixelRect>& lines, Pix* image) {
    if (lines.empty() || 4LL * pixGetWidth(image) * pixGetHeight(image) > kPixelBudget) {
      return false;
    }
    // The upper quartile: lines of digits or capitals alone (table cells)
    // lack descenders and look smaller than the type is.
    std::vector<int> heights;
    for (const PixelRect& line : lines) heights.push_back(line.height());
    const size_t quartile = heights.size() * 3 / 4;
    std::nth_element(heights.begin(), heights.begin() + quartile, heights.end());
    return heights[quartile] < kSmallLinePixels;
  }


  // Page segmentation can take a ruled table for a picture and read none of
  // it; its empty cells are then read one by one.
  void readEmptyCells(const Page& page, TableElement* table) const {
    Pix* image = page.image.get();
    const int width = pixGetWidth(image), height = pixGetHeight(image);
    PixPtr ink = inkOf(image);
    if (!ink) return;
    tesseract::TessBaseAPI* api = page.api.get();
    api->SetImage(image);
    api->SetSourceResolution(page.dpi);
    bool latinSet = false;  // the Latin models given this image
    for (auto& row : table->rows) {
      for (TextElement& cell : row) {
        if (!cell.transcript.empty()) continue;
        const PixelRect box{static_cast<int>(cell.region.minX() * width),
                            static_cast<int>((1 - cell.region.maxY()) * height),
                            static_cast<int>(cell.region.maxX() * width),
                            static_cast<int>((1 - cell.region.minY()) * height)};
        std::string text;
        for (const Line& line : readCell(api, image, ink.get(), box, page.lineHeight)) {
          if (isBlank(line.recognized.text)) continue;
          const std::string read = surerReading(page, line, &latinSet);
          text += (text.empty() ? "" : "\n") + read;
        }
        cell.transcript = text;
      }
    }
  }

  // A cell's value on an East Asian page ("'auto'", "[]") is often English,
  // which the East Asian model alone reads as Han characters: a line it reads
  // poorly is read by the Latin models too, the surer kept.
  static std::string surerReading(const Page& page, const Line& line, bool* latinSet) {
    if (!page.latin || line.recognized.confidence >= kSureSpan) return line.recognized.text;
    if (!*latinSet) {
      page.latin->SetImage(page.image.get());
      page.latin->SetSourceResolution(page.dpi);
      *latinSet = true;
    }
    std::string text;
    const float confidence = readLine(page.latin.get(), line.pixels, &text, false);
    return confidence > line.recognized.confidence ? text : line.recognized.text;
  }


  // Read alone, a short English line of a Korean page (a user name) often
  // comes out as Hangul and digits, though read with English too: its weak
  // lines are read by the Latin models as well, the surer reading kept.
  static void rereadLatinLines(tesseract::TessBaseAPI* latin, Pix* image, int dpi,
                               std::vector<Line>* lines) {
    latin->SetImage(image);
    latin->SetSourceResolution(dpi);
    for (Line& line : *lines) {
      // Hangul the Korean model read poorly is Hangul still: the Latin
      // models read it as letters, sure of them.
      if (!isWeak(line) || squareType(image, {line.pixels}).front()) continue;
      Reading reading;
      reading.confidence = readLine(latin, textBox(line), &reading.text, keepsMarker(line));
      if (reading.confidence > line.recognized.confidence) takeReading(reading, &line);
    }
  }

  // The code spans of `image` that lie in none of `cells` (grid cells were
  // read alone already), left to right.
  static std::vector<PixelRect> spansOutside(const std::vector<PixelRect>& cells, Pix* image,
                                             int lineHeight) {
    std::vector<PixelRect> spans = codeSpans(image, lineHeight);
    std::erase_if(spans, [&](const PixelRect& span) {
      return std::any_of(cells.begin(), cells.end(), [&](const PixelRect& cell) {
        return containsPoint(cell, span.midX(), span.midY());
      });
    });
    std::sort(spans.begin(), spans.end(),
              [](const PixelRect& a, const PixelRect& b) { return a.left < b.left; });
    return spans;
  }

  // `box` cut to the inside of the grid cell that holds its centre, if one
  // does: a rule read with the text comes out as a bracket.
  static PixelRect insideCell(PixelRect box, const std::vector<PixelRect>& cells) {
    for (const PixelRect& cell : cells) {
      if (!containsPoint(cell, box.midX(), box.midY())) continue;
      constexpr int kRule = 3;
      box.left = std::max(box.left, cell.left + kRule);
      box.top = std::max(box.top, cell.top + kRule);
      box.right = std::min(box.right, cell.right - kRule);
      box.bottom = std::min(box.bottom, cell.bottom - kRule);
      break;
    }
    return box;
  }

  // The Chinese and Japanese models read the Latin code of a span in their
  // line but drop its hyphens and dots ("editorid", "citiesjson"): spans
  // whose words hold no East Asian character are read by the Latin models.
  static void rereadLatinSpans(tesseract::TessBaseAPI* latin, Pix* image, int dpi,
                               int lineHeight, const std::vector<PixelRect>& cells,
                               std::vector<Line>* lines) {
    std::vector<LatinSpan> found = latinSpans(spansOutside(cells, image, lineHeight), lines);
    for (LatinSpan& span : found) {
      Reading reading;
      latin->SetSourceResolution(dpi);
      // Enlarged, a code span's tinted edge blurs into its letters.
      const int typeHeight = span.tinted ? kReadWellHeight : span.line->pixels.height();
      reading.confidence = readEnlarged(latin, image, insideCell(span.readBox, cells),
                                        typeHeight, &reading.text);
      // Less sure, it may still give back the dots and hyphens alone.
      const bool sure = reading.confidence >= kSureSpan ||
                        (reading.confidence >= kPunctuatedSpan &&
                         sameLettersAndDigits(textOf(span), reading.text));
      if (sure && isAscii(reading.text)) putSpan(span, reading);
    }
  }

  // Inline code on a Korean page is mostly English. Read in its line by the
  // Korean and English models together, it comes out as digits and jamo
  // ("isLeapMonth" as "15ㄴ680001대"); read alone, it comes out right. A line
  // whose English spans were misread is read again with them painted over,
  // and each span's own reading put in.
  static void rereadCodeSpans(tesseract::TessBaseAPI* latin, tesseract::TessBaseAPI* page,
                              Pix* image, int dpi, int lineHeight,
                              const std::vector<PixelRect>& cells, std::vector<Line>* lines) {
    const std::vector<PixelRect> spans = spansOutside(cells, image, lineHeight);
    if (spans.empty()) return;
    page->SetImage(image);
    page->SetSourceResolution(dpi);
    latin->SetImage(image);
    latin->SetSourceResolution(dpi);
    auto readAlone = [&](const PixelRect& span) {
      Reading reading;
      reading.confidence = readSpan(page, span, &reading.text);
      if (reading.confidence >= kSureSpan) return reading;
      Reading other;
      other.confidence = readSpan(latin, span, &other.text);
      return other.confidence > reading.confidence ? other : reading;
    };
    std::vector<SpansOfLine> misread;
    for (Line& line : *lines) {
      SpansOfLine found{&line, {}, {}};
      for (const PixelRect& span : spans) {
        if (!inRowOf(line.pixels, span) || !mayBeMisreadCode(line, span)) continue;
        Reading reading = readAlone(span);
        // Code that holds Hangul reads no better alone.
        if (reading.confidence < kSureSpan || !isAscii(reading.text) ||
            line.recognized.text.find(reading.text) != std::string::npos) {
          continue;
        }
        found.spans.push_back(span);
        found.readings.push_back(std::move(reading));
      }
      if (!found.spans.empty()) misread.push_back(std::move(found));
    }
    readAroundSpans(page, image, misread, lines);
  }

  // Lines the primary models read poorly are probably in another script:
  // the alternative model that reads a sample of them best reads them all.
  void rereadWeakLines(const std::vector<std::string>& alternatives, bool correction, Pix* image,
                       int dpi, std::vector<Line>* lines) const {
    // On a page of Latin type, code, tables and small print are read poorly
    // too; there only lines set in square type are worth another model.
    std::vector<PixelRect> boxes;
    for (const Line& line : *lines) boxes.push_back(line.pixels);
    const std::vector<bool> square = squareType(image, boxes);
    // Type that fills its box is square type only at full height and a few
    // characters wide: a lower-case word without ascenders ("name") or a
    // closing "})" in code fills its box too.
    const int typical = typicalHeight(boxes);
    std::vector<Line*> weak;
    for (size_t i = 0; i < lines->size(); ++i) {
      const PixelRect& box = boxes[i];
      const bool squareText = square[i] && box.height() * 10 >= typical * 7 &&
                              box.width() >= 2 * box.height();
      if (isWeak((*lines)[i]) && squareText) weak.push_back(&(*lines)[i]);
    }
    if (weak.empty() || alternatives.empty()) return;
    std::vector<Line*> probe = weak;
    std::stable_sort(probe.begin(), probe.end(), [](const Line* a, const Line* b) {
      return a->pixels.right - a->pixels.left > b->pixels.right - b->pixels.left;
    });
    probe.resize(std::min(probe.size(), kProbeLines));
    std::unique_ptr<tesseract::TessBaseAPI> best;
    std::vector<Reading> bestReadings;
    float bestScore = -1;
    for (const std::string& name : alternatives) {
      std::string ignored;
      std::unique_ptr<tesseract::TessBaseAPI> api = loadModel(name, correction, &ignored);
      if (!api) continue;
      api->SetImage(image);
      api->SetSourceResolution(dpi);
      std::vector<Reading> readings(probe.size());
      float score = 0;
      for (size_t i = 0; i < probe.size(); ++i) {
        readings[i].confidence = readLine(api.get(), textBox(*probe[i]), &readings[i].text,
                                          keepsMarker(*probe[i]));
        score += readings[i].confidence;
      }
      // A model that loses is freed at once: at most two are held besides the primary.
      if (score > bestScore) {
        bestScore = score;
        best = std::move(api);
        bestReadings = std::move(readings);
      }
    }
    if (!best) return;
    for (Line* line : weak) {
      Reading reading;
      auto probed = std::find(probe.begin(), probe.end(), line);
      if (probed != probe.end()) {
        reading = bestReadings[probed - probe.begin()];
      } else {
        reading.confidence = readLine(best.get(), textBox(*line), &reading.text, keepsMarker(*line));
      }
      // Another script's model reads Latin too, but is only believed for its own script.
      if (reading.confidence > line->recognized.confidence && hasEastAsianScript(reading.text)) {
        takeReading(reading, line);
      }
    }
  }




  std::string datapath_;
  std::vector<std::string> installed_;
};

}  // namespace

std::unique_ptr<RecognitionEngine> makeTesseractEngine() {
  return std::make_unique<TesseractEngine>();
}

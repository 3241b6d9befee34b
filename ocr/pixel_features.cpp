#include "pixel_features.h"

#include <algorithm>
#include <memory>

#include <leptonica/allheaders.h>

#include "leptonica_image.h"

namespace {

// The two most common greys, each with its share of the pixels: the page's
// ground, and on a page of cards or with a side bar, perhaps another.
struct Greys {
  int first = 255;
  int second = -1;  // none when no other grey covers a fifth of the page
};

Greys commonGreys(Pix* grey) {
  Greys found;
  NUMA* histogram = pixGetGrayHistogram(grey, std::max(1, pixGetWidth(grey) / 400));
  if (!histogram) return found;
  std::vector<float> counts(256);
  float total = 0;
  for (int v = 0; v < 256; ++v) {
    numaGetFValue(histogram, v, &counts[v]);
    total += counts[v];
  }
  numaDestroy(&histogram);
  auto band = [&](int v) {
    float sum = 0;
    for (int d = -2; d <= 2; ++d) sum += v + d >= 0 && v + d < 256 ? counts[v + d] : 0;
    return sum;
  };
  found.first = static_cast<int>(std::max_element(counts.begin(), counts.end()) - counts.begin());
  int second = -1;
  for (int v = 0; v < 256; ++v) {
    if (std::abs(v - found.first) > 4 && (second < 0 || counts[v] > counts[second])) second = v;
  }
  if (second >= 0 && band(second) * 5 >= total) found.second = second;
  return found;
}

// Ink is well darker than the ground: antialiased edges of text count half.
constexpr int kInkContrast = 70;
// Bullets are small: their thin antialiased outlines need a lighter cut to stay closed.
constexpr int kGlyphContrast = 40;
// Rules and borders are often a light grey, far lighter than text, and
// darker than any tint.
constexpr int kRuleContrast = 15;
// Han, kana and Hangul lines have a dense band of at least this share of
// their height (measured 85-100 %); mixed-case Latin lines 50-70 %.
constexpr int kSquareBand = 80;
// Panels are tinted only slightly: a code block on white is 248 against 255.
constexpr int kPanelContrast = 3;

int medianLineHeight(const PageLayout& page) {
  std::vector<int> heights;
  for (const LayoutLine& line : page.lines) heights.push_back(line.box.height());
  if (heights.empty()) return 16;
  std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
  return std::max(8, heights[heights.size() / 2]);
}

// The boxes of the dark runs at least `length` long one way and at most
// `thickness` the other, found by opening the binary image with a line.
std::vector<PixelRect> rulings(Pix* binary, int length, int thickness, bool horizontal) {
  std::vector<PixelRect> found;
  PixPtr opened(horizontal ? pixOpenBrick(nullptr, binary, length, 1)
                           : pixOpenBrick(nullptr, binary, 1, length));
  if (!opened) return found;
  BOXA* boxes = pixConnCompBB(opened.get(), 8);
  if (!boxes) return found;
  for (l_int32 i = 0; i < boxaGetCount(boxes); ++i) {
    l_int32 x, y, w, h;
    if (boxaGetBoxGeometry(boxes, i, &x, &y, &w, &h) != 0) continue;
    if ((horizontal ? h : w) <= thickness) found.push_back({x, y, x + w, y + h});
  }
  boxaDestroy(&boxes);
  return found;
}

// `typical` is the usual line height: a rule is longer than the strokes of
// large type, and a table's vertical rule spans at least a row.
void rulesAt(Pix* grey, int threshold, int typical, std::vector<PixelRect>* horizontal,
             std::vector<PixelRect>* vertical) {
  PixPtr binary(pixThresholdToBinary(grey, threshold));
  if (!binary) return;
  const int width = pixGetWidth(grey), height = pixGetHeight(grey);
  const int thickness = std::max(4, std::min(width, height) / 150);
  // Rules run across several words; letters are far shorter.
  *horizontal = rulings(binary.get(), std::max({40, width / 20, 3 * typical}), thickness, true);
  *vertical = rulings(binary.get(), std::max({24, height / 30, 2 * typical}), thickness, false);
}

// Regions of another ground than the page's, at least `size` across both
// ways: opening the mask of off-ground pixels with a square that size wipes
// out text strokes and keeps solid areas (a panel's text is off-ground too).
std::vector<Panel> findPanels(Pix* grey, int ground, int size, long long* largest) {
  std::vector<Panel> panels;
  *largest = 0;
  PixPtr offGround(pixGenerateMaskByBand(grey, std::max(0, ground - kPanelContrast + 1),
                                         std::min(255, ground + kPanelContrast - 1), 0, 0));
  if (!offGround) return panels;
  PixPtr opened(pixOpenBrick(nullptr, offGround.get(), size, size));
  if (!opened) return panels;
  BOXA* boxes = pixConnCompBB(opened.get(), 4);
  if (!boxes) return panels;
  const long long page = static_cast<long long>(pixGetWidth(grey)) * pixGetHeight(grey);
  for (l_int32 i = 0; i < boxaGetCount(boxes); ++i) {
    l_int32 x, y, w, h;
    if (boxaGetBoxGeometry(boxes, i, &x, &y, &w, &h) != 0) continue;
    *largest = std::max(*largest, static_cast<long long>(w) * h);
    // A ground that fills most of the image is the page's own, shaded.
    if (static_cast<long long>(w) * h * 2 > page) continue;
    panels.push_back({{x, y, x + w, y + h}});
  }
  boxaDestroy(&boxes);
  std::sort(panels.begin(), panels.end(), [](const Panel& a, const Panel& b) {
    return a.box.top != b.box.top ? a.box.top < b.box.top : a.box.left < b.box.left;
  });
  return panels;
}

// The stroke width of the ink in `box`: its area over half its outline (a
// stroke of width w and length l has area wl and an outline of about 2l),
// so long horizontal strokes of Han characters count as thin as they are.
float strokeIn(Pix* ink, const PixelRect& box) {
  const l_uint32* data = pixGetData(ink);
  const int wpl = pixGetWpl(ink);
  const int left = std::max(0, box.left), top = std::max(0, box.top);
  const int right = std::min(box.right, static_cast<int>(pixGetWidth(ink)));
  const int bottom = std::min(box.bottom, static_cast<int>(pixGetHeight(ink)));
  long on = 0, edges = 0;
  for (int y = top; y < bottom; ++y) {
    const l_uint32* row = data + static_cast<long>(y) * wpl;
    const l_uint32* above = y > top ? row - wpl : nullptr;
    bool previous = false;
    for (int x = left; x < right; ++x) {
      const bool bit = GET_DATA_BIT(row, x);
      on += bit;
      edges += bit != previous;
      edges += above ? bit != static_cast<bool>(GET_DATA_BIT(above, x)) : bit;
      previous = bit;
    }
    edges += previous;
  }
  return edges ? 2.0f * on / edges : 0.0f;
}

// The height of the dense band of the ink in `box`, the rows where most
// letters have ink: the x-height of Latin type, the full height of Han, kana
// and Hangul, which fill their square. Rows that are nearly all ink are
// underlines or strike-throughs, not letters.
int xHeightIn(Pix* ink, const PixelRect& box) {
  const int left = std::max(0, box.left), top = std::max(0, box.top);
  const int right = std::min(box.right, static_cast<int>(pixGetWidth(ink)));
  const int bottom = std::min(box.bottom, static_cast<int>(pixGetHeight(ink)));
  std::vector<int> counts;
  for (int y = top; y < bottom; ++y) {
    const l_uint32* row = pixGetData(ink) + static_cast<long>(y) * pixGetWpl(ink);
    int count = 0;
    for (int x = left; x < right; ++x) count += GET_DATA_BIT(row, x);
    counts.push_back(count * 10 > (right - left) * 9 ? 0 : count);
  }
  const int peak = counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
  // A one-row dip (the middle of a serif face's stems) does not end the band.
  int best = 0, run = 0, dips = 0;
  for (int count : counts) {
    if (peak > 0 && count * 5 >= peak * 2) {
      run += 1 + dips;
      dips = 0;
    } else if (run > 0 && dips == 0) {
      dips = 1;
    } else {
      run = dips = 0;
    }
    best = std::max(best, run);
  }
  return best;
}

struct Component {
  PixelRect box;
  InkMask mask;
};

InkMask maskOf(Pix* pix) {
  InkMask mask;
  mask.width = pixGetWidth(pix);
  mask.height = pixGetHeight(pix);
  mask.on.resize(static_cast<size_t>(mask.width) * mask.height);
  for (int y = 0; y < mask.height; ++y) {
    const l_uint32* row = pixGetData(pix) + static_cast<long>(y) * pixGetWpl(pix);
    for (int x = 0; x < mask.width; ++x) mask.on[static_cast<size_t>(y) * mask.width + x] = GET_DATA_BIT(row, x);
  }
  return mask;
}

// The connected shapes of `ink` inside `area`, in page pixels, left to right.
std::vector<Component> componentsIn(Pix* ink, const PixelRect& area) {
  std::vector<Component> found;
  BOX* clipBox = boxCreate(area.left, area.top, area.width(), area.height());
  PixPtr clip(pixClipRectangle(ink, clipBox, nullptr));
  boxDestroy(&clipBox);
  if (!clip) return found;
  PIXA* shapes = nullptr;
  BOXA* boxes = pixConnComp(clip.get(), &shapes, 8);
  if (!boxes || !shapes) {
    boxaDestroy(&boxes);
    pixaDestroy(&shapes);
    return found;
  }
  for (l_int32 i = 0; i < boxaGetCount(boxes); ++i) {
    l_int32 x, y, w, h;
    if (boxaGetBoxGeometry(boxes, i, &x, &y, &w, &h) != 0) continue;
    PixPtr shape(pixaGetPix(shapes, i, L_CLONE));
    if (!shape) continue;
    found.push_back({{area.left + x, area.top + y, area.left + x + w, area.top + y + h},
                     maskOf(shape.get())});
  }
  boxaDestroy(&boxes);
  pixaDestroy(&shapes);
  std::sort(found.begin(), found.end(),
            [](const Component& a, const Component& b) { return a.box.left < b.box.left; });
  return found;
}

// A bullet is the first shape of the line, mid-height, alone in its column
// of the line and set apart from the text after it.
// `typical` is the page's usual line height: a line without descenders is
// shorter than its type.
std::optional<Glyph> glyphOf(Pix* ink, const LayoutLine& line, int typical) {
  const int h = line.box.height();
  if (h < 6) return std::nullopt;
  const PixelRect strip{std::max(0, line.box.left - 5 * h / 2), line.box.top,
                        std::min(static_cast<int>(pixGetWidth(ink)), line.box.left + 2 * h),
                        line.box.bottom};
  if (strip.width() <= 0 || strip.height() <= 0) return std::nullopt;
  const std::vector<Component> shapes = componentsIn(ink, strip);
  const Component* first = nullptr;
  for (const Component& c : shapes) {
    if (c.box.width() * c.box.height() >= 2) {
      first = &c;
      break;
    }
  }
  if (!first) return std::nullopt;
  const PixelRect& g = first->box;
  const int midY = (g.top + g.bottom) / 2;
  if (midY < line.box.top + 3 * h / 10 || midY > line.box.bottom - h / 8) return std::nullopt;
  int gap = h;  // to the text after it
  for (const Component& c : shapes) {
    if (&c == first) continue;
    if (c.box.left <= g.right && c.box.right >= g.left) return std::nullopt;  // a dot over a letter
    if (c.box.left > g.right) gap = std::min(gap, c.box.left - g.right);
  }
  if (gap < h / 4) return std::nullopt;  // glued to text
  const std::optional<GlyphShape> shape = glyphShapeOf(first->mask, std::max(h, typical));
  if (!shape) return std::nullopt;
  // A hollow bullet is smaller than the letters; an "o" as large, but a word
  // space from the next word, not the half line a list sets its text off by.
  const bool hollow = *shape == GlyphShape::circle || *shape == GlyphShape::hollowSquare;
  if (hollow && line.xHeight > 0 && std::max(g.width(), g.height()) * 20 > line.xHeight * 19 &&
      gap * 2 < h) {
    return std::nullopt;
  }
  return Glyph{*shape, g};
}


// The ground is the grey that the panels lie on. Where a second grey is
// common too (cards on a page, a side bar), the page's is the one whose
// off-ground areas are smallest: cards on the page, not the page around cards.
int groundOf(Pix* grey, int size, std::vector<Panel>* panels) {
  const Greys greys = commonGreys(grey);
  long long largest = 0;
  *panels = findPanels(grey, greys.first, size, &largest);
  if (greys.second < 0) return greys.first;
  long long otherLargest = 0;
  std::vector<Panel> other = findPanels(grey, greys.second, size, &otherLargest);
  if (otherLargest >= largest) return greys.first;
  *panels = std::move(other);
  return greys.second;
}

}  // namespace

namespace {

// An empty middle inside a ring closed on all four sides: ◦ and □, not "c" or "e".
bool isRing(const InkMask& mask) {
  const int cx = mask.width / 2, cy = mask.height / 2;
  auto rowHas = [&](int y, int from, int to) {
    for (int x = from; x < to; ++x) if (mask.at(x, y)) return true;
    return false;
  };
  auto columnHas = [&](int x, int from, int to) {
    for (int y = from; y < to; ++y) if (mask.at(x, y)) return true;
    return false;
  };
  return !mask.at(cx, cy) && rowHas(cy, 0, cx) && rowHas(cy, cx + 1, mask.width) &&
         columnHas(cx, 0, cy) && columnHas(cx, cy + 1, mask.height);
}

// A triangle pointing right: full height at its left edge, a point at its right.
bool isTriangle(const InkMask& mask, double fill) {
  const int w = mask.width, h = mask.height;
  int leftRun = 0, rightRun = 0;
  for (int y = 0; y < h; ++y) {
    leftRun += mask.at(0, y) || (w > 1 && mask.at(1, y));
    rightRun += mask.at(w - 1, y);
  }
  return fill >= 0.4 && fill <= 0.62 && mask.at(0, 0) && mask.at(0, h - 1) &&
         leftRun * 10 >= h * 8 && rightRun * 10 <= h * 4;
}

}  // namespace

std::optional<GlyphShape> glyphShapeOf(const InkMask& mask, int lineHeight) {
  const int w = mask.width, h = mask.height;
  if (w <= 0 || h <= 0 || static_cast<int>(mask.on.size()) != w * h) return std::nullopt;
  const int largest = std::max(w, h);
  if (largest * 10 > lineHeight * 6 || largest * 5 < lineHeight) return std::nullopt;
  long on = 0;
  for (std::uint8_t bit : mask.on) on += bit != 0;
  const double fill = static_cast<double>(on) / (w * h);
  if (w >= 2 * h && h * 5 <= std::max(15, lineHeight) && fill >= 0.7) return GlyphShape::dash;
  if (w * 10 < h * 7 || w * 10 > h * 14) return std::nullopt;
  const int cornersOn =
      mask.at(0, 0) + mask.at(w - 1, 0) + mask.at(0, h - 1) + mask.at(w - 1, h - 1);
  const bool corners = cornersOn == 4;
  if (isRing(mask)) return corners ? GlyphShape::hollowSquare : GlyphShape::circle;
  // A small square set off the pixel grid has a faint rim on one side, whose
  // corner pixel may fall below the cut; a disc leaves all four corners empty.
  const bool square = (corners && fill >= 0.85) || (cornersOn >= 3 && fill >= 0.93);
  if (fill >= 0.62) return square ? GlyphShape::square : GlyphShape::disc;
  if (isTriangle(mask, fill)) return GlyphShape::triangle;
  return std::nullopt;
}

void findRules(Pix* grey, std::vector<PixelRect>* horizontal, std::vector<PixelRect>* vertical) {
  rulesAt(grey, commonGreys(grey).first - kRuleContrast, 0, horizontal, vertical);
}

namespace {

// Paints the column of `run` at `x`, and its antialiased rim a row each way,
// with the grey just below it.
void paintOver(Pix* grey, const PixelRect& run, int x) {
  l_uint32 below = 255;
  pixGetPixel(grey, x, run.bottom + 1, &below);
  for (int y = std::max(0, run.top - 1); y <= run.bottom; ++y) pixSetPixel(grey, x, y, below);
}

// Ink in the rows of `run` at `x` with none right above or below: a piece of
// the line, not a stroke that crosses it.
bool underlineColumn(const l_uint32* bits, int wpl, const PixelRect& run, int x) {
  auto on = [&](int y) { return y >= 0 && GET_DATA_BIT(bits + static_cast<long>(y) * wpl, x); };
  bool inside = false;
  for (int y = run.top; y < run.bottom; ++y) inside = inside || on(y);
  return inside && !on(run.top - 1) && !on(run.bottom);
}

}  // namespace

int eraseUnderlines(Pix* grey, int length) {
  PixPtr ink = inkOf(grey);
  if (!ink) return 0;
  const int width = pixGetWidth(grey), height = pixGetHeight(grey);
  // Underlines are a pixel or two, a little more where scaled up.
  const int thickness = std::max(3, std::min(width, height) / 400);
  const l_uint32* bits = pixGetData(ink.get());
  const int wpl = pixGetWpl(ink.get());
  int erased = 0;
  for (const PixelRect& run : rulings(ink.get(), length, thickness, true)) {
    // Letters stand on an underline, a gap of a pixel or two above it; a
    // rule under a heading or between rows has space above it.
    int touched = 0;
    for (int x = run.left; x < run.right; ++x) {
      for (int y = std::max(0, run.top - 3); y < run.top - 1; ++y) {
        if (GET_DATA_BIT(bits + static_cast<long>(y) * wpl, x)) {
          ++touched;
          break;
        }
      }
    }
    if (touched * 5 < run.width() || run.bottom + 1 >= height) continue;
    for (int x = run.left; x < run.right; ++x) paintOver(grey, run, x);
    // Browsers break an underline where descenders cross it: its pieces
    // beyond the break go too, but not the descenders.
    const int reach = length / 2;
    for (int step : {-1, 1}) {
      int last = step < 0 ? run.left : run.right - 1;
      for (int x = last + step; x >= 0 && x < width && std::abs(x - last) <= reach; x += step) {
        if (!underlineColumn(bits, wpl, run, x)) continue;
        paintOver(grey, run, x);
        last = x;
      }
    }
    ++erased;
  }
  return erased;
}

std::vector<PixelRect> codeSpans(Pix* grey, int lineHeight) {
  std::vector<Panel> panels;
  groundOf(grey, std::max(2, lineHeight * 3 / 4), &panels);
  std::vector<PixelRect> spans;
  for (const Panel& panel : panels) {
    const PixelRect& p = panel.box;
    if (p.height() <= 2 * lineHeight && p.width() >= lineHeight) spans.push_back(p);
  }
  return spans;
}

int groundGrey(Pix* grey) { return commonGreys(grey).first; }

PixPtr inkOf(Pix* grey) {
  return PixPtr(pixThresholdToBinary(grey, std::max(1, commonGreys(grey).first - kInkContrast)));
}

int darkestIn(Pix* grey, const PixelRect& area) {
  BOX* clip = boxCreate(area.left, area.top, area.width(), area.height());
  PixPtr part(clip ? pixClipRectangle(grey, clip, nullptr) : nullptr);
  boxDestroy(&clip);
  l_int32 darkest = 255;
  if (part) pixGetExtremeValue(part.get(), 1, L_SELECT_MIN, nullptr, nullptr, nullptr, &darkest);
  return darkest;
}

std::optional<PixelRect> inkBoxIn(Pix* ink, const PixelRect& area) {
  BOX* clip = boxCreate(area.left, area.top, area.width(), area.height());
  BOX* found = nullptr;
  const bool none = pixClipBoxToForeground(ink, clip, nullptr, &found) != 0 || !found;
  boxDestroy(&clip);
  if (none) return std::nullopt;
  l_int32 x, y, w, h;
  boxGetGeometry(found, &x, &y, &w, &h);
  boxDestroy(&found);
  return PixelRect{x, y, x + w, y + h};
}

std::vector<PixelRect> inkLinesIn(Pix* ink, const PixelRect& area, int lineHeight) {
  std::vector<PixelRect> bands;
  const l_uint32* data = pixGetData(ink);
  const int wpl = pixGetWpl(ink);
  const int left = std::max(0, area.left), right = std::min(pixGetWidth(ink), area.right);
  const int bottom = std::min(pixGetHeight(ink), area.bottom);
  for (int y = std::max(0, area.top); y < bottom; ++y) {
    const l_uint32* row = data + static_cast<long>(y) * wpl;
    int first = -1, last = -1;
    for (int x = left; x < right; ++x) {
      if (!GET_DATA_BIT(row, x)) continue;
      if (first < 0) first = x;
      last = x;
    }
    if (first < 0) continue;
    const PixelRect span{first, y, last + 1, y + 1};
    if (!bands.empty() && bands.back().bottom == y) {
      bands.back() = unite(bands.back(), span);
    } else {
      bands.push_back(span);
    }
  }
  std::vector<PixelRect> lines;
  for (const PixelRect& band : bands) {
    if (!lines.empty() && band.bottom - lines.back().top <= lineHeight * 23 / 20) {
      lines.back() = unite(lines.back(), band);
    } else {
      lines.push_back(band);
    }
  }
  return lines;
}

std::vector<bool> squareType(Pix* grey, const std::vector<PixelRect>& lines) {
  std::vector<bool> square(lines.size());
  PixPtr ink = inkOf(grey);
  if (!ink) return square;
  for (size_t i = 0; i < lines.size(); ++i) {
    square[i] = xHeightIn(ink.get(), lines[i]) * 100 >= lines[i].height() * kSquareBand;
  }
  return square;
}

std::vector<PixelRect> squareRuns(Pix* grey, const std::vector<PixelRect>& lines) {
  std::vector<PixelRect> runs;
  PixPtr ink = inkOf(grey);
  if (!ink) return runs;
  const l_uint32* data = pixGetData(ink.get());
  const int wpl = pixGetWpl(ink.get());
  for (const PixelRect& line : lines) {
    const int top = std::max(0, line.top);
    const int bottom = std::min(line.bottom, static_cast<int>(pixGetHeight(ink.get())));
    const int right = std::min(line.right, static_cast<int>(pixGetWidth(ink.get())));
    // Wider than a word space, narrower than a column's gutter.
    const int gutter = std::max(4, line.height());
    auto inked = [&](int x) {
      for (int y = top; y < bottom; ++y) {
        if (GET_DATA_BIT(data + static_cast<long>(y) * wpl, x)) return true;
      }
      return false;
    };
    int start = -1, last = -1;
    auto close = [&] {
      const PixelRect run{start, line.top, last + 1, line.bottom};
      if (run.width() >= 2 * run.height() &&
          xHeightIn(ink.get(), run) * 100 >= run.height() * kSquareBand) {
        runs.push_back(run);
      }
    };
    for (int x = std::max(0, line.left); x < right; ++x) {
      if (!inked(x)) continue;
      if (start >= 0 && x - last > gutter) close();
      if (start < 0 || x - last > gutter) start = x;
      last = x;
    }
    if (start >= 0) close();
  }
  return runs;
}

// Rules inside panels lighter than the page (white cards on a grey page)
// can be lighter than the page's ground: they are found against the panel's.
void rulesInLighterPanels(Pix* grey, int ground, int typical, PageLayout* page) {
  for (const Panel& panel : page->panels) {
    const PixelRect& p = panel.box;
    BOX* clipBox = boxCreate(p.left, p.top, p.width(), p.height());
    PixPtr clip(pixClipRectangle(grey, clipBox, nullptr));
    boxDestroy(&clipBox);
    if (!clip) continue;
    const int own = commonGreys(clip.get()).first;
    if (own - ground < kPanelContrast) continue;
    std::vector<PixelRect> across, down;
    rulesAt(clip.get(), own - kRuleContrast, typical, &across, &down);
    for (PixelRect r : across) {
      page->horizontalRules.push_back({r.left + p.left, r.top + p.top, r.right + p.left, r.bottom + p.top});
    }
    for (PixelRect r : down) {
      page->verticalRules.push_back({r.left + p.left, r.top + p.top, r.right + p.left, r.bottom + p.top});
    }
  }
}

void findPixelFeatures(Pix* grey, PageLayout* page) {
  const int typical = medianLineHeight(*page);
  const int ground = groundOf(grey, typical, &page->panels);
  rulesAt(grey, std::max(1, ground - kRuleContrast), typical, &page->horizontalRules,
          &page->verticalRules);
  rulesInLighterPanels(grey, ground, typical, page);
  PixPtr ink(pixThresholdToBinary(grey, std::max(1, ground - kInkContrast)));
  PixPtr marks(pixThresholdToBinary(grey, std::max(1, ground - kGlyphContrast)));
  if (!ink || !marks) return;
  for (LayoutLine& line : page->lines) {
    line.stroke = strokeIn(ink.get(), line.box);
    line.xHeight = xHeightIn(ink.get(), line.box);  // before the glyph, which is judged by it
    line.glyph = glyphOf(marks.get(), line, typical);
  }
}

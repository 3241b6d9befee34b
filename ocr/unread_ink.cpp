#include "unread_ink.h"

#include <algorithm>

#include <leptonica/allheaders.h>

#include "leptonica_image.h"
#include "pixel_features.h"

namespace {

// More runs than this are a picture, not text the layout missed.
constexpr size_t kMostRuns = 48;

// Text is a run of letters: a few times longer than tall, of the size of
// the page's lines, and neither solid (a picture, a button) nor a frame.
bool looksLikeText(const PixelRect& run, int typical, Pix* ink) {
  const int h = run.height(), w = run.width();
  // Two Hangul or Han characters (a short heading) are less than twice as
  // wide as tall.
  if (h * 10 < typical * 4 || h > 3 * typical || 2 * w < 3 * h) return false;
  BOX* box = boxCreate(run.left, run.top, w, h);
  l_int32 count = 0;
  pixCountPixelsInRect(ink, box, &count, nullptr);
  boxDestroy(&box);
  const long long area = static_cast<long long>(w) * h;
  return count * 20 >= area && count * 10 <= area * 6;
}

// Shapes one just above the other, the width of each other, that together
// are no taller than a line are one: the parts of a line of Hangul such as
// 성능, whose lower parts stand apart from the upper ones.
std::vector<PixelRect> stackedJoined(std::vector<PixelRect> shapes, int typical) {
  std::sort(shapes.begin(), shapes.end(),
            [](const PixelRect& a, const PixelRect& b) { return a.top < b.top; });
  std::vector<PixelRect> joined;
  for (const PixelRect& shape : shapes) {
    auto above = std::find_if(joined.begin(), joined.end(), [&](const PixelRect& upper) {
      const int overlap = std::min(upper.right, shape.right) - std::max(upper.left, shape.left);
      const int narrower = std::min(upper.width(), shape.width());
      return shape.top >= upper.bottom - 1 && shape.top - upper.bottom <= std::max(2, typical / 5) &&
             overlap * 10 >= narrower * 7 && unite(upper, shape).height() * 5 <= typical * 8;
    });
    if (above != joined.end()) {
      *above = unite(*above, shape);
    } else {
      joined.push_back(shape);
    }
  }
  return joined;
}

// Runs on one row a word space or two apart are one line: a bold first word
// or an arrow parts them, and read alone each reads worse. `runs` are sorted
// by left edge; the result is top to bottom.
std::vector<PixelRect> joinedOnRows(std::vector<PixelRect> runs, int typical) {
  std::vector<PixelRect> lines;
  for (const PixelRect& run : runs) {
    auto same = std::find_if(lines.begin(), lines.end(), [&](const PixelRect& line) {
      const int h = std::min(line.height(), run.height());
      return run.left - line.right <= typical && verticalOverlap(line, run) * 10 >= h * 7;
    });
    if (same != lines.end()) {
      *same = unite(*same, run);
    } else {
      lines.push_back(run);
    }
  }
  std::sort(lines.begin(), lines.end(), [](const PixelRect& a, const PixelRect& b) {
    return a.top != b.top ? a.top < b.top : a.left < b.left;
  });
  return lines;
}

}  // namespace

std::vector<PixelRect> unreadInk(Pix* grey, const std::vector<PixelRect>& lines) {
  std::vector<PixelRect> runs;
  if (lines.empty()) return runs;
  PixPtr ink = inkOf(grey);
  if (!ink) return runs;
  const int typical = typicalHeight(lines);
  // What a found line holds is read; so is what sticks out of its box a
  // little (accents, a descender, punctuation after it). Before it, the
  // layout may have left out its first word.
  for (const PixelRect& line : lines) {
    const int h = line.height();
    BOX* box = boxCreate(line.left - h / 3, line.top - h / 3, line.width() + h / 3 + h,
                         h + 2 * (h / 3));
    pixClearInRect(ink.get(), box);
    boxDestroy(&box);
  }
  // Closing across the gaps between letters and words makes a line one shape.
  const int reach = std::max(3, typical * 2 / 3) | 1;
  PixPtr joined(pixCloseSafeBrick(nullptr, ink.get(), reach, 1));
  if (!joined) return runs;
  BOXA* boxes = pixConnCompBB(joined.get(), 8);
  if (!boxes) return runs;
  std::vector<PixelRect> shapes;
  for (l_int32 i = 0; i < boxaGetCount(boxes); ++i) {
    l_int32 x, y, w, h;
    if (boxaGetBoxGeometry(boxes, i, &x, &y, &w, &h) == 0) shapes.push_back({x, y, x + w, y + h});
  }
  boxaDestroy(&boxes);
  for (const PixelRect& run : stackedJoined(std::move(shapes), typical)) {
    if (looksLikeText(run, typical, ink.get())) runs.push_back(run);
  }
  if (runs.size() > kMostRuns) return {};
  std::sort(runs.begin(), runs.end(), [](const PixelRect& a, const PixelRect& b) {
    return a.left < b.left;
  });
  return joinedOnRows(std::move(runs), typical);
}

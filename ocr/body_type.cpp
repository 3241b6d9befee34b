#include "body_type.h"

#include <cmath>

#include "layout_page.h"

namespace {

// Larger: the x-height (or, where it is unknown, the line height) at least
// this share of the body's. Bolder: stems at least this much wider.
constexpr double kLargerXHeight = 1.2;
constexpr double kLargerHeight = 1.3;
constexpr double kBolderStroke = 1.3;

BodyType::Measures measuresOf(const PageLayout& page, bool eastAsian) {
  std::vector<int> xHeights, heights, strokes;
  for (const LayoutLine& line : page.lines) {
    if (isEastAsian(line.text) != eastAsian) continue;
    if (line.xHeight > 0) xHeights.push_back(line.xHeight);
    heights.push_back(line.box.height());
    if (line.stroke > 0) strokes.push_back(static_cast<int>(std::lround(line.stroke * 100)));
  }
  return {median(xHeights), median(heights), median(strokes) / 100.0f,
          static_cast<int>(heights.size())};
}

// Fewer Latin lines than this are no body text: the English title of a
// Korean page would be measured against itself. The other way round, East
// Asian type measures larger than Latin and would all seem headings.
constexpr int kFewestLatinLines = 3;

// The body of the line's own script where the page has that, else the other's.
const BodyType::Measures& bodyFor(const BodyType& body, const LayoutLine& line) {
  if (isEastAsian(line.text)) return body.eastAsian.lines > 0 ? body.eastAsian : body.latin;
  const bool fewLatin = body.latin.lines < kFewestLatinLines;
  return body.latin.lines == 0 || (fewLatin && body.eastAsian.lines >= kFewestLatinLines)
             ? body.eastAsian
             : body.latin;
}

}  // namespace

BodyType bodyTypeOf(const PageLayout& page) {
  return {measuresOf(page, false), measuresOf(page, true)};
}

bool largerThanBody(const BodyType& body, const LayoutLine& line) {
  const BodyType::Measures& of = bodyFor(body, line);
  if (line.xHeight > 0 && of.xHeight > 0) return line.xHeight >= kLargerXHeight * of.xHeight;
  return line.box.height() >= kLargerHeight * of.height;
}

bool bolderThanBody(const BodyType& body, const LayoutLine& line) {
  const BodyType::Measures& of = bodyFor(body, line);
  return of.stroke > 0 && line.stroke >= kBolderStroke * of.stroke;
}

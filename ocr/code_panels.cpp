#include "code_panels.h"

#include <algorithm>

namespace {

// Inline code spans and table rows are tinted too, but hug their one line;
// a code block has padding above and below. What reaches two edges of the
// image (a side bar, a shaded corner of a slide) is a part of the screen.
bool isBlockPanel(const PixelRect& box, const PageLayout& page, int lineHeight) {
  const int edges = (box.left <= 1) + (box.top <= 1) + (box.right >= page.width - 1) +
                    (box.bottom >= page.height - 1);
  return edges < 2 && box.height() * 10 >= lineHeight * 18 && box.width() >= 4 * lineHeight;
}

// The lines in reading order: rows top to bottom, pieces of a row left to right.
std::string panelText(const PageState& state, std::vector<size_t> lines) {
  std::sort(lines.begin(), lines.end(), [&](size_t a, size_t b) {
    return state.line(a).box.top < state.line(b).box.top;
  });
  std::vector<std::vector<size_t>> rows;
  for (size_t i : lines) {
    const PixelRect& box = state.line(i).box;
    if (!rows.empty()) {
      const PixelRect& last = state.line(rows.back().front()).box;
      if (verticalOverlap(last, box) * 2 > std::min(last.height(), box.height())) {
        rows.back().push_back(i);
        continue;
      }
    }
    rows.push_back({i});
  }
  std::string text;
  for (std::vector<size_t>& row : rows) {
    std::sort(row.begin(), row.end(),
              [&](size_t a, size_t b) { return state.line(a).box.left < state.line(b).box.left; });
    if (!text.empty()) text += "\n";
    for (size_t k = 0; k < row.size(); ++k) text += (k ? " " : "") + state.line(row[k]).text;
  }
  return text;
}

}  // namespace

std::vector<TextElement> findCodePanels(PageState* state) {
  std::vector<TextElement> code;
  for (const Panel& panel : state->page.panels) {
    if (!isBlockPanel(panel.box, state->page, state->lineHeight)) continue;
    std::vector<size_t> lines;
    PixelRect area = panel.box;
    for (size_t i = 0; i < state->page.lines.size(); ++i) {
      const PixelRect& box = state->line(i).box;
      if (!state->used[i] && containsPoint(panel.box, box.midX(), box.midY())) {
        lines.push_back(i);
        area = unite(area, box);
      }
    }
    if (lines.empty()) continue;
    code.push_back({panelText(*state, lines), state->normalized(area)});
    for (size_t i : lines) state->used[i] = true;
  }
  return code;
}

#include "menu_finder.h"

#include <algorithm>

namespace {

// A menu has at least this many entries.
constexpr size_t kFewestEntries = 3;

bool isSideBar(const PixelRect& panel, const PageLayout& page) {
  const bool atEdge = panel.left * 50 <= page.width || panel.right * 50 >= page.width * 49;
  return atEdge && panel.height() * 5 >= page.height * 2 && panel.width() * 5 <= page.width * 2;
}

// The free lines of `panel`, top to bottom, that could be entries: one line
// of body size that leaves room on its right.
std::vector<size_t> entryLines(const PageState& state, const PixelRect& panel) {
  std::vector<size_t> found;
  for (size_t i = 0; i < state.page.lines.size(); ++i) {
    const PixelRect& box = state.line(i).box;
    if (state.used[i] || !containsPoint(panel, box.midX(), box.midY())) continue;
    if (box.height() * 2 <= state.lineHeight * 3 && box.width() * 10 <= panel.width() * 9) {
      found.push_back(i);
    }
  }
  std::sort(found.begin(), found.end(),
            [&](size_t a, size_t b) { return state.line(a).box.top < state.line(b).box.top; });
  return found;
}

// Whether `next` continues the run of entries ending at `last`, which was
// reached by steps of `step` (0 before the second entry): the same left edge,
// a step like the others and no more than three lines.
bool continues(const PixelRect& last, const PixelRect& next, int step, int lineHeight) {
  const int gap = next.top - last.top;
  if (std::abs(next.left - last.left) * 2 > lineHeight || gap > 4 * lineHeight) return false;
  return step == 0 || (gap * 3 >= step * 2 && gap * 2 <= step * 3);
}

}  // namespace

std::vector<ListElement> findMenus(PageState* state) {
  std::vector<ListElement> menus;
  for (const Panel& panel : state->page.panels) {
    if (!isSideBar(panel.box, state->page)) continue;
    const std::vector<size_t> lines = entryLines(*state, panel.box);
    std::vector<size_t> run;
    auto take = [&] {
      if (run.size() >= kFewestEntries) {
        ListElement menu;
        PixelRect area = state->line(run.front()).box;
        for (size_t i : run) {
          menu.items.push_back({state->line(i).text, std::nullopt});
          area = unite(area, state->line(i).box);
          state->used[i] = true;
        }
        menu.region = state->normalized(area);
        menus.push_back(std::move(menu));
      }
      run.clear();
    };
    int step = 0;
    for (size_t i : lines) {
      const PixelRect& box = state->line(i).box;
      if (!run.empty() && !continues(state->line(run.back()).box, box, step, state->lineHeight)) {
        take();
        step = 0;
      }
      if (!run.empty()) step = box.top - state->line(run.back()).box.top;
      run.push_back(i);
    }
    take();
  }
  return menus;
}

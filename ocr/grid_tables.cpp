#include "table_finder.h"

#include <algorithm>
#include <numeric>

namespace {

std::vector<int> distinct(std::vector<int> values, int tolerance) {
  std::sort(values.begin(), values.end());
  std::vector<int> kept;
  for (int v : values) {
    if (kept.empty() || v - kept.back() > tolerance) kept.push_back(v);
  }
  return kept;
}

class RuledTables {
 public:
  explicit RuledTables(PageState* state)
      : state_(*state), tolerance_(std::max(3, state->lineHeight / 3)) {}

  std::vector<TableElement> run() {
    grids();
    rowRuled();
    zebra();
    return std::move(tables_);
  }

 private:
  // ---- Grids: at least two horizontal and two vertical rules that cross.

  void grids() {
    // A grid of one column is a box or a card: its rows are found between its rules.
    for (const RuleGrid& grid :
         ruleGrids(state_.page.horizontalRules, state_.page.verticalRules, tolerance_)) {
      if (grid.xs.size() >= 3) add(grid.xs, grid.ys);
    }
  }

  // ---- Rules between rows only: a stack of rules of one width, close
  // together, over at least two columns. The header often has no rule above.

  void rowRuled() {
    std::vector<PixelRect> rules = freeRules(state_.page.horizontalRules);
    // A card (a panel with rules across it) is ruled at its edges too, and
    // its table ends with it.
    std::vector<PixelRect> cardBottoms;
    for (const Panel& panel : state_.page.panels) {
      if (!ruledAcross(panel.box, rules)) continue;
      const PixelRect& p = panel.box;
      // The card's own border, where it is drawn, is its edges.
      std::erase_if(rules, [&](const PixelRect& rule) {
        return (std::abs(rule.midY() - p.top) <= 2 * tolerance_ ||
                std::abs(rule.midY() - p.bottom) <= 2 * tolerance_) &&
               rule.left >= p.left - 2 * tolerance_ && rule.right <= p.right + 2 * tolerance_;
      });
      rules.push_back({p.left, p.top, p.right, p.top + 1});
      rules.push_back({p.left, p.bottom - 1, p.right, p.bottom});
      cardBottoms.push_back(rules.back());
    }
    std::sort(rules.begin(), rules.end(),
              [](const PixelRect& a, const PixelRect& b) { return a.top < b.top; });
    // Rows may hold paragraphs; a rule of another width between two ends the table.
    rules_ = rules;
    stacks(rules, 20 * state_.lineHeight, true, [&](const std::vector<PixelRect>& stack) {
      std::vector<PixelRect> part;
      for (const PixelRect& rule : stack) {
        // The bottom rule of a table above whose rows only space parts.
        if (std::find(bottoms_.begin(), bottoms_.end(), rule) != bottoms_.end()) continue;
        part.push_back(rule);
        if (std::find(cardBottoms.begin(), cardBottoms.end(), rule) != cardBottoms.end()) {
          rowRuledTable(part, true);
          part.clear();
        }
      }
      rowRuledTable(part, false);
    });
  }

  // Rules, bands and panels of one table start and end at the same x.
  bool sameSpan(const PixelRect& a, const PixelRect& b) const {
    return std::abs(a.left - b.left) <= 2 * tolerance_ && std::abs(a.right - b.right) <= 2 * tolerance_;
  }

  bool ruledAcross(const PixelRect& panel, const std::vector<PixelRect>& rules) const {
    return std::any_of(rules.begin(), rules.end(), [&](const PixelRect& rule) {
      return sameSpan(rule, panel) && rule.midY() > panel.top &&
             rule.midY() < panel.bottom;
    });
  }

  // The table between the rules of `stack`, with the header row above the
  // first rule unless the table is a card's.
  void rowRuledTable(const std::vector<PixelRect>& stack, bool card) {
    std::vector<int> ys;
    for (const PixelRect& rule : stack) ys.push_back(rule.midY());
    ys = distinct(ys, tolerance_);
    // Rows parted by space alone below a header between two rules: a table
    // ruled only above, under its header and below, as papers set them. Its
    // top rule is its top edge; what stands above is a caption. (Cells ruled
    // apart may hold paragraphs parted by space.) Cut off by the screen's
    // bottom edge, it has no rule below.
    if (ys.size() == 2 && !card) ys.push_back(spacedBottom(stack.front(), ys.back()));
    if (std::vector<int> rows = spacedRows(stack.front(), ys);
        ys.size() == 3 && rows.size() > ys.size() && rows[1] == ys[1]) {
      const PixelRect area{stack.front().left, rows.front(), stack.front().right, rows.back()};
      std::vector<int> xs = columnEdges(state_, area, gapWidth());
      if (xs.size() >= 3 && everyBandHasText(xs, rows)) add(xs, rows);
      return;
    }
    if (ys.size() < 3) return;
    if (const Panel* band = card ? nullptr : headerBand(stack.front())) {
      // A tinted header is a row of its own, and the table starts with it.
      ys.insert(ys.begin(), {band->box.top, band->box.bottom});
    } else if (!card) {
      ys.insert(ys.begin(), headerTop(stack.front(), ys.front()));
    }
    ys = distinct(ys, tolerance_);
    const PixelRect area{stack.front().left, ys.front(), stack.front().right, ys.back()};
    std::vector<int> xs = columnEdges(state_, area, gapWidth());
    if (xs.size() >= 3 && everyBandHasText(xs, ys)) add(xs, ys);
  }


  // Below the rule under a header: where rows of text within the rule's
  // width follow one another down to a rule of its width, however far (a
  // long table's bottom rule), that rule; down to the screen's bottom edge,
  // just below the last row; otherwise `y` itself (no table).
  int spacedBottom(const PixelRect& rule, int y) {
    const PixelRect* bottom = nullptr;
    for (const PixelRect& other : rules_) {
      if (other.top > y + state_.lineHeight && sameSpan(other, rule) &&
          (!bottom || other.top < bottom->top)) {
        bottom = &other;
      }
    }
    const int end = bottom ? bottom->midY() : state_.page.height;
    const std::vector<PixelRect> rows = textRowsIn({rule.left, y, rule.right, end});
    if (rows.empty() || rows.front().top - y > 2 * state_.lineHeight) return y;
    for (size_t r = 1; r < rows.size(); ++r) {
      if (rows[r].top - rows[r - 1].bottom > 2 * state_.lineHeight) return y;
    }
    // Prose beside or across the rows is no table's.
    for (size_t i = 0; i < state_.page.lines.size(); ++i) {
      const PixelRect& box = state_.line(i).box;
      if (!state_.used[i] && box.midY() > y && box.midY() < end &&
          (box.left < rule.left - 2 * tolerance_ || box.right > rule.right + 2 * tolerance_)) {
        return y;
      }
    }
    if (end - rows.back().bottom > 2 * state_.lineHeight) return y;
    if (bottom) {
      bottoms_.push_back(*bottom);
      return end;
    }
    return std::min(end, rows.back().bottom + std::max(2, state_.lineHeight / 3));
  }

  // `ys` with a row edge added between two rows of text in a band that
  // stand further apart than lines of one cell: their middles 1.5-1.65 line
  // heights apart within a cell, 2-2.3 between rows set apart by space
  // (measured). A loosely set page sets a cell's lines 1.85 apart and its
  // rows 2.35: where the band's rows stand at two distances, the lines of a
  // cell are at the shorter. Middles stand where they would with or without
  // ascenders and descenders (a word's last letter wrapped alone, "n").
  std::vector<int> spacedRows(const PixelRect& rule, const std::vector<int>& ys) const {
    std::vector<int> edges;
    for (size_t b = 0; b + 1 < ys.size(); ++b) {
      edges.push_back(ys[b]);
      const std::vector<PixelRect> rows = textRowsIn({rule.left, ys[b], rule.right, ys[b + 1]});
      std::vector<int> apart;
      for (size_t r = 1; r < rows.size(); ++r) apart.push_back(rows[r].midY() - rows[r - 1].midY());
      if (apart.empty()) continue;
      const auto [nearest, furthest] = std::minmax_element(apart.begin(), apart.end());
      const bool twoDistances = *furthest * 10 >= *nearest * 12;
      for (size_t r = 1; r < rows.size(); ++r) {
        const int d = apart[r - 1];
        if (d * 5 >= state_.lineHeight * 9 && (!twoDistances || d * 10 >= *nearest * 12)) {
          edges.push_back((rows[r].top + rows[r - 1].bottom) / 2);
        }
      }
    }
    if (!ys.empty()) edges.push_back(ys.back());
    return edges;
  }

  // The rows of text of the free lines in `area`, top to bottom. A line
  // spans from the median top to the median bottom of its words there (a
  // word the recognizer joined from strokes of two rows stands taller);
  // lines that overlap in height by half the smaller are one row.
  std::vector<PixelRect> textRowsIn(const PixelRect& area) const {
    std::vector<PixelRect> lines;
    for (size_t i = 0; i < state_.page.lines.size(); ++i) {
      if (state_.used[i]) continue;
      std::vector<int> tops, bottoms;
      PixelRect box{};
      for (const LayoutWord& word : state_.line(i).words) {
        if (isNoise(word.text) || !containsPoint(area, word.box.midX(), word.box.midY())) continue;
        box = tops.empty() ? word.box : unite(box, word.box);
        tops.push_back(word.box.top);
        bottoms.push_back(word.box.bottom);
      }
      if (tops.empty()) continue;
      box.top = median(tops);
      box.bottom = std::max(box.top + 1, median(bottoms));
      lines.push_back(box);
    }
    std::sort(lines.begin(), lines.end(),
              [](const PixelRect& a, const PixelRect& b) { return a.top < b.top; });
    std::vector<PixelRect> rows;
    for (const PixelRect& line : lines) {
      if (!rows.empty() &&
          verticalOverlap(rows.back(), line) * 2 > std::min(rows.back().height(), line.height())) {
        rows.back() = unite(rows.back(), line);
      } else {
        rows.push_back(line);
      }
    }
    return rows;
  }

  // ---- Zebra rows: tinted bands of one width, every other row or all.

  void zebra() {
    std::vector<PixelRect> panels;
    for (const Panel& panel : state_.page.panels) {
      if (panel.box.height() <= 4 * state_.lineHeight && !insideTable(panel.box)) {
        panels.push_back(panel.box);
      }
    }
    stacks(panels, 3 * state_.lineHeight, false, [&](const std::vector<PixelRect>& stack) {
      if (stack.size() < 2 || !evenBands(stack)) return;
      std::vector<int> ys;
      int height = 0;
      for (const PixelRect& band : stack) {
        ys.push_back(band.top);
        ys.push_back(band.bottom);
        height = std::max(height, band.height());
      }
      ys = distinct(ys, tolerance_);
      // Untinted rows above the first band and below the last one.
      if (hasTextIn({stack.front().left, stack.front().top - height, stack.front().right,
                     stack.front().top})) {
        ys.insert(ys.begin(), stack.front().top - height);
      }
      if (hasTextIn({stack.back().left, stack.back().bottom, stack.back().right,
                     stack.back().bottom + height})) {
        ys.push_back(stack.back().bottom + height);
      }
      const PixelRect area{stack.front().left, ys.front(), stack.front().right, ys.back()};
      std::vector<int> xs = columnEdges(state_, area, gapWidth());
      if (xs.size() >= 3 && everyBandHasText(xs, ys)) add(xs, ys);
    });
  }

  // Rows of a table are alike in height, and tinted either all or every other.
  static bool evenBands(const std::vector<PixelRect>& stack) {
    std::vector<int> heights;
    for (const PixelRect& band : stack) heights.push_back(band.height());
    const int typical = median(heights);
    for (size_t i = 0; i < stack.size(); ++i) {
      if (stack[i].height() * 5 < typical * 3 || stack[i].height() * 5 > typical * 8) return false;
      const int gap = i ? stack[i].top - stack[i - 1].bottom : 0;
      if (gap * 2 > typical * 3) return false;
    }
    return true;
  }

  // Calls `take` with each run of boxes of one left and right edge whose
  // vertical gaps are at most `maxGap`. `boxes` are sorted by top. With
  // `contiguous`, a box at least half as wide that lies between ends a run.
  template <typename Take>
  void stacks(const std::vector<PixelRect>& boxes, int maxGap, bool contiguous, Take take) const {
    std::vector<bool> done(boxes.size());
    for (size_t i = 0; i < boxes.size(); ++i) {
      if (done[i]) continue;
      std::vector<PixelRect> stack{boxes[i]};
      for (size_t j = i + 1; j < boxes.size(); ++j) {
        const PixelRect& last = stack.back();
        if (done[j] || boxes[j].top - last.top < state_.lineHeight) continue;
        if (boxes[j].top - last.bottom > maxGap) break;
        if (sameSpan(boxes[j], last)) {
          stack.push_back(boxes[j]);
          done[j] = true;
        } else if (contiguous && boxes[j].width() * 2 >= last.width()) {
          break;
        }
      }
      take(stack);
    }
  }

  std::vector<PixelRect> freeRules(const std::vector<PixelRect>& rules) const {
    std::vector<PixelRect> free;
    for (const PixelRect& rule : rules) {
      if (!insideTable(rule)) free.push_back(rule);
    }
    return free;
  }

  bool insideTable(const PixelRect& box) const {
    for (const PixelRect& area : areas_) {
      if (containsPoint({area.left - tolerance_, area.top - tolerance_, area.right + tolerance_,
                         area.bottom + tolerance_},
                        box.midX(), box.midY())) {
        return true;
      }
    }
    return false;
  }

  // A tint as wide as the rules that ends at the first rule or a row above it.
  const Panel* headerBand(const PixelRect& rule) const {
    for (const Panel& panel : state_.page.panels) {
      const PixelRect& p = panel.box;
      if (sameSpan(p, rule) && p.bottom <= rule.midY() + tolerance_ &&
          rule.midY() - p.bottom <= 3 * state_.lineHeight && p.height() <= 4 * state_.lineHeight) {
        return &panel;
      }
    }
    return nullptr;
  }

  // The top of the header row above the first rule: the free lines close
  // above it, each close below the next, up to a larger line (a heading).
  int headerTop(const PixelRect& rule, int ruleY) const {
    int top = ruleY;
    std::vector<size_t> above;
    for (size_t i = 0; i < state_.page.lines.size(); ++i) {
      const PixelRect& box = state_.line(i).box;
      if (!state_.used[i] && box.bottom <= ruleY + tolerance_ && box.midX() >= rule.left &&
          box.midX() < rule.right) {
        above.push_back(i);
      }
    }
    std::sort(above.begin(), above.end(), [&](size_t a, size_t b) {
      return state_.line(a).box.bottom > state_.line(b).box.bottom;
    });
    for (size_t i : above) {
      const PixelRect& box = state_.line(i).box;
      const int gap = top - box.bottom;
      // A word's box drawn taller than its type (Han words often are) makes
      // no heading, whether the line's box holds it or not: the line's
      // height or its words' usual one, whichever is less.
      std::vector<int> heights;
      for (const LayoutWord& word : state_.line(i).words) heights.push_back(word.box.height());
      std::sort(heights.begin(), heights.end());
      const int height = heights.empty() ? box.height()
                                         : std::min(box.height(), heights[(heights.size() - 1) / 2]);
      if (gap > (top == ruleY ? state_.lineHeight : state_.lineHeight * 3 / 2) ||
          height * 10 > state_.lineHeight * 13) {
        break;
      }
      top = std::min(top, box.top);
    }
    return std::max(0, top - std::max(2, state_.lineHeight / 3));
  }

  bool hasTextIn(const PixelRect& area) const {
    for (size_t i = 0; i < state_.page.lines.size(); ++i) {
      const PixelRect& box = state_.line(i).box;
      if (!state_.used[i] && containsPoint(area, box.midX(), box.midY())) return true;
    }
    return false;
  }

  bool everyBandHasText(const std::vector<int>& xs, const std::vector<int>& ys) const {
    for (size_t r = 0; r + 1 < ys.size(); ++r) {
      if (!hasTextIn({xs.front(), ys[r], xs.back(), ys[r + 1]})) return false;
    }
    return true;
  }

  int gapWidth() const { return std::max(6, state_.lineHeight * 3 / 4); }

  void add(const std::vector<int>& xs, const std::vector<int>& ys) {
    const PixelRect area{xs.front(), ys.front(), xs.back(), ys.back()};
    tables_.push_back(tableOfGrid(state_, xs, ys));
    takeLinesIn(&state_, area);
    areas_.push_back(area);
  }

  PageState& state_;
  const int tolerance_;
  std::vector<PixelRect> rules_;    // the free rules, for a table's far bottom rule
  std::vector<PixelRect> bottoms_;  // bottom rules taken by a table above them
  std::vector<TableElement> tables_;
  std::vector<PixelRect> areas_;
};

}  // namespace

std::vector<RuleGrid> ruleGrids(const std::vector<PixelRect>& across,
                               const std::vector<PixelRect>& down, int tolerance) {
  auto crosses = [&](const PixelRect& a, const PixelRect& b) {
    return b.midX() >= a.left - tolerance && b.midX() <= a.right + tolerance &&
           a.midY() >= b.top - tolerance && a.midY() <= b.bottom + tolerance;
  };
  const size_t n = across.size() + down.size();
  std::vector<size_t> group(n);
  std::iota(group.begin(), group.end(), 0);
  auto find = [&](size_t i) {
    while (group[i] != i) i = group[i] = group[group[i]];
    return i;
  };
  for (size_t h = 0; h < across.size(); ++h) {
    for (size_t v = 0; v < down.size(); ++v) {
      if (crosses(across[h], down[v])) group[find(h)] = find(across.size() + v);
    }
  }
  std::vector<RuleGrid> grids;
  for (size_t root = 0; root < n; ++root) {
    RuleGrid grid;
    for (size_t i = 0; i < n; ++i) {
      if (find(i) != root) continue;
      if (i < across.size()) {
        grid.ys.push_back(across[i].midY());
      } else {
        grid.xs.push_back(down[i - across.size()].midX());
      }
    }
    grid.ys = distinct(grid.ys, tolerance);
    grid.xs = distinct(grid.xs, tolerance);
    if (grid.ys.size() >= 2 && grid.xs.size() >= 2) grids.push_back(std::move(grid));
  }
  return grids;
}

std::string linesInOrder(std::vector<LayoutWord> parts) {
  std::stable_sort(parts.begin(), parts.end(), [](const LayoutWord& a, const LayoutWord& b) {
    return a.box.midY() < b.box.midY();
  });
  std::string text;
  for (size_t k = 0; k < parts.size();) {
    size_t end = k + 1;
    while (end < parts.size() &&
           (parts[end].box.midY() - parts[k].box.midY()) * 2 <
               std::min(parts[k].box.height(), parts[end].box.height())) {
      ++end;
    }
    std::stable_sort(parts.begin() + k, parts.begin() + end,
                     [](const LayoutWord& a, const LayoutWord& b) { return a.box.left < b.box.left; });
    for (size_t j = k; j < end; ++j) {
      text += (text.empty() ? "" : j == k ? "\n" : " ") + parts[j].text;
    }
    k = end;
  }
  return text;
}

TableElement tableOfGrid(const PageState& state, const std::vector<int>& xs,
                         const std::vector<int>& ys) {
  TableElement table;
  table.region = state.normalized({xs.front(), ys.front(), xs.back(), ys.back()});
  for (size_t r = 0; r + 1 < ys.size(); ++r) {
    std::vector<TextElement> row;
    for (size_t c = 0; c + 1 < xs.size(); ++c) {
      const PixelRect cell{xs[c], ys[r], xs[c + 1], ys[r + 1]};
      // A cell's lines top to bottom, whatever order the page's columns gave
      // them; pieces of one line left to right.
      std::vector<LayoutWord> parts;
      for (const LayoutLine& line : state.page.lines) {
        LayoutWord part;
        for (const LayoutWord& word : line.words) {
          if (isNoise(word.text) || !containsPoint(cell, word.box.midX(), word.box.midY())) continue;
          part.box = part.text.empty() ? word.box : unite(part.box, word.box);
          part.text += (part.text.empty() ? "" : " ") + word.text;
        }
        if (!part.text.empty()) parts.push_back(std::move(part));
      }
      const std::string text = linesInOrder(std::move(parts));
      row.push_back({text, state.normalized(cell)});
    }
    table.rows.push_back(std::move(row));
  }
  return table;
}

std::vector<int> columnEdges(const PageState& state, const PixelRect& area, int gap) {
  std::vector<std::pair<int, int>> spans;
  for (size_t i = 0; i < state.page.lines.size(); ++i) {
    if (state.used[i]) continue;
    for (const LayoutWord& word : state.line(i).words) {
      if (!isNoise(word.text) && containsPoint(area, word.box.midX(), word.box.midY())) {
        spans.emplace_back(word.box.left, word.box.right);
      }
    }
  }
  std::sort(spans.begin(), spans.end());
  std::vector<int> edges{area.left};
  int reach = spans.empty() ? area.left : spans.front().second;
  for (const auto& [left, right] : spans) {
    if (left - reach >= gap) edges.push_back((left + reach) / 2);
    reach = std::max(reach, right);
  }
  edges.push_back(area.right);
  return edges;
}

std::vector<TableElement> findRuledTables(PageState* state) { return RuledTables(state).run(); }

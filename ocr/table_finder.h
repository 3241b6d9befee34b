#pragma once

#include <vector>

#include "engine.h"
#include "layout_page.h"

// Tables drawn with lines or tints: grids of crossing rules, tables ruled
// only between rows, and stacks of tinted (zebra) rows. Columns not drawn
// are found from the gaps that no word crosses. Marks the lines they take.
std::vector<TableElement> findRuledTables(PageState* state);

// A table drawn as a grid: its column and row edges, in pixels, ascending.
struct RuleGrid {
  std::vector<int> xs;
  std::vector<int> ys;
};

// The grids that crossing rules draw: each group of rules that cross one
// another, with at least two edges each way. Edges closer than `tolerance`
// are one.
std::vector<RuleGrid> ruleGrids(const std::vector<PixelRect>& across,
                               const std::vector<PixelRect>& down, int tolerance);

// Borderless tables: runs of at least three rows of short segments aligned
// in columns. Marks the lines they take.
std::vector<TableElement> findAlignedTables(PageState* state);

// The table of the cells between consecutive `xs` and consecutive `ys`
// (pixels, ascending): each cell holds the words whose centres lie in it,
// words of a line joined by spaces, lines by line feeds.
TableElement tableOfGrid(const PageState& state, const std::vector<int>& xs,
                         const std::vector<int>& ys);

// The text of a cell's `parts` (its lines or pieces of them, each with its
// box): rows top to bottom joined by line feeds, pieces of one row left to
// right by spaces.
std::string linesInOrder(std::vector<LayoutWord> parts);

// The x edges of the columns of `area`: its left and right edges and the
// middle of every gap at least `gap` wide that no free word in it crosses.
std::vector<int> columnEdges(const PageState& state, const PixelRect& area, int gap);

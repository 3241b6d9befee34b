#pragma once

#include <vector>

#include "engine.h"
#include "layout_page.h"

// The page's tables: grids of crossing ruling lines (each cell holds the words
// whose centres lie in it) and runs of at least three rows of short segments
// aligned in columns. Marks the lines they take as used.
std::vector<TableElement> findTables(PageState* state);

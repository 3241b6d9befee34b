#pragma once

#include <vector>

#include "engine.h"
#include "layout_page.h"

// Section headings, wherever they stand: free lines whose type is clearly
// larger than the page's body text, or bolder and set apart by space or by a
// rule under them. A heading may wrap over lines of its size. Marks the lines
// they take as used; returns them top to bottom.
std::vector<TextElement> findHeadings(PageState* state);

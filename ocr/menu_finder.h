#pragma once

#include <vector>

#include "engine.h"
#include "layout_page.h"

// The menus of side bars: a panel along the page's left or right edge, as
// tall as much of the page and narrow, whose short lines stand one under
// another at one left edge, evenly spaced, with no markers. Each is a list
// of unmarked items. Marks the lines they take as used.
std::vector<ListElement> findMenus(PageState* state);

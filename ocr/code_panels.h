#pragma once

#include <vector>

#include "engine.h"
#include "layout_page.h"

// Code blocks: tinted panels taller than a line that hold free text lines.
// Each panel's lines become one paragraph, line breaks kept; marks them used.
std::vector<TextElement> findCodePanels(PageState* state);

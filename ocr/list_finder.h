#pragma once

#include <vector>

#include "engine.h"
#include "layout_page.h"

// The page's lists. An item starts at a line with a drawn bullet before its
// first word, or whose first word is a number, letter or bullet marker; its
// wrapped lines hang at its text. Items close together make one list, nested
// ones included; a list needs two items, or one with a drawn bullet. An item
// string starts with the bullet that is drawn, not with what the recognizer
// made of it. Marks the lines they take as used.
std::vector<ListElement> findLists(PageState* state);

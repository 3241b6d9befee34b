#pragma once

#include <string>
#include <vector>

// Whether a file name is a vdir item: it ends in ".ics". Sync tools leave
// temporary files such as "UID.ics.tmp" or "UID.icsab12x" beside items.
bool isItemName(const std::string& name);

// The folders in `dir` whose names do not begin with a dot, sorted (the file
// system's order is arbitrary), and whether `dir` holds an item. With
// `stopAtItem` the listing ends at the first item: a calendar folder may hold
// thousands, and finding out that it is one must not list them all.
std::vector<std::string> subfolders(const std::string& dir, bool stopAtItem, bool* hasItem);

#pragma once

#include <string>
#include <vector>

// The folder that holds `path` ("/" for a top-level one) and the last name of `path`.
std::string parentFolder(const std::string& path);
std::string baseName(const std::string& path);

// Whether a file name is a vdir item: it ends in ".ics". Sync tools leave
// temporary files such as "UID.ics.tmp" or "UID.icsab12x" beside items.
bool isItemName(const std::string& name);

// A file name as identifier text: the bytes of a name that are not UTF-8,
// and "%", written as "%XX", so that every name gives valid text and no two
// names give the same.
std::string nameText(const std::string& name);

// The folders in `dir` whose names do not begin with a dot, sorted (the file
// system's order is arbitrary), and whether `dir` holds an item. With
// `stopAtItem` the listing ends at the first item: a calendar folder may hold
// thousands, and finding out that it is one must not list them all.
std::vector<std::string> subfolders(const std::string& dir, bool stopAtItem, bool* hasItem);

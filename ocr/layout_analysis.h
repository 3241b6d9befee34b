#pragma once

#include <vector>

#include "engine.h"
#include "page_records.h"

// Splits lines at gaps far wider than a word space (columns that the
// recognizer read as one line) and orders each block's pieces column by column.
std::vector<LayoutLine> splitColumns(const std::vector<LayoutLine>& lines);

// The page's documents, one per section: a heading and what follows it up to
// the next heading (what stands above the first heading has no title). Their
// tables, code blocks (as paragraphs, line breaks kept), lists, and the
// remaining lines as paragraphs; every line ends up in exactly one of them.
// Regions are normalized.
std::vector<DocumentContainer> analyseLayout(const PageLayout& page);

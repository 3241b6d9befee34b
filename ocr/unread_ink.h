#pragma once

#include <vector>

#include "page_records.h"

struct Pix;

// Runs of text-sized ink that no found line covers, as line boxes in the
// image's pixels, top to bottom. The page layout sometimes leaves text out:
// the end of a line it took for another column, a table it took for a
// picture. `grey` is the image the lines were found on (8-bit, dark on light).
std::vector<PixelRect> unreadInk(Pix* grey, const std::vector<PixelRect>& lines);

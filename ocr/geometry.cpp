#include "geometry.h"

NormalizedRect normalizePixelBox(int left, int top, int right, int bottom,
                                 int imageWidth, int imageHeight) {
  const double w = imageWidth;
  const double h = imageHeight;
  NormalizedRect r;
  r.x = left / w;
  r.width = (right - left) / w;
  // Flip y: the pixel bottom edge becomes the normalized minimum.
  r.y = (h - bottom) / h;
  r.height = (bottom - top) / h;
  return r;
}

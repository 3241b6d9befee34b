#pragma once

// A box in normalized image coordinates: 0..1 on both axes, origin lower left,
// y up. Every box the engine reports is in this form.
struct NormalizedRect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;

  double minX() const { return x; }
  double maxX() const { return x + width; }
  double minY() const { return y; }
  double maxY() const { return y + height; }
  double midX() const { return x + width / 2; }
  double midY() const { return y + height / 2; }
  // Half-open: the minimum edges belong to the box, the maximum edges do not.
  bool contains(double px, double py) const {
    return px >= minX() && px < maxX() && py >= minY() && py < maxY();
  }
};

// The one conversion from a pixel box (origin top left, y down, right and
// bottom exclusive) to a normalized box. REQUIRES: imageWidth, imageHeight > 0.
NormalizedRect normalizePixelBox(int left, int top, int right, int bottom,
                                 int imageWidth, int imageHeight);

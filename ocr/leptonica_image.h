#pragma once

#include <memory>
#include <string>
#include <vector>


struct Pix;

// Frees a Leptonica image.
struct PixDeleter {
  void operator()(Pix* pix) const;
};
using PixPtr = std::unique_ptr<Pix, PixDeleter>;

// Decoding is refused above this many pixels: 8K by 8K, 256 MB as 32-bit.
inline constexpr long long kPixelBudget = 64LL * 1000 * 1000;

// Reads the image at `path` as 8-bit grey, dark text on a light ground (a
// dark theme is inverted). The size is checked from the header before
// decoding. On failure returns false with a sentence naming the path.
bool readImage(const std::string& path, PixPtr* image, std::string* err);

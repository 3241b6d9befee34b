// One image file through decoding (with the pixel budget) and the search for
// what its pixels show (rules, panels, bullets of a made-up line); recognition
// itself is Tesseract's and too slow to fuzz here.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "leptonica_image.h"
#include "pixel_features.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/zuna-fuzz-image-" + std::to_string(getpid());
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return 0;
  fwrite(data, 1, size, file);
  fclose(file);
  PixPtr image;
  std::string err;
  if (readImage(path, &image, &err)) {
    std::vector<PixelRect> horizontal, vertical;
    findRules(image.get(), &horizontal, &vertical);
    PageLayout page;
    const int n = static_cast<int>(size % 1000);
    page.lines.emplace_back().box = {n % 7, n % 5, 40 + n % 11, 16 + n % 3};
    findPixelFeatures(image.get(), &page);
  }
  return 0;
}

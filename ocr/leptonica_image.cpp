#include "leptonica_image.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <leptonica/allheaders.h>

void PixDeleter::operator()(Pix* pix) const { pixDestroy(&pix); }

namespace {

std::string cannotRead(const std::string& path, const std::string& why) {
  return "cannot read the image \"" + path + "\": " + why;
}

// Why a file that is not a regular file cannot be an image; empty for a regular file.
std::string notAFile(mode_t mode) {
  if (S_ISREG(mode)) return "";
  if (S_ISDIR(mode)) return "it is a folder, not an image file";
  if (S_ISFIFO(mode)) return "it is a named pipe, not an image file";
  if (S_ISSOCK(mode)) return "it is a socket, not an image file";
  return "it is a device, not an image file";
}

bool checkFile(const std::string& path, std::string* err) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) {
    *err = cannotRead(path, errno == ENOENT ? "there is no such file" : std::strerror(errno));
    return false;
  }
  // A named pipe would block the decoder until a writer comes, a device like
  // /dev/zero would feed it without end: only regular files are read.
  if (std::string why = notAFile(info.st_mode); !why.empty()) {
    *err = cannotRead(path, why);
    return false;
  }
  // Only asks whether it may be read; never waits, whatever the path became since the stat.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    *err = cannotRead(path, errno == EACCES ? "permission denied" : std::strerror(errno));
    return false;
  }
  ::close(fd);
  if (info.st_size == 0) {
    *err = cannotRead(path, "the file is empty");
    return false;
  }
  return true;
}

// Flattens any image to 8-bit grey with dark text on a light ground, the form
// the LSTM models were trained on.
PixPtr toGrey(Pix* decoded) {
  PixPtr pix(pixRemoveColormap(decoded, REMOVE_CMAP_BASED_ON_SRC));
  if (pix && pixGetDepth(pix.get()) == 32 && pixGetSpp(pix.get()) == 4) {
    pix.reset(pixAlphaBlendUniform(pix.get(), 0xffffff00));
  }
  if (pix) pix.reset(pixConvertTo8(pix.get(), 0));
  if (!pix) return nullptr;
  l_float32 mean = 255;
  pixGetAverageMasked(pix.get(), nullptr, 0, 0, 1, L_MEAN_ABSVAL, &mean);
  // A dark theme: the models read dark-on-light text far more reliably.
  if (mean < 128) pixInvert(pix.get(), pix.get());
  return pix;
}

// Whether every chunk of the PNG file fits in the file. libpng allocates what
// a chunk's length claims before noticing the file is shorter: a 270-byte file
// claiming a 2 GB text chunk cost 2 GB of memory (found by fuzzing).
bool pngChunksFit(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::fseek(file, 0, SEEK_END);
  const long size = std::ftell(file);
  long at = 8;  // past the signature
  bool fits = true;
  while (fits && at + 8 <= size) {
    unsigned char header[8];
    std::fseek(file, at, SEEK_SET);
    if (std::fread(header, 1, 8, file) != 8) break;
    const unsigned long length = (static_cast<unsigned long>(header[0]) << 24) |
                                 (header[1] << 16) | (header[2] << 8) | header[3];
    fits = length <= static_cast<unsigned long>(size - at - 12);
    at += 12 + static_cast<long>(length);
    if (std::memcmp(header + 4, "IEND", 4) == 0) break;
  }
  std::fclose(file);
  return fits;
}

}  // namespace

bool readImage(const std::string& path, PixPtr* image, std::string* err) {
  // Leptonica reports through stderr; every outcome here becomes an error text.
  setMsgSeverity(L_SEVERITY_NONE);
  if (!checkFile(path, err)) return false;
  l_int32 format = 0, width = 0, height = 0, bps = 0, spp = 0, colormap = 0;
  if (pixReadHeader(path.c_str(), &format, &width, &height, &bps, &spp, &colormap) != 0) {
    *err = cannotRead(path, "it is not an image in a format that can be read "
                            "(PNG, JPEG, TIFF, WebP, GIF, BMP or PNM)");
    return false;
  }
  if (width <= 0 || height <= 0) {
    *err = cannotRead(path, "the image has no pixels");
    return false;
  }
  if (static_cast<long long>(width) * height > kPixelBudget) {
    *err = cannotRead(path, "the image is " + std::to_string(width) + "x" +
                                std::to_string(height) + " pixels, more than the limit of " +
                                std::to_string(kPixelBudget / 1000000) + " megapixels");
    return false;
  }
  if (format == IFF_PNG && !pngChunksFit(path)) {
    *err = cannotRead(path, "the image data is damaged or incomplete");
    return false;
  }
  PixPtr decoded(pixRead(path.c_str()));
  PixPtr grey = decoded ? toGrey(decoded.get()) : nullptr;
  if (!grey) {
    *err = cannotRead(path, "the image data is damaged or incomplete");
    return false;
  }
  *image = std::move(grey);
  return true;
}


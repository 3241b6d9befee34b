#include "color.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int channel(double c) {
  // Written so that NaN, which is not less than 1, becomes 1.
  const double clamped = c < 1 ? (c >= 0 ? c : 0) : 1;
  return static_cast<int>(std::round(clamped * 255));
}

}  // namespace

std::optional<Rgb> parseHexColor(const std::string& text) {
  if ((text.size() != 7 && text.size() != 9) || text[0] != '#') return std::nullopt;
  if (!std::all_of(text.begin() + 1, text.end(), [](char c) { return hexDigit(c) >= 0; })) {
    return std::nullopt;
  }
  auto component = [&](int i) { return hexDigit(text[1 + 2 * i]) * 16 + hexDigit(text[2 + 2 * i]); };
  return Rgb{component(0) / 255.0, component(1) / 255.0, component(2) / 255.0};
}

std::optional<std::string> hexColor(const std::optional<Rgb>& color) {
  if (!color) return std::nullopt;
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", channel(color->red), channel(color->green),
                channel(color->blue));
  return text;
}

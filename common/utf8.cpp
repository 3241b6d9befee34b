#include "utf8.h"

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";

// Length of the valid UTF-8 sequence at `i`, or 0 with `*bad` set to the
// length of the maximal subpart to replace.
size_t validSequence(const std::string& s, size_t i, size_t* bad) {
  const unsigned char c = s[i];
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    *bad = 1;
    return 0;
  }
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = i + k < s.size() ? s[i + k] : 0;
    const bool ok = k == 1 ? (next >= low && next <= high) : (next >= 0x80 && next <= 0xBF);
    if (i + k >= s.size() || !ok) {
      *bad = k;
      return 0;
    }
  }
  return length;
}

}  // namespace

std::string repairUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t bad = 0;
    size_t length = validSequence(text, i, &bad);
    if (length > 0) {
      out.append(text, i, length);
      i += length;
    } else {
      out += kReplacement;
      i += bad;
    }
  }
  return out;
}


size_t validUtf8Length(const std::string& text, size_t at) {
  size_t bad = 0;
  return validSequence(text, at, &bad);
}

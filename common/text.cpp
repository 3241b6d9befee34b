#include "text.h"

namespace {

char lowerOf(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char upperOf(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string lowerAscii(std::string text) {
  for (char& c : text) c = lowerOf(c);
  return text;
}

std::string upperAscii(std::string text) {
  for (char& c : text) c = upperOf(c);
  return text;
}

std::string trimmed(const std::string& text, const char* chars) {
  const size_t first = text.find_first_not_of(chars);
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(chars) - first + 1);
}

std::vector<std::string> splitAt(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    if (end == std::string::npos) break;
    parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  parts.push_back(text.substr(start));
  return parts;
}

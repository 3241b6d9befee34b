#include "json_line.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <unistd.h>

namespace {

bool allNumbersFinite(const nlohmann::json& value) {
  if (value.is_number_float()) return std::isfinite(value.get<double>());
  if (value.is_structured()) {
    for (const auto& element : value) {
      if (!allNumbersFinite(element)) return false;
    }
  }
  return true;
}

}  // namespace

std::optional<std::string> jsonLine(const nlohmann::json& value) {
  // The library would write NaN and infinity as null: a silent wrong answer.
  if (!allNumbersFinite(value)) return std::nullopt;
  std::string text;
  try {
    text = value.dump(-1, ' ', false, nlohmann::json::error_handler_t::strict);
  } catch (const nlohmann::json::exception&) {
    return std::nullopt;  // invalid UTF-8 in a string
  }
  // A "/" can only occur inside strings in compact JSON, so a plain
  // replacement escapes exactly the slashes of string values.
  const size_t slashes = static_cast<size_t>(std::count(text.begin(), text.end(), '/'));
  if (slashes == 0) {
    text += '\n';
    return text;
  }
  std::string line;
  line.reserve(text.size() + slashes + 1);
  size_t from = 0;
  for (size_t at = text.find('/'); at != std::string::npos; at = text.find('/', from)) {
    line.append(text, from, at - from);
    line += "\\/";
    from = at + 1;
  }
  line.append(text, from, std::string::npos);
  line += '\n';
  return line;
}

bool writeAll(int fd, const std::string& line) {
  const char* data = line.data();
  size_t left = line.size();
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

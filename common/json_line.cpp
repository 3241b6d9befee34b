#include "json_line.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <unistd.h>

#include "utf8.h"

namespace {

using nlohmann::json;

// Writes compact JSON as nlohmann's dump would, with "/" escaped as well, in
// one pass: dump checks UTF-8 byte by byte and then needs a second pass for
// the slashes, which made writing a large answer cost more than building it.
class Writer {
 public:
  explicit Writer(std::string& into) : out(into) {}

  bool write(const json& value) {
    switch (value.type()) {
      case json::value_t::null: out += "null"; return true;
      case json::value_t::boolean: out += value.get<bool>() ? "true" : "false"; return true;
      case json::value_t::number_integer: return number(value.get<std::int64_t>());
      case json::value_t::number_unsigned: return number(value.get<std::uint64_t>());
      case json::value_t::number_float: {
        // NaN and infinity have no JSON form (the library would write null).
        const double d = value.get<double>();
        return std::isfinite(d) && number(d);
      }
      case json::value_t::string: return string(value.get_ref<const std::string&>());
      case json::value_t::array: return array(value);
      case json::value_t::object: return object(value);
      default: return false;  // binary and discarded values
    }
  }

  std::string& out;

 private:
  template <typename T>
  bool number(T n) {
    char digits[32];
    auto [end, error] = std::to_chars(digits, digits + sizeof digits, n);
    if (error != std::errc()) return false;
    out.append(digits, end);
    return true;
  }

  bool array(const json& value) {
    out += '[';
    bool first = true;
    for (const json& element : value) {
      if (!first) out += ',';
      first = false;
      if (!write(element)) return false;
    }
    out += ']';
    return true;
  }

  bool object(const json& value) {
    out += '{';
    bool first = true;
    for (auto it = value.begin(); it != value.end(); ++it) {
      if (!first) out += ',';
      first = false;
      if (!string(it.key())) return false;
      out += ':';
      if (!write(it.value())) return false;
    }
    out += '}';
    return true;
  }

 public:
  // UTF-8 written as itself; invalid UTF-8 has no JSON form.
  bool string(const std::string& text) {
    out += '"';
    size_t run = 0;  // start of the pending run of plain characters
    for (size_t i = 0; i < text.size();) {
      const unsigned char c = text[i];
      if (c >= 0x80) {
        const size_t length = validUtf8Length(text, i);
        if (length == 0) return false;
        i += length;
        continue;
      }
      const char* escape = nullptr;
      switch (c) {
        case '"': escape = "\\\""; break;
        case '\\': escape = "\\\\"; break;
        case '/': escape = "\\/"; break;
        case '\n': escape = "\\n"; break;
        case '\r': escape = "\\r"; break;
        case '\t': escape = "\\t"; break;
        case '\b': escape = "\\b"; break;
        case '\f': escape = "\\f"; break;
        default: break;
      }
      if (!escape && c >= 0x20) {
        ++i;
        continue;
      }
      out.append(text, run, i - run);
      if (escape) {
        out += escape;
      } else {
        static const char hex[] = "0123456789abcdef";
        out += "\\u00";
        out += hex[c >> 4];
        out += hex[c & 15];
      }
      run = ++i;
    }
    out.append(text, run, std::string::npos);
    out += '"';
    return true;
  }
};

}  // namespace

std::optional<std::string> jsonLine(const nlohmann::json& value) {
  std::string line;
  if (!appendJson(value, &line)) return std::nullopt;
  line += '\n';
  return line;
}

bool appendJson(const nlohmann::json& value, std::string* out) {
  const size_t size = out->size();
  if (Writer(*out).write(value)) return true;
  out->resize(size);
  return false;
}

bool appendJsonString(const std::string& text, std::string* out) {
  const size_t size = out->size();
  if (Writer(*out).string(text)) return true;
  out->resize(size);
  return false;
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

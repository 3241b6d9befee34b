#include "vdir/config_file.h"

#include <fstream>

#include "text.h"

namespace {

constexpr std::streamsize kLargestConfig = 1 << 20;

bool isNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

}  // namespace

std::vector<ConfigEntry> readConfigEntries(const std::string& text) {
  std::vector<ConfigEntry> entries;
  std::vector<std::string> sections;
  for (const std::string& written : splitAt(text, '\n')) {
    const std::string line = trimmed(written);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t depth = line.find_first_not_of('[');
      size_t close = line.find(']', depth);
      if (depth == std::string::npos || close == std::string::npos) continue;
      sections.resize(depth - 1);
      sections.push_back(trimmed(line.substr(depth, close - depth)));
      continue;
    }
    size_t equals = line.find('=');
    if (equals == std::string::npos || equals == 0) continue;
    entries.push_back({sections, trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1))});
  }
  return entries;
}

std::string readConfigFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string text;
  if (!in) return text;
  text.resize(kLargestConfig + 1);
  in.read(text.data(), kLargestConfig + 1);
  text.resize(in.gcount() > kLargestConfig ? 0 : static_cast<size_t>(in.gcount()));
  return text;
}

std::string unquoteValue(const std::string& written) {
  const std::string value = trimmed(written);
  if (!value.empty() && (value[0] == '"' || value[0] == '\'')) {
    size_t close = value.find(value[0], 1);
    if (close != std::string::npos) return value.substr(1, close - 1);
  }
  // A comment starts after white space: an unquoted "#ff0000" is a colour.
  size_t comment = 1;
  while (comment < value.size() && !(value[comment] == '#' && std::isspace(
                                         static_cast<unsigned char>(value[comment - 1])))) {
    ++comment;
  }
  return trimmed(value.substr(0, comment));
}

std::string expandPath(const std::string& path, const EnvLookup& env) {
  std::string result;
  size_t i = 0;
  if (path == "~" || path.starts_with("~/")) {
    const char* home = env("HOME");
    result = home ? home : "";
    i = 1;
  }
  while (i < path.size()) {
    if (path[i] != '$') {
      result += path[i++];
      continue;
    }
    size_t nameStart = i + 1, nameEnd;
    if (nameStart < path.size() && path[nameStart] == '{') {
      nameEnd = path.find('}', nameStart);
      if (nameEnd == std::string::npos) {
        result += path.substr(i);
        break;
      }
      ++nameStart;
    } else {
      nameEnd = nameStart;
      while (nameEnd < path.size() && isNameChar(path[nameEnd])) ++nameEnd;
    }
    const std::string name = path.substr(nameStart, nameEnd - nameStart);
    const char* value = name.empty() ? nullptr : env(name.c_str());
    // An unset variable stays as written, as Python's expandvars leaves it.
    result += value ? std::string(value) : path.substr(i, nameEnd + (path[i + 1] == '{') - i);
    i = nameEnd + (path[i + 1] == '{' ? 1 : 0);
  }
  return result;
}

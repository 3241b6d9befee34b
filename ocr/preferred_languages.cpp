#include "preferred_languages.h"

#include <cctype>
#include <map>

namespace {

// glibc's script modifiers; other modifiers (such as @euro) name no script.
const std::map<std::string, std::string> kScriptModifiers = {
    {"latin", "Latn"}, {"cyrillic", "Cyrl"}, {"devanagari", "Deva"}, {"arabic", "Arab"}};

bool isLetters(const std::string& s) {
  for (char c : s) {
    if (!std::isalpha(static_cast<unsigned char>(c))) return false;
  }
  return !s.empty();
}

std::vector<std::string> splitColons(const std::string& list) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    parts.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

std::optional<std::string> localeToTag(const std::string& locale) {
  std::string name = locale;
  std::string modifier;
  if (size_t at = name.find('@'); at != std::string::npos) {
    modifier = name.substr(at + 1);
    name.erase(at);
  }
  if (size_t dot = name.find('.'); dot != std::string::npos) name.erase(dot);
  std::string language = name.substr(0, name.find('_'));
  if (language == "C" || language == "POSIX" || !isLetters(language) || language.size() > 3) {
    return std::nullopt;
  }
  for (char& c : language) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string tag = language;
  if (auto script = kScriptModifiers.find(modifier); script != kScriptModifiers.end()) {
    tag += "-" + script->second;
  }
  if (size_t underscore = name.find('_'); underscore != std::string::npos) {
    std::string region = name.substr(underscore + 1);
    for (char& c : region) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!region.empty()) tag += "-" + region;
  }
  return tag;
}

std::vector<std::string> preferredLanguages(const EnvLookup& env) {
  std::vector<std::string> tags;
  if (const char* list = env("LANGUAGE"); list && *list) {
    for (const std::string& entry : splitColons(list)) {
      if (auto tag = localeToTag(entry)) tags.push_back(*tag);
    }
    if (!tags.empty()) return tags;
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = env(name);
    if (!value || !*value) continue;
    if (auto tag = localeToTag(value)) tags.push_back(*tag);
    break;  // the first one set decides, even when it names no language
  }
  return tags;
}

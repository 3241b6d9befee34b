#include "preferred_languages.h"

#include <cctype>
#include <map>

#include "text.h"

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
  std::string tag = lowerAscii(language);
  if (auto script = kScriptModifiers.find(modifier); script != kScriptModifiers.end()) {
    tag += "-" + script->second;
  }
  if (size_t underscore = name.find('_'); underscore != std::string::npos) {
    const std::string region = upperAscii(name.substr(underscore + 1));
    if (!region.empty()) tag += "-" + region;
  }
  return tag;
}

std::vector<std::string> preferredLanguages(const EnvLookup& env) {
  std::vector<std::string> tags;
  if (const char* list = env("LANGUAGE"); list && *list) {
    for (const std::string& entry : splitAt(list, ':')) {
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

#include "vdir/khal_config.h"

#include <algorithm>
#include <charconv>

#include "color.h"
#include "vdir/config_file.h"
#include "text.h"

namespace {

bool isTrue(const std::string& value) {
  const std::string v = lowerAscii(unquoteValue(value));
  return v == "true" || v == "yes" || v == "on" || v == "1";
}

// ConfigObj lists: "a@x, b@y" or quoted items.
std::vector<std::string> listItems(const std::string& value) {
  std::vector<std::string> items;
  for (const std::string& part : splitAt(value, ',')) {
    std::string item = unquoteValue(part);
    if (!item.empty()) items.push_back(lowerAscii(item));
  }
  return items;
}

Rgb bytes(int red, int green, int blue) { return {red / 255.0, green / 255.0, blue / 255.0}; }

// xterm's first sixteen colours, in terminal order.
const Rgb kTerminal[16] = {
    bytes(0, 0, 0),       bytes(205, 0, 0),   bytes(0, 205, 0),     bytes(205, 205, 0),
    bytes(0, 0, 238),     bytes(205, 0, 205), bytes(0, 205, 205),   bytes(229, 229, 229),
    bytes(127, 127, 127), bytes(255, 0, 0),   bytes(0, 255, 0),     bytes(255, 255, 0),
    bytes(92, 92, 255),   bytes(255, 0, 255), bytes(0, 255, 255),   bytes(255, 255, 255)};

const char* const kTerminalNames[16] = {
    "black",     "dark red",   "dark green",    "brown",     "dark blue",  "dark magenta",
    "dark cyan", "light gray", "dark gray",     "light red", "light green", "yellow",
    "light blue", "light magenta", "light cyan", "white"};

Rgb paletteColor(int index) {
  if (index < 16) return kTerminal[index];
  if (index >= 232) {
    const int grey = 8 + 10 * (index - 232);
    return bytes(grey, grey, grey);
  }
  const int cube = index - 16;
  auto level = [](int step) { return step == 0 ? 0 : 55 + 40 * step; };
  return bytes(level(cube / 36), level(cube / 6 % 6), level(cube % 6));
}

}  // namespace

std::optional<Rgb> khalColor(const std::string& text) {
  if (text.starts_with('#')) return parseHexColor(text);
  const std::string name = lowerAscii(text);
  for (int i = 0; i < 16; ++i) {
    if (name == kTerminalNames[i]) return kTerminal[i];
  }
  int index = -1;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
  if (error == std::errc() && end == text.data() + text.size() && index >= 0 && index < 256) {
    return paletteColor(index);
  }
  return std::nullopt;
}

std::vector<KhalCalendar> readKhalConfig(const std::string& text, const EnvLookup& env) {
  std::vector<KhalCalendar> calendars;
  std::vector<std::string> current;
  for (const ConfigEntry& entry : readConfigEntries(text)) {
    if (entry.sections.size() != 2 || entry.sections[0] != "calendars") continue;
    if (entry.sections != current) {
      current = entry.sections;
      calendars.push_back({});
      calendars.back().name = entry.sections[1];
    }
    KhalCalendar& calendar = calendars.back();
    const std::string value = unquoteValue(entry.value);
    if (entry.key == "path") {
      calendar.path = expandPath(value, env);
    } else if (entry.key == "type") {
      if (value == "birthdays") calendar.type = KhalType::kBirthdays;
      if (value == "discover") calendar.type = KhalType::kDiscover;
    } else if (entry.key == "color") {
      calendar.color = value;
    } else if (entry.key == "displayname") {
      calendar.displayname = value;
    } else if (entry.key == "readonly") {
      calendar.readonly = isTrue(entry.value);
    } else if (entry.key == "addresses") {
      calendar.addresses = listItems(entry.value);
    }
  }
  std::erase_if(calendars, [](const KhalCalendar& c) { return c.path.empty(); });
  return calendars;
}

#include "eds/eds_mapping.h"

#include <algorithm>

#include "store.h"
#include "text.h"

std::optional<int> edsCalendarType(const std::string& backendName) {
  if (backendName == "weather") return std::nullopt;
  if (backendName == "caldav" || backendName == "google") return kCalDav;
  if (backendName == "ews" || backendName == "microsoft365") return kExchange;
  if (backendName == "webcal") return kSubscription;
  if (backendName == "contacts") return kBirthday;
  return kLocal;
}

std::vector<std::string> aliasAddresses(const std::string& aliases) {
  std::vector<std::string> addresses;
  for (std::string alias : splitAt(aliases, ',')) {
    const size_t open = alias.find('<'), close = alias.rfind('>');
    if (open != std::string::npos && close != std::string::npos && close > open) {
      alias = alias.substr(open + 1, close - open - 1);
    }
    alias = trimmed(alias, " \t\"");
    if (alias.find('@') != std::string::npos) addresses.push_back(lowerAscii(alias));
  }
  return addresses;
}

std::vector<std::string> namedZones(const std::string& text) {
  std::vector<std::string> zones;
  for (size_t at = text.find(";TZID="); at != std::string::npos; at = text.find(";TZID=", at + 1)) {
    size_t start = at + 6, end;
    if (start < text.size() && text[start] == '"') {
      end = text.find('"', ++start);
    } else {
      end = text.find_first_of(":;\r\n", start);
    }
    if (end == std::string::npos) break;
    std::string zone = text.substr(start, end - start);
    if (!zone.empty() && std::find(zones.begin(), zones.end(), zone) == zones.end()) {
      zones.push_back(zone);
    }
  }
  return zones;
}

std::string itemText(const std::map<std::string, std::string>& components,
                     const std::vector<std::string>& zones) {
  std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
  for (const std::string& zone : zones) text += zone;
  for (const auto& [rid, component] : components) text += component;
  return text + "END:VCALENDAR\r\n";
}

#include "eds/eds_service.h"

#include "eds/eds_mapping.h"

#include "ical/zone_names.h"

namespace eds {

// The VTIMEZONEs of zones that the system's database does not know, as the
// calendar keeps them.
std::vector<std::string> EdsService::zonesFor(const Connection& connection,
                                             const std::map<std::string, std::string>& components) {
  std::set<std::string> named;
  for (const auto& [rid, text] : components) {
    for (const std::string& tzid : namedZones(text)) named.insert(tzid);
  }
  std::vector<std::string> zones;
  for (const std::string& tzid : named) {
    auto known = connection.zones.find(tzid);
    if (known != connection.zones.end() && !known->second.empty()) zones.push_back(known->second);
  }
  return zones;
}

std::string EdsService::fetchZone(ECalClient* client, const std::string& tzid) {
  ICalTimezone* zone = nullptr;
  if (!client || !e_cal_client_get_timezone_sync(client, tzid.c_str(), &zone, nullptr, nullptr) ||
      !zone) {
    return "";
  }
  ICalComponent* component = i_cal_timezone_get_component(zone);
  std::string text = component ? taken(i_cal_component_as_ical_string(component)) : "";
  if (component) g_object_unref(component);
  if (!text.empty() && !text.ends_with("\r\n")) text += "\r\n";
  return text;
}

}  // namespace eds

#include "eds/eds_service.h"

#include "eds/eds_mapping.h"

#include "ical/zone_names.h"

namespace eds {

void EdsService::objectsChanged(ECalClientView*, const GSList* objects, gpointer data) {
  auto* connection = static_cast<Connection*>(data);
  struct Object {
    std::string uid, rid, text;
  };
  std::vector<Object> changed;
  for (const GSList* item = objects; item; item = item->next) {
    auto* component = static_cast<ICalComponent*>(item->data);
    const char* uid = i_cal_component_get_uid(component);
    std::string text = taken(i_cal_component_as_ical_string(component));
    if (!text.ends_with("\r\n")) text += "\r\n";
    changed.push_back({uid ? uid : "", taken(e_cal_util_component_get_recurid_as_string(component)),
                       std::move(text)});
  }
  // Fetched here, where no lock is held: the server is asked once per zone.
  std::map<std::string, std::string> zones;
  for (const Object& object : changed) {
    for (const std::string& tzid : namedZones(object.text)) {
      if (ianaZoneName(tzid) || zones.count(tzid)) continue;
      std::lock_guard<std::mutex> lock(connection->service->mutex_);
      if (connection->zones.count(tzid)) continue;
      zones[tzid];
    }
  }
  for (auto& [tzid, text] : zones) text = fetchZone(connection->client, tzid);
  bool complete;
  {
    std::lock_guard<std::mutex> lock(connection->service->mutex_);
    connection->zones.merge(zones);
    for (Object& object : changed) {
      connection->objects[object.uid][object.rid] = std::move(object.text);
      connection->dirty.insert(object.uid);
    }
    complete = connection->complete;
  }
  // The first contents are no change.
  if (complete) connection->service->scheduleChange();
}

void EdsService::objectsRemoved(ECalClientView*, const GSList* ids, gpointer data) {
  auto* connection = static_cast<Connection*>(data);
  bool complete;
  {
    std::lock_guard<std::mutex> lock(connection->service->mutex_);
    for (const GSList* item = ids; item; item = item->next) {
      auto* id = static_cast<ECalComponentId*>(item->data);
      const char* uid = e_cal_component_id_get_uid(id);
      const char* rid = e_cal_component_id_get_rid(id);
      const std::string key = uid ? uid : "";
      if (rid && *rid) {
        connection->objects[key].erase(rid);
      } else {
        connection->objects.erase(key);
      }
      connection->dirty.insert(key);
    }
    complete = connection->complete;
  }
  if (complete) connection->service->scheduleChange();
}

void EdsService::viewComplete(ECalClientView*, const GError*, gpointer data) {
  auto* connection = static_cast<Connection*>(data);
  {
    std::lock_guard<std::mutex> lock(connection->service->mutex_);
    connection->complete = true;
  }
  connection->service->changed_.notify_all();
}

}  // namespace eds

#include "eds/eds_service.h"

#include <algorithm>

#include "color.h"
#include "eds/eds_mapping.h"
#include "text.h"

namespace eds {

// The registry, once it answered or failed; none when it failed.
ESourceRegistry* EdsService::waitForRegistry() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_until(lock, started_ + kFirstContents, [this] { return ready_; });
  return registry_;
}

std::vector<ESource*> EdsService::calendarSources(ESourceRegistry* registry) {
  std::vector<ESource*> sources;
  GList* list = e_source_registry_list_enabled(registry, E_SOURCE_EXTENSION_CALENDAR);
  for (GList* item = list; item; item = item->next) {
    ESource* source = E_SOURCE(item->data);
    auto* backend = E_SOURCE_BACKEND(e_source_get_extension(source, E_SOURCE_EXTENSION_CALENDAR));
    if (edsCalendarType(taken(e_source_backend_dup_backend_name(backend)))) {
      sources.push_back(E_SOURCE(g_object_ref(source)));
    }
  }
  g_list_free_full(list, g_object_unref);
  return sources;
}

// The calendars, by account title, then title.
std::vector<SourceInfo> EdsService::sources() {
  ESourceRegistry* registry = waitForRegistry();
  std::vector<SourceInfo> infos;
  if (!registry) return infos;
  for (ESource* source : calendarSources(registry)) {
    infos.push_back(describe(registry, source));
    g_object_unref(source);
  }
  std::stable_sort(infos.begin(), infos.end(), [](const SourceInfo& a, const SourceInfo& b) {
    const std::string accountA = a.record.source ? a.record.source->title : "";
    const std::string accountB = b.record.source ? b.record.source->title : "";
    return std::tie(accountA, *a.record.title, a.uid) < std::tie(accountB, *b.record.title, b.uid);
  });
  return infos;
}

SourceInfo EdsService::describe(ESourceRegistry* registry, ESource* source) {
  SourceInfo info;
  info.uid = repairUtf8(e_source_get_uid(source));
  info.record.id = kIdPrefix + info.uid;
  info.record.title = taken(e_source_dup_display_name(source));
  auto* extension = e_source_get_extension(source, E_SOURCE_EXTENSION_CALENDAR);
  info.record.type =
      edsCalendarType(taken(e_source_backend_dup_backend_name(E_SOURCE_BACKEND(extension))))
          .value_or(kLocal);
  info.record.color = parseHexColor(taken(e_source_selectable_dup_color(E_SOURCE_SELECTABLE(extension))));
  // Built-in parents ("On This Computer", "On The Web") are accounts too.
  const std::string parentUid = taken(e_source_dup_parent(source));
  if (!parentUid.empty()) {
    if (ESource* parent = e_source_registry_ref_source(registry, parentUid.c_str())) {
      info.record.source = SourceRecord{parentUid, taken(e_source_dup_display_name(parent))};
      g_object_unref(parent);
    }
  }
  return info;
}

// Every mail identity's address and aliases: the user's own addresses.
std::vector<std::string> EdsService::identityAddresses(ESourceRegistry* registry) {
  std::vector<std::string> addresses;
  GList* list = e_source_registry_list_sources(registry, E_SOURCE_EXTENSION_MAIL_IDENTITY);
  for (GList* item = list; item; item = item->next) {
    auto* identity = E_SOURCE_MAIL_IDENTITY(
        e_source_get_extension(E_SOURCE(item->data), E_SOURCE_EXTENSION_MAIL_IDENTITY));
    const std::string address = lowerAscii(taken(e_source_mail_identity_dup_address(identity)));
    if (!address.empty()) addresses.push_back(address);
    for (const std::string& alias : aliasAddresses(taken(e_source_mail_identity_dup_aliases(identity)))) {
      addresses.push_back(alias);
    }
  }
  g_list_free_full(list, g_object_unref);
  return addresses;
}

// On the service's thread: connections follow the registry once the
// current signal is over (connecting blocks).
void EdsService::scheduleSync() {
  g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, [](gpointer self) {
    auto* service = static_cast<EdsService*>(self);
    if (service->registry_) service->syncConnections(service->registry_);
    return G_SOURCE_REMOVE;
  }, this, nullptr);
}

// What a listing shows of the calendars and whose addresses are the user's.
std::string EdsService::snapshot(ESourceRegistry* registry) {
  std::string key;
  for (ESource* source : calendarSources(registry)) {
    const CalendarRecord record = describe(registry, source).record;
    key += record.id + '\n' + record.title.value_or("") + '\n' +
           (record.source ? record.source->id + '\n' + record.source->title : "") + '\n' +
           std::to_string(record.type) + '\n';
    if (record.color) {
      key += std::to_string(record.color->red) + ',' + std::to_string(record.color->green) +
             ',' + std::to_string(record.color->blue);
    }
    key += '\0';
    g_object_unref(source);
  }
  for (const std::string& address : identityAddresses(registry)) key += address + '\n';
  return key;
}

// On the service's thread. Sources change for reasons a listing never
// shows (a backend's connection status, say): only visible ones are a change.
void EdsService::sourcesChanged() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    membersChanged_ = true;
  }
  scheduleSync();
  if (!registry_) return;
  std::string now = snapshot(registry_);
  if (now == snapshot_) return;
  snapshot_ = std::move(now);
  scheduleChange();
}

}  // namespace eds

#include "eds/eds_store.h"

#include <libecal/libecal.h>
#include <libedataserver/libedataserver.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "access.h"
#include "color.h"
#include "access_dialog.h"
#include "eds/eds_mapping.h"
#include "ical/ics_file.h"
#include "ical/occurrence_window.h"
#include "text.h"
#include "utf8.h"
#include "ical/zone_names.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long a listing waits for the registry and for calendars' first contents.
constexpr auto kFirstContents = std::chrono::seconds(10);
// Change calls are merged as the folder watch merges them.
constexpr guint kQuietMs = 150;
constexpr guint kLongestMs = 400;

constexpr const char* kIdPrefix = "eds:";

// Owns a GLib string.
std::string taken(gchar* text) {
  std::string value = text ? repairUtf8(text) : "";
  g_free(text);
  return value;
}

class EdsService;

// One calendar's client and view. Members below `objects` are guarded by the
// service's mutex; the view's signals arrive on the service's thread.
struct Connection {
  EdsService* service = nullptr;
  std::string uid;
  ECalClient* client = nullptr;
  ECalClientView* view = nullptr;
  Clock::time_point opened = Clock::now();
  std::vector<std::string> addresses;  // the calendar's own, lower-cased
  // By UID, then by recurrence identifier ("" for the master): VEVENT texts.
  std::map<std::string, std::map<std::string, std::string>> objects;
  std::set<std::string> dirty;  // UIDs whose item must be read again
  bool complete = false;        // the view delivered the first contents
  // TZID → VTIMEZONE text ("" when the calendar has none), for zones the
  // system's database does not know; fetched on the service's thread.
  std::map<std::string, std::string> zones;
  // Read on the querying thread only.
  std::string owner;  // the owner the items were read for
  std::map<std::string, std::shared_ptr<const IcsItem>> items;
};

// A calendar as the registry describes it.
struct SourceInfo {
  CalendarRecord record;
  std::string uid;
};

// The connection to the registry and the calendars, on a GLib main loop
// thread of its own: views deliver their signals to the context they were
// created in. Shared by every handle of the store.
class EdsService {
 public:
  EdsService() : context_(g_main_context_new()), loop_(g_main_loop_new(context_, FALSE)) {
    started_ = Clock::now();
    try {
      thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
      ready_ = true;  // no thread for the server: a store without its calendars
    }
  }

  ~EdsService() {
    stopping_ = true;
    g_main_context_invoke(context_, [](gpointer loop) {
      g_main_loop_quit(static_cast<GMainLoop*>(loop));
      return G_SOURCE_REMOVE;
    }, loop_);
    if (thread_.joinable()) thread_.join();
    g_main_loop_unref(loop_);
    g_main_context_unref(context_);
  }

  std::vector<CalendarRecord> calendars() {
    std::vector<CalendarRecord> records;
    for (SourceInfo& source : sources()) records.push_back(std::move(source.record));
    return records;
  }

  std::vector<EventRecord> events(Instant start, Instant end) {
    const std::vector<SourceInfo> listed = sources();
    std::unique_lock<std::mutex> lock(mutex_);
    // A calendar whose first contents never come is waited for once, not on every query.
    auto waiting = [this] {
      return std::any_of(connections_.begin(), connections_.end(), [](const auto& c) {
        return !c.second->complete && Clock::now() < c.second->opened + kFirstContents;
      });
    };
    while (waiting()) changed_.wait_for(lock, std::chrono::milliseconds(100));
    refresh(listed);
    return window_.events(ordered_, start, end);
  }

  int listen(std::function<void()> onChange) {
    std::lock_guard<std::mutex> lock(listenersMutex_);
    listeners_[++lastListener_] = std::move(onChange);
    return lastListener_;
  }

  // Returns once no call of that listener runs.
  void unlisten(int id) {
    std::lock_guard<std::mutex> lock(listenersMutex_);
    listeners_.erase(id);
  }

 private:
  void run() {
    g_main_context_push_thread_default(context_);
    GError* error = nullptr;
    ESourceRegistry* registry = e_source_registry_new_sync(nullptr, &error);
    g_clear_error(&error);
    if (registry) {
      for (const char* signal :
           {"source-added", "source-removed", "source-changed", "source-enabled", "source-disabled"}) {
        g_signal_connect(registry, signal, G_CALLBACK(+[](ESourceRegistry*, ESource*, gpointer self) {
                           static_cast<EdsService*>(self)->sourcesChanged();
                         }), this);
      }
      syncConnections(registry);
      snapshot_ = snapshot(registry);
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      registry_ = registry;
      ready_ = true;
    }
    changed_.notify_all();
    if (!stopping_) g_main_loop_run(loop_);
    if (registry) g_signal_handlers_disconnect_by_data(registry, this);
    dropMergeTimer();
    std::map<std::string, std::unique_ptr<Connection>> connections;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      connections.swap(connections_);
    }
    for (auto& [uid, connection] : connections) close(connection.get());
    if (registry) g_object_unref(registry);
    g_main_context_pop_thread_default(context_);
  }

  // The registry, once it answered or failed; none when it failed.
  ESourceRegistry* waitForRegistry() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_until(lock, started_ + kFirstContents, [this] { return ready_; });
    return registry_;
  }

  static std::vector<ESource*> calendarSources(ESourceRegistry* registry) {
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
  std::vector<SourceInfo> sources() {
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

  static SourceInfo describe(ESourceRegistry* registry, ESource* source) {
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
  static std::vector<std::string> identityAddresses(ESourceRegistry* registry) {
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

  // On the service's thread: a connection for each calendar, none for the gone.
  void syncConnections(ESourceRegistry* registry) {
    std::set<std::string> wanted;
    for (ESource* source : calendarSources(registry)) {
      const std::string uid = e_source_get_uid(source);
      wanted.insert(uid);
      bool known;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        known = connections_.count(uid) > 0;
      }
      if (!known) {
        auto connection = open(source);
        std::lock_guard<std::mutex> lock(mutex_);
        connections_[uid] = std::move(connection);
        membersChanged_ = true;
      }
      g_object_unref(source);
    }
    std::vector<std::unique_ptr<Connection>> gone;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto it = connections_.begin(); it != connections_.end();) {
        if (wanted.count(it->first)) {
          ++it;
          continue;
        }
        gone.push_back(std::move(it->second));
        it = connections_.erase(it);
        membersChanged_ = true;
      }
    }
    for (auto& connection : gone) close(connection.get());
    changed_.notify_all();
  }

  std::unique_ptr<Connection> open(ESource* source) {
    auto connection = std::make_unique<Connection>();
    connection->service = this;
    connection->uid = e_source_get_uid(source);
    GError* error = nullptr;
    // A wait of 0 for the backend's connection hung; (guint32) -1 means none.
    EClient* client = e_cal_client_connect_sync(source, E_CAL_CLIENT_SOURCE_TYPE_EVENTS,
                                                static_cast<guint32>(-1), nullptr, &error);
    g_clear_error(&error);
    if (!client) {
      connection->complete = true;  // nothing to wait for
      return connection;
    }
    connection->client = E_CAL_CLIENT(client);
    g_signal_connect(client, "backend-died", G_CALLBACK(backendDied), connection.get());
    gchar* email = nullptr;
    if (e_client_get_backend_property_sync(client, E_CAL_BACKEND_PROPERTY_CAL_EMAIL_ADDRESS, &email,
                                           nullptr, nullptr)) {
      const std::string address = lowerAscii(taken(email));
      if (!address.empty()) connection->addresses.push_back(address);
    }
    if (e_source_has_extension(source, E_SOURCE_EXTENSION_WEBDAV_BACKEND)) {
      auto* webdav = E_SOURCE_WEBDAV(e_source_get_extension(source, E_SOURCE_EXTENSION_WEBDAV_BACKEND));
      const std::string address = lowerAscii(taken(e_source_webdav_dup_email_address(webdav)));
      if (!address.empty()) connection->addresses.push_back(address);
    }
    if (!e_cal_client_get_view_sync(connection->client, "#t", &connection->view, nullptr, &error)) {
      g_clear_error(&error);
      connection->complete = true;
      return connection;
    }
    g_signal_connect(connection->view, "objects-added", G_CALLBACK(objectsChanged), connection.get());
    g_signal_connect(connection->view, "objects-modified", G_CALLBACK(objectsChanged), connection.get());
    g_signal_connect(connection->view, "objects-removed", G_CALLBACK(objectsRemoved), connection.get());
    g_signal_connect(connection->view, "complete", G_CALLBACK(viewComplete), connection.get());
    e_cal_client_view_start(connection->view, &error);
    if (error) {
      g_clear_error(&error);
      connection->complete = true;
    }
    return connection;
  }

  static void close(Connection* connection) {
    if (connection->client) g_signal_handlers_disconnect_by_data(connection->client, connection);
    if (connection->view) {
      g_signal_handlers_disconnect_by_data(connection->view, connection);
      e_cal_client_view_stop(connection->view, nullptr);
      g_object_unref(connection->view);
    }
    if (connection->client) g_object_unref(connection->client);
  }

  static void objectsChanged(ECalClientView*, const GSList* objects, gpointer data) {
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

  static void objectsRemoved(ECalClientView*, const GSList* ids, gpointer data) {
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

  static void viewComplete(ECalClientView*, const GError*, gpointer data) {
    auto* connection = static_cast<Connection*>(data);
    {
      std::lock_guard<std::mutex> lock(connection->service->mutex_);
      connection->complete = true;
    }
    connection->service->changed_.notify_all();
  }

  // On the service's thread: connections follow the registry once the
  // current signal is over (connecting blocks).
  void scheduleSync() {
    g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, [](gpointer self) {
      auto* service = static_cast<EdsService*>(self);
      if (service->registry_) service->syncConnections(service->registry_);
      return G_SOURCE_REMOVE;
    }, this, nullptr);
  }

  // What a listing shows of the calendars and whose addresses are the user's.
  static std::string snapshot(ESourceRegistry* registry) {
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
  void sourcesChanged() {
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

  // On the service's thread: a calendar's backend process ended. Its
  // connection is dropped and made again.
  static void backendDied(EClient*, gpointer data) {
    auto* connection = static_cast<Connection*>(data);
    EdsService* service = connection->service;
    std::unique_ptr<Connection> gone;
    {
      std::lock_guard<std::mutex> lock(service->mutex_);
      auto found = service->connections_.find(connection->uid);
      if (found == service->connections_.end() || found->second.get() != connection) return;
      gone = std::move(found->second);
      service->connections_.erase(found);
      service->membersChanged_ = true;
    }
    close(gone.get());
    service->scheduleSync();
    service->scheduleChange();
  }

  void dropMergeTimer() {
    if (!mergeTimer_) return;
    g_source_destroy(mergeTimer_);
    g_source_unref(mergeTimer_);
    mergeTimer_ = nullptr;
  }

  // On the service's thread: one change call once no change came for the
  // quiet time, at most the longest time after the first.
  void scheduleChange() {
    const gint64 now = g_get_monotonic_time() / 1000;
    if (!mergeTimer_) firstChangeMs_ = now;
    dropMergeTimer();
    const gint64 due = std::min<gint64>(now + kQuietMs, firstChangeMs_ + kLongestMs);
    mergeTimer_ = g_timeout_source_new(static_cast<guint>(std::max<gint64>(0, due - now)));
    g_source_set_callback(mergeTimer_, [](gpointer self) {
      auto* service = static_cast<EdsService*>(self);
      g_source_unref(service->mergeTimer_);
      service->mergeTimer_ = nullptr;
      std::lock_guard<std::mutex> lock(service->listenersMutex_);
      for (const auto& [id, listener] : service->listeners_) listener();
      return G_SOURCE_REMOVE;
    }, this, nullptr);
    g_source_attach(mergeTimer_, context_);
  }

  // On the querying thread, under the mutex: reads changed items again and
  // lists the items in calendar order for the window.
  void refresh(const std::vector<SourceInfo>& listed) {
    if (membersChanged_) {
      addresses_ = registry_ ? identityAddresses(registry_) : std::vector<std::string>{};
      membersChanged_ = false;
    }
    std::string order;
    for (const SourceInfo& source : listed) order += source.uid + '\n';
    bool changed = order != order_;
    for (const SourceInfo& source : listed) {
      auto found = connections_.find(source.uid);
      if (found == connections_.end()) continue;
      Connection& connection = *found->second;
      ItemOwner owner{source.record.id, "", connection.addresses, source.record.type == kBirthday};
      owner.addresses.insert(owner.addresses.end(), addresses_.begin(), addresses_.end());
      if (ownerKey(owner) != connection.owner) {
        // Records carry their owner's values: every item is read again.
        connection.owner = ownerKey(owner);
        connection.items.clear();
        for (const auto& [uid, components] : connection.objects) connection.dirty.insert(uid);
        changed = true;
      }
      for (const std::string& uid : connection.dirty) {
        auto object = connection.objects.find(uid);
        if (object == connection.objects.end() || object->second.empty()) {
          connection.items.erase(uid);
          continue;
        }
        owner.itemId = source.record.id + "/" + uid;
        const std::string text = itemText(object->second, zonesFor(connection, object->second));
        connection.items[uid] = readIcsItem(text, owner);
      }
      if (!connection.dirty.empty()) changed = true;
      connection.dirty.clear();
    }
    if (!changed) return;
    window_.clear();
    ordered_.clear();
    for (const SourceInfo& source : listed) {
      auto found = connections_.find(source.uid);
      if (found == connections_.end()) continue;
      for (const auto& [uid, item] : found->second->items) ordered_.push_back(item);
    }
    order_ = order;
  }

  // The VTIMEZONEs of zones that the system's database does not know, as the
  // calendar keeps them.
  static std::vector<std::string> zonesFor(const Connection& connection,
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

  static std::string fetchZone(ECalClient* client, const std::string& tzid) {
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

  GMainContext* context_;
  GMainLoop* loop_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  Clock::time_point started_;

  std::mutex mutex_;
  std::condition_variable changed_;
  bool ready_ = false;
  ESourceRegistry* registry_ = nullptr;
  std::map<std::string, std::unique_ptr<Connection>> connections_;
  bool membersChanged_ = true;  // calendars or identities came, went or changed

  // On the querying thread, under the mutex.
  std::vector<std::string> addresses_;  // the user's identities
  std::string order_;
  std::vector<std::shared_ptr<const IcsItem>> ordered_;
  OccurrenceWindow window_;

  // On the service's thread.
  std::string snapshot_;
  GSource* mergeTimer_ = nullptr;
  gint64 firstChangeMs_ = 0;

  std::mutex listenersMutex_;
  std::map<int, std::function<void()>> listeners_;
  int lastListener_ = 0;
};

class Listening : public ChangeSubscription {
 public:
  Listening(std::shared_ptr<EdsService> service, std::function<void()> onChange)
      : service_(std::move(service)), id_(service_->listen(std::move(onChange))) {}
  ~Listening() override { service_->unlisten(id_); }

 private:
  std::shared_ptr<EdsService> service_;
  int id_;
};

class EdsStore : public CalendarStore {
 public:
  EdsStore(std::shared_ptr<EdsService> service, std::string accessPath)
      : service_(std::move(service)), accessPath_(std::move(accessPath)) {}

  AuthorizationStatus authorizationStatus() const override {
    return readAccessRecord(accessPath_);
  }

  void requestAccess(std::function<void()> completion) override {
    requestAccessInBackground(accessPath_, std::move(completion));
  }

  std::unique_ptr<CalendarStore> reopen() const override {
    return std::make_unique<EdsStore>(service_, accessPath_);
  }

  std::vector<CalendarRecord> calendars() override { return service_->calendars(); }

  std::vector<EventRecord> events(Instant start, Instant end) override {
    return service_->events(start, end);
  }

  std::unique_ptr<ChangeSubscription> observeChanges(std::function<void()> onChange) override {
    return std::make_unique<Listening>(service_, std::move(onChange));
  }

 private:
  std::shared_ptr<EdsService> service_;
  std::string accessPath_;
};

}  // namespace

std::unique_ptr<CalendarStore> makeEdsStore(const EnvLookup& env, const std::string& accessPath) {
  const char* bus = env("DBUS_SESSION_BUS_ADDRESS");
  const char* runtime = env("XDG_RUNTIME_DIR");
  const bool reachable = (bus && *bus) ||
                         (runtime && *runtime && ::access((std::string(runtime) + "/bus").c_str(), F_OK) == 0);
  if (!reachable) return nullptr;
  return std::make_unique<EdsStore>(std::make_shared<EdsService>(), accessPath);
}

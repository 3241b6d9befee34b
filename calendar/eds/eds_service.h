#pragma once

// The connection to Evolution Data Server behind the store, shared by its
// parts: the service and its thread (eds_service.cpp), the source registry
// (eds_registry.cpp), the calendars' connections (eds_connections.cpp), their
// views (eds_views.cpp), zone fetching (eds_zones.cpp) and the items read
// again for a query (eds_refresh.cpp).

#include <libecal/libecal.h>
#include <libedataserver/libedataserver.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "change_merge.h"
#include "ical/ics_file.h"
#include "ical/occurrence_window.h"
#include "store.h"
#include "utf8.h"

namespace eds {


using Clock = std::chrono::steady_clock;

// How long a listing waits for the registry and for calendars' first contents.
inline constexpr auto kFirstContents = std::chrono::seconds(10);

inline constexpr const char* kIdPrefix = "eds:";

// Owns a GLib string.
inline std::string taken(gchar* text) {
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
  EdsService();

  ~EdsService();

  std::vector<CalendarRecord> calendars();

  std::vector<EventRecord> events(Instant start, Instant end);

  int listen(std::function<void()> onChange);

  // Returns once no call of that listener runs.
  void unlisten(int id);

 private:
  void run();

  // The registry, once it answered or failed; none when it failed.
  ESourceRegistry* waitForRegistry();

  static std::vector<ESource*> calendarSources(ESourceRegistry* registry);

  // The calendars, by account title, then title.
  std::vector<SourceInfo> sources();

  static SourceInfo describe(ESourceRegistry* registry, ESource* source);

  // Every mail identity's address and aliases: the user's own addresses.
  static std::vector<std::string> identityAddresses(ESourceRegistry* registry);

  // On the service's thread: a connection for each calendar, none for the gone.
  void syncConnections(ESourceRegistry* registry);

  std::unique_ptr<Connection> open(ESource* source);

  static void close(Connection* connection);

  static void objectsChanged(ECalClientView*, const GSList* objects, gpointer data);

  static void objectsRemoved(ECalClientView*, const GSList* ids, gpointer data);

  static void viewComplete(ECalClientView*, const GError*, gpointer data);

  // On the service's thread: connections follow the registry once the
  // current signal is over (connecting blocks).
  void scheduleSync();

  // What a listing shows of the calendars and whose addresses are the user's.
  static std::string snapshot(ESourceRegistry* registry);

  // On the service's thread. Sources change for reasons a listing never
  // shows (a backend's connection status, say): only visible ones are a change.
  void sourcesChanged();

  // On the service's thread: a calendar's backend process ended. Its
  // connection is dropped and made again.
  static void backendDied(EClient*, gpointer data);

  void dropMergeTimer();

  // On the service's thread: one change call for a burst of changes.
  void scheduleChange();
  void armMergeTimer();

  // On the querying thread, under the mutex: reads changed items again and
  // lists the items in calendar order for the window.
  void refresh(const std::vector<SourceInfo>& listed);

  // The VTIMEZONEs of zones that the system's database does not know, as the
  // calendar keeps them.
  static std::vector<std::string> zonesFor(const Connection& connection,
                                           const std::map<std::string, std::string>& components);

  static std::string fetchZone(ECalClient* client, const std::string& tzid);

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
  ChangeBurst burst_;  // change calls merged as the folder watch merges them

  std::mutex listenersMutex_;
  std::map<int, std::function<void()>> listeners_;
  int lastListener_ = 0;
};

}  // namespace eds

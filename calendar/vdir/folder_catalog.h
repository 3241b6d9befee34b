#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "store.h"
#include "vdir/change_watch.h"
#include "vdir/folder_places.h"
#include "vdir/item_index.h"

// The calendar folders of a set of places and their items. The folders are
// found once, and again only after the one watch over the places saw a
// change; the same watch tells the item index to check its files and calls
// the change subscribers. Without a running watch every query looks afresh.
class FolderCatalog {
 public:
  explicit FolderCatalog(CalendarPlaces places);
  ~FolderCatalog();

  // Both called on one thread at a time.
  std::vector<CalendarRecord> calendars();
  std::vector<EventRecord> events(Instant start, Instant end);
  void visitEvents(Instant start, Instant end, const CalendarStore::EventVisit& visit);

 private:
  friend std::unique_ptr<ChangeSubscription> subscribeToChanges(
      std::shared_ptr<FolderCatalog> catalog, std::function<void()> onChange);

  void refresh();
  void changed();  // on the watch's thread, as soon as a change is seen
  void notify();   // on the watch's thread, once per merged burst

  CalendarPlaces places_;
  std::atomic<bool> stale_{true};
  std::vector<FolderCalendar> found_;
  std::vector<ItemFolder> itemFolders_;
  ItemIndex index_;
  std::mutex subscribersMutex_;
  std::map<int, std::function<void()>> subscribers_;
  int nextSubscriber_ = 0;
  std::unique_ptr<FolderWatch> watch_;  // last: stopped before the rest goes
};

// Calls `onChange` on the watch's thread after the catalog's calendars
// changed (a burst of writes merged into one call), until the result is destroyed.
std::unique_ptr<ChangeSubscription> subscribeToChanges(std::shared_ptr<FolderCatalog> catalog,
                                                       std::function<void()> onChange);

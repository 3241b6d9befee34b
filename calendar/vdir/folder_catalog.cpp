#include "vdir/folder_catalog.h"

namespace {

class Subscription : public ChangeSubscription {
 public:
  Subscription(std::shared_ptr<FolderCatalog> catalog, std::function<void()> stop)
      : catalog_(std::move(catalog)), stop_(std::move(stop)) {}
  ~Subscription() override { stop_(); }

 private:
  std::shared_ptr<FolderCatalog> catalog_;  // outlives the stop call
  std::function<void()> stop_;
};

}  // namespace

FolderCatalog::FolderCatalog(CalendarPlaces places) : places_(std::move(places)) {
  watch_ = watchCalendarFolders([places = places_] { return watchedPlaces(places); },
                                [this] { notify(); }, MergeWindow{}, [this] { changed(); });
}

FolderCatalog::~FolderCatalog() { watch_.reset(); }

void FolderCatalog::changed() {
  stale_ = true;
  index_.markStale();
}

void FolderCatalog::notify() {
  std::lock_guard<std::mutex> lock(subscribersMutex_);
  for (const auto& [id, onChange] : subscribers_) onChange();
}

void FolderCatalog::refresh() {
  // Cleared before looking, so that a change seen meanwhile is looked at next time.
  if (!stale_.exchange(false) && watch_->running()) return;
  if (!watch_->running()) index_.markStale();
  found_ = findFolderCalendars(places_);
  itemFolders_.clear();
  for (const FolderCalendar& calendar : found_) {
    itemFolders_.push_back(
        {calendar.path, ItemOwner{calendar.record.id, "", calendar.addresses, calendar.contacts}});
  }
}

std::vector<CalendarRecord> FolderCatalog::calendars() {
  refresh();
  std::vector<CalendarRecord> records;
  for (const FolderCalendar& calendar : found_) records.push_back(calendar.record);
  return records;
}

std::vector<EventRecord> FolderCatalog::events(Instant start, Instant end) {
  refresh();
  return index_.events(itemFolders_, start, end);
}

void FolderCatalog::visitEvents(Instant start, Instant end,
                                const CalendarStore::EventVisit& visit) {
  refresh();
  index_.visitEvents(itemFolders_, start, end, visit);
}

std::unique_ptr<ChangeSubscription> subscribeToChanges(std::shared_ptr<FolderCatalog> catalog,
                                                       std::function<void()> onChange) {
  int id;
  {
    std::lock_guard<std::mutex> lock(catalog->subscribersMutex_);
    id = catalog->nextSubscriber_++;
    catalog->subscribers_[id] = std::move(onChange);
  }
  FolderCatalog* raw = catalog.get();
  return std::make_unique<Subscription>(std::move(catalog), [raw, id] {
    std::lock_guard<std::mutex> lock(raw->subscribersMutex_);
    raw->subscribers_.erase(id);
  });
}

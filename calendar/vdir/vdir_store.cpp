#include "vdir/vdir_store.h"

#include "access.h"
#include "access_dialog.h"
#include "vdir/change_watch.h"
#include "vdir/item_index.h"

namespace {

std::vector<ItemFolder> itemFolders(const std::vector<FolderCalendar>& calendars) {
  std::vector<ItemFolder> folders;
  for (const FolderCalendar& calendar : calendars) {
    folders.push_back(
        {calendar.path, ItemOwner{calendar.record.id, "", calendar.addresses, calendar.contacts}});
  }
  return folders;
}

class VdirStore : public CalendarStore {
 public:
  VdirStore(CalendarPlaces places, std::string accessPath, std::shared_ptr<ItemIndex> index)
      : places_(std::move(places)), accessPath_(std::move(accessPath)), index_(std::move(index)) {}

  AuthorizationStatus authorizationStatus() const override {
    return readAccessRecord(accessPath_);
  }

  void requestAccess(std::function<void()> completion) override {
    requestAccessInBackground(accessPath_, std::move(completion));
  }

  std::unique_ptr<CalendarStore> reopen() const override {
    // Handles share the index: a new handle need not read every file again.
    return std::make_unique<VdirStore>(places_, accessPath_, index_);
  }

  std::vector<CalendarRecord> calendars() override {
    std::vector<CalendarRecord> records;
    for (FolderCalendar& calendar : findFolderCalendars(places_)) {
      records.push_back(std::move(calendar.record));
    }
    return records;
  }

  std::vector<EventRecord> events(Instant start, Instant end) override {
    return index_->events(itemFolders(findFolderCalendars(places_)), start, end);
  }

  std::unique_ptr<ChangeSubscription> observeChanges(std::function<void()> onChange) override {
    return watchCalendarFolders([places = places_] { return watchedPlaces(places); },
                                std::move(onChange));
  }

 private:
  CalendarPlaces places_;
  std::string accessPath_;
  std::shared_ptr<ItemIndex> index_;
};

}  // namespace

std::unique_ptr<CalendarStore> makeVdirStore(const CalendarPlaces& places,
                                             const std::string& accessPath) {
  auto index = std::make_shared<ItemIndex>([places] { return watchedPlaces(places); });
  return std::make_unique<VdirStore>(places, accessPath, std::move(index));
}

std::unique_ptr<CalendarStore> makeVdirStore(const std::string& root,
                                             const std::string& accessPath) {
  return makeVdirStore(CalendarPlaces{root, {}, {}, {}}, accessPath);
}

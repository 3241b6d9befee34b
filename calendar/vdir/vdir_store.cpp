#include "vdir/vdir_store.h"

#include "access.h"
#include "access_dialog.h"
#include "vdir/folder_catalog.h"

namespace {

class VdirStore : public CalendarStore {
 public:
  VdirStore(std::string accessPath, std::shared_ptr<FolderCatalog> catalog)
      : accessPath_(std::move(accessPath)), catalog_(std::move(catalog)) {}

  AuthorizationStatus authorizationStatus() const override {
    return readAccessRecord(accessPath_);
  }

  void requestAccess(std::function<void()> completion) override {
    requestAccessInBackground(accessPath_, std::move(completion));
  }

  std::unique_ptr<CalendarStore> reopen() const override {
    // Handles share the catalog: a new handle need not read every file again.
    return std::make_unique<VdirStore>(accessPath_, catalog_);
  }

  std::vector<CalendarRecord> calendars() override { return catalog_->calendars(); }

  std::vector<EventRecord> events(Instant start, Instant end) override {
    return catalog_->events(start, end);
  }

  void visitEvents(Instant start, Instant end, const EventVisit& visit) override {
    catalog_->visitEvents(start, end, visit);
  }

  std::unique_ptr<ChangeSubscription> observeChanges(std::function<void()> onChange) override {
    return subscribeToChanges(catalog_, std::move(onChange));
  }

 private:
  std::string accessPath_;
  std::shared_ptr<FolderCatalog> catalog_;
};

}  // namespace

std::unique_ptr<CalendarStore> makeVdirStore(const CalendarPlaces& places,
                                             const std::string& accessPath) {
  return std::make_unique<VdirStore>(accessPath, std::make_shared<FolderCatalog>(places));
}

std::unique_ptr<CalendarStore> makeVdirStore(const std::string& root,
                                             const std::string& accessPath) {
  return makeVdirStore(CalendarPlaces{root, {}, {}, {}}, accessPath);
}

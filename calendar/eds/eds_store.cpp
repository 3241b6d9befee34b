#include "eds/eds_store.h"

#include <unistd.h>

#include "access.h"
#include "access_dialog.h"
#include "eds/eds_service.h"

namespace {

using eds::EdsService;

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

#include "combined_store.h"

#include <algorithm>

namespace {

class Subscriptions : public ChangeSubscription {
 public:
  std::vector<std::unique_ptr<ChangeSubscription>> all;
};

class CombinedStore : public CalendarStore {
 public:
  explicit CombinedStore(std::vector<std::unique_ptr<CalendarStore>> stores)
      : stores_(std::move(stores)) {}

  AuthorizationStatus authorizationStatus() const override {
    return stores_.front()->authorizationStatus();
  }

  void requestAccess(std::function<void()> completion) override {
    stores_.front()->requestAccess(std::move(completion));
  }

  std::unique_ptr<CalendarStore> reopen() const override {
    std::vector<std::unique_ptr<CalendarStore>> reopened;
    for (const auto& store : stores_) reopened.push_back(store->reopen());
    return std::make_unique<CombinedStore>(std::move(reopened));
  }

  std::vector<CalendarRecord> calendars() override {
    std::vector<CalendarRecord> all;
    for (const auto& store : stores_) {
      auto some = store->calendars();
      std::move(some.begin(), some.end(), std::back_inserter(all));
    }
    return all;
  }

  std::vector<EventRecord> events(Instant start, Instant end) override {
    std::vector<EventRecord> all;
    for (const auto& store : stores_) {
      auto some = store->events(start, end);
      const auto middle = static_cast<std::ptrdiff_t>(all.size());
      std::move(some.begin(), some.end(), std::back_inserter(all));
      std::inplace_merge(all.begin(), all.begin() + middle, all.end(),
                         [](const EventRecord& a, const EventRecord& b) {
                           return a.start != b.start ? a.start < b.start : a.end < b.end;
                         });
    }
    return all;
  }

  std::unique_ptr<ChangeSubscription> observeChanges(std::function<void()> onChange) override {
    auto subscriptions = std::make_unique<Subscriptions>();
    for (const auto& store : stores_) subscriptions->all.push_back(store->observeChanges(onChange));
    return subscriptions;
  }

 private:
  std::vector<std::unique_ptr<CalendarStore>> stores_;
};

}  // namespace

std::unique_ptr<CalendarStore> makeCombinedStore(
    std::vector<std::unique_ptr<CalendarStore>> stores) {
  if (stores.size() == 1) return std::move(stores.front());
  return std::make_unique<CombinedStore>(std::move(stores));
}

#include "combined_store.h"

#include <gtest/gtest.h>

#include "fake_store.h"

namespace {

const InstantFormatter iso{kInternetDateTime};

EventRecord event(const std::string& title, const char* start, const char* end) {
  EventRecord record;
  record.title = title;
  record.start = iso.read(start);
  record.end = iso.read(end);
  return record;
}

TEST(CombinedStore, ListsBothMergesEventsAndAsksTheFirst) {
  auto folders = std::make_shared<FakeStore::State>();
  auto server = std::make_shared<FakeStore::State>();
  folders->calendars = {{"a", "A", std::nullopt, kLocal, std::nullopt}};
  server->calendars = {{"eds:b", "B", std::nullopt, kCalDav, std::nullopt}};
  folders->events = {event("f1", "2024-01-01T09:00:00Z", "2024-01-01T10:00:00Z"),
                     event("f2", "2024-01-01T11:00:00Z", "2024-01-01T12:00:00Z")};
  server->events = {event("s1", "2024-01-01T08:00:00Z", "2024-01-01T09:00:00Z"),
                    event("s2", "2024-01-01T09:00:00Z", "2024-01-01T10:00:00Z"),
                    event("s3", "2024-01-01T11:00:00Z", "2024-01-01T11:30:00Z")};
  server->status = kDenied;
  std::vector<std::unique_ptr<CalendarStore>> stores;
  stores.push_back(std::make_unique<FakeStore>(folders));
  stores.push_back(std::make_unique<FakeStore>(server));
  auto store = makeCombinedStore(std::move(stores));

  auto calendars = store->calendars();
  ASSERT_EQ(2u, calendars.size());
  EXPECT_EQ("a", calendars[0].id);
  EXPECT_EQ("eds:b", calendars[1].id);
  std::vector<std::string> titles;
  for (const auto& e : store->events(*iso.read("2024-01-01T00:00:00Z"),
                                     *iso.read("2024-01-02T00:00:00Z"))) {
    titles.push_back(*e.title);
  }
  // Same start and end: the first store's event first.
  EXPECT_EQ(std::vector<std::string>({"s1", "f1", "s2", "s3", "f2"}), titles);

  EXPECT_EQ(kNotDetermined, store->authorizationStatus());
  store->requestAccess([] {});
  EXPECT_EQ(1u, folders->pendingRequests.size());
  EXPECT_TRUE(server->pendingRequests.empty());

  int changes = 0;
  auto subscription = store->observeChanges([&changes] { ++changes; });
  FakeStore::fireChange(folders);
  FakeStore::fireChange(server);
  EXPECT_EQ(2, changes);
  subscription.reset();
  FakeStore::fireChange(server);
  EXPECT_EQ(2, changes);

  auto reopened = store->reopen();
  EXPECT_EQ(2, folders->handlesOpened);
  EXPECT_EQ(2, server->handlesOpened);
  EXPECT_EQ(2u, reopened->calendars().size());
}

}  // namespace

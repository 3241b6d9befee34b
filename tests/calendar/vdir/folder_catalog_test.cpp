#include "vdir/folder_catalog.h"

#include <dirent.h>
#include <unistd.h>

#include <thread>

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace {

using namespace std::chrono;

const InstantFormatter iso{kInternetDateTime};

std::string item(const std::string& uid) {
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:" + uid + "\r\nSUMMARY:" + uid +
         "\r\nDTSTART:20240305T090000Z\r\nDURATION:PT1H\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

std::vector<std::string> titles(FolderCatalog& catalog) {
  std::vector<std::string> out;
  for (const CalendarRecord& calendar : catalog.calendars()) {
    out.push_back(calendar.id + "=" + calendar.title.value_or("?"));
  }
  return out;
}

std::vector<std::string> uids(FolderCatalog& catalog) {
  std::vector<std::string> out;
  for (const EventRecord& event : catalog.events(*iso.read("2024-03-05T00:00:00Z"),
                                                 *iso.read("2024-03-06T00:00:00Z"))) {
    out.push_back(event.externalId.value_or("?"));
  }
  return out;
}

// Polls until `look` gives `expected`: the catalog learns of changes from its watch.
template <typename Look>
bool becomes(Look look, const std::vector<std::string>& expected) {
  for (int i = 0; i < 100 && look() != expected; ++i) std::this_thread::sleep_for(20ms);
  return look() == expected;
}

int inotifyInstances() {
  int count = 0;
  DIR* dir = ::opendir("/proc/self/fd");
  while (dirent* entry = ::readdir(dir)) {
    char target[64] = {};
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    if (::readlink(link.c_str(), target, sizeof target - 1) > 0 &&
        std::string(target) == "anon_inode:inotify") {
      ++count;
    }
  }
  ::closedir(dir);
  return count;
}

class FolderCatalogTest : public ::testing::Test {
 protected:
  TempFolder root_{"zuna-catalog"};
};

TEST_F(FolderCatalogTest, ItemsAndSubscribersShareOneWatch) {
  root_.write("cal/a.ics", item("a"));
  const int before = inotifyInstances();
  auto catalog = std::make_shared<FolderCatalog>(CalendarPlaces{root_.path().string(), {}, {}, {}});
  auto first = subscribeToChanges(catalog, [] {});
  auto second = subscribeToChanges(catalog, [] {});
  EXPECT_EQ(std::vector<std::string>({"a"}), uids(*catalog));
  EXPECT_EQ(before + 1, inotifyInstances());
}

TEST_F(FolderCatalogTest, FoldersAreFoundAgainOnlyAfterAChangeTheWatchSaw) {
  root_.write("cal/displayname", "Old\n");
  root_.write("cal/a.ics", item("a"));
  FolderCatalog catalog(CalendarPlaces{root_.path().string(), {}, {}, {}});
  EXPECT_EQ(std::vector<std::string>({"cal=Old"}), titles(catalog));
  // Cut short in place: a change the watch is not told of (no write closed).
  ASSERT_EQ(0, ::truncate((root_ / "cal/displayname").c_str(), 0));
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(std::vector<std::string>({"cal=Old"}), titles(catalog));
  // A new calendar and an item written: both seen, and the cut name with them.
  root_.write("new/b.ics", item("b"));
  EXPECT_TRUE(becomes([&] { return titles(catalog); }, {"cal=cal", "new=new"}));
  EXPECT_TRUE(becomes([&] { return uids(catalog); }, {"a", "b"}));
  std::filesystem::remove_all(root_.path() / "cal");
  EXPECT_TRUE(becomes([&] { return uids(catalog); }, {"b"}));
  EXPECT_EQ(std::vector<std::string>({"new=new"}), titles(catalog));
}

TEST_F(FolderCatalogTest, SubscribersGetMergedChangesUntilTheyLeave) {
  auto catalog = std::make_shared<FolderCatalog>(CalendarPlaces{root_.path().string(), {}, {}, {}});
  std::atomic<int> calls{0};
  auto subscription = subscribeToChanges(catalog, [&calls] { ++calls; });
  for (int i = 0; i < 50; ++i) root_.write("cal/" + std::to_string(i) + ".ics", item("x"));
  for (int i = 0; i < 100 && calls == 0; ++i) std::this_thread::sleep_for(20ms);
  std::this_thread::sleep_for(500ms);
  EXPECT_GE(calls.load(), 1);
  EXPECT_LE(calls.load(), 2);
  subscription.reset();
  const int before = calls;
  root_.write("cal/late.ics", item("late"));
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(before, calls.load());
  // The watch goes on for the items.
  auto count = [&] { return std::vector<std::string>{std::to_string(uids(*catalog).size())}; };
  EXPECT_TRUE(becomes(count, {"51"}));
}

}  // namespace

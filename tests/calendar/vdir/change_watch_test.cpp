#include "vdir/change_watch.h"

#include <condition_variable>
#include <mutex>

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace {

using namespace std::chrono;

// Counts change calls and waits for them.
class ChangeCounter {
 public:
  std::function<void()> callback() {
    return [this] {
      std::lock_guard<std::mutex> lock(mutex_);
      ++count_;
      changed_.notify_all();
    };
  }
  // The count once no call came for `quiet`.
  int settle(milliseconds quiet = milliseconds(700)) {
    std::unique_lock<std::mutex> lock(mutex_);
    int seen = -1;
    while (seen != count_) {
      seen = count_;
      changed_.wait_for(lock, quiet);
    }
    return count_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int count_ = 0;
};

const std::string kItem = "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n";

TEST(ChangeWatch, ItemsAndMetadataCountOtherFilesDoNot) {
  TempFolder root("zuna-watch");
  root.write("cal/old.ics", kItem);
  ChangeCounter counter;
  auto watch = watchCalendarFolders(root.path().string(), counter.callback());
  root.write("cal/new.icsab12x", kItem);  // a sync tool's temporary file
  root.write("cal/notes.txt", "x");
  root.write(".git/cal.ics", kItem);
  EXPECT_EQ(0, counter.settle());
  root.write("cal/new.ics", kItem);
  EXPECT_EQ(1, counter.settle());
  std::filesystem::rename(root / "cal/new.ics", root / "cal/renamed.ics");
  EXPECT_EQ(2, counter.settle());
  std::filesystem::remove(root / "cal/old.ics");
  EXPECT_EQ(3, counter.settle());
  root.write("cal/color", "#00FF00");
  EXPECT_EQ(4, counter.settle());
  std::filesystem::create_hard_link(root / "cal/renamed.ics", root / "cal/linked.ics");
  EXPECT_EQ(5, counter.settle());
}

TEST(ChangeWatch, ABurstOfWritesGivesOneChange) {
  TempFolder root("zuna-watch");
  root.write("acc/cal/a.ics", kItem);
  ChangeCounter counter;
  auto watch = watchCalendarFolders(root.path().string(), counter.callback());
  for (int i = 0; i < 300; ++i) root.write("acc/cal/" + std::to_string(i) + ".ics", kItem);
  EXPECT_LE(counter.settle(), 2);
  EXPECT_GE(counter.settle(), 1);
}

TEST(ChangeWatch, FoldersThatAppearAreFollowed) {
  TempFolder root("zuna-watch");
  ChangeCounter counter;
  auto watch = watchCalendarFolders(root / "calendars", counter.callback());
  root.write("elsewhere.txt", "x");
  EXPECT_EQ(0, counter.settle());
  std::filesystem::create_directories(root.path() / "calendars");
  EXPECT_EQ(1, counter.settle());
  std::filesystem::create_directories(root.path() / "calendars/acc/cal");
  int afterFolders = counter.settle();
  root.write("calendars/acc/cal/x.ics", kItem);
  EXPECT_EQ(afterFolders + 1, counter.settle());
  root.write("elsewhere2.txt", "x");  // the root exists: its parent is no longer watched
  EXPECT_EQ(afterFolders + 1, counter.settle());
}

TEST(ChangeWatch, ConfigurationFilesAndTheFoldersTheyName) {
  TempFolder home("zuna-watch");
  CalendarPlaces places{home / "data", {}, {home / "khal/config"}, {}};
  places.env = [&home](const char* name) -> const char* {
    static std::string path;
    path = home.path().string();
    return std::string(name) == "HOME" ? path.c_str() : nullptr;
  };
  home.write("named/a.ics", kItem);
  home.write("later/b.ics", kItem);
  home.write("birthdays/ann.vcf", "");
  ChangeCounter counter;
  auto watch = watchCalendarFolders([places] { return watchedPlaces(places); }, counter.callback());
  home.write("named/c.ics", kItem);
  home.write("khal/other", "x");
  EXPECT_EQ(0, counter.settle());  // nothing names that folder yet; the config folder is missing
  home.write("khal/config",
             "[calendars]\n[[n]]\npath = ~/named\n[[b]]\npath = ~/birthdays\ntype = birthdays\n");
  EXPECT_EQ(1, counter.settle());
  home.write("named/d.ics", kItem);
  EXPECT_EQ(2, counter.settle());
  home.write("birthdays/bob.vcf", "");
  EXPECT_EQ(3, counter.settle());
  home.write("later/e.ics", kItem);
  EXPECT_EQ(3, counter.settle());
  // An editor saves by writing a new file and renaming it over the old one.
  home.write("khal/config.new", "[calendars]\n[[l]]\npath = ~/later\n");
  std::filesystem::rename(home / "khal/config.new", home / "khal/config");
  EXPECT_EQ(4, counter.settle());
  home.write("later/f.ics", kItem);
  EXPECT_EQ(5, counter.settle());
  home.write("named/g.ics", kItem);  // no longer named
  EXPECT_EQ(5, counter.settle());
}

TEST(ChangeWatch, NoCallAfterTheWatchIsGone) {
  TempFolder root("zuna-watch");
  ChangeCounter counter;
  auto watch = watchCalendarFolders(root.path().string(), counter.callback());
  root.write("cal.ics", kItem);
  watch.reset();
  EXPECT_LE(counter.settle(milliseconds(600)), 1);
  root.write("cal2.ics", kItem);
  int before = counter.settle();
  EXPECT_EQ(before, counter.settle());
}

}  // namespace

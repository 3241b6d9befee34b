#include "vdir/item_index.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace {

using namespace std::chrono;

const InstantFormatter iso{kInternetDateTime};

std::string item(const std::string& title, const std::string& start = "20240305T090000Z") {
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:" + title + "\r\nSUMMARY:" +
         title + "\r\nDTSTART:" + start + "\r\nDURATION:PT1H\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

class ItemIndexTest : public ::testing::Test {
 protected:
  std::vector<std::string> titles() {
    std::vector<std::string> out;
    for (const EventRecord& e : index_.events(folders_, *iso.read("2024-03-01T00:00:00Z"),
                                              *iso.read("2024-04-01T00:00:00Z"))) {
      out.push_back(e.title.value_or("?"));
    }
    return out;
  }

  TempFolder root_{"zuna-index"};
  std::vector<ItemFolder> folders_{{root_ / "a", ItemOwner{"a", "", {}, false}},
                                   {root_ / "b", ItemOwner{"b", "", {}, false}}};
  ItemIndex index_;
};

TEST_F(ItemIndexTest, ManyFilesReadTogetherKeepTheirFolderAndNameOrder) {
  std::vector<std::string> expected;
  for (const char* folder : {"a", "b"}) {
    for (int i = 0; i < 300; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "%s%03d", folder, i);
      root_.write(std::string(folder) + "/" + name + ".ics", item(name));
      expected.push_back(name);
      if (i % 50 == 7) {  // neither hides the others
        root_.write(std::string(folder) + "/" + name + "-broken.ics", "BEGIN:VCALENDAR\r\nno");
        ::mkfifo((root_ / (std::string(folder) + "/" + name + "-fifo.ics")).c_str(), 0600);
      }
    }
  }
  EXPECT_EQ(expected, titles());
}

TEST_F(ItemIndexTest, AfterAChangeOnlyFilesWithAnotherSizeTimeOrInodeAreReadAgain) {
  root_.write("a/same.ics", item("same"));
  root_.write("a/timed.ics", item("timed"));
  root_.write("a/moved.ics", item("moved"));
  ASSERT_EQ(std::vector<std::string>({"moved", "same", "timed"}), titles());
  const auto stampOf = [this](const std::string& name) {
    struct stat info;
    ::stat((root_ / name).c_str(), &info);
    return info;
  };
  // Each rewritten with the same size; one keeps its time too, as a copy
  // tool that keeps times does, but gets a new inode by a rename.
  const struct stat moved = stampOf("a/moved.ics");
  root_.write("a/same.ics.new", item("SAME"));
  std::filesystem::rename(root_.path() / "a/same.ics.new", root_.path() / "a/same.ics");
  root_.write("a/timed.ics", item("TIMED"));
  root_.write("a/moved.ics.new", item("MOVED"));
  const timespec times[2] = {moved.st_atim, moved.st_mtim};
  ::utimensat(AT_FDCWD, (root_ / "a/moved.ics.new").c_str(), times, 0);
  std::filesystem::rename(root_.path() / "a/moved.ics.new", root_.path() / "a/moved.ics");
  EXPECT_EQ(std::vector<std::string>({"moved", "same", "timed"}), titles());  // not told yet
  index_.markStale();
  EXPECT_EQ(std::vector<std::string>({"MOVED", "SAME", "TIMED"}), titles());
}

}  // namespace

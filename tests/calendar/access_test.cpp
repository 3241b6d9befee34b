#include "access.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

class AccessRecordTest : public ::testing::Test {
 protected:
  TempFolder folder_{"zuna-access"};
  const fs::path& dir_ = folder_.path();
};

TEST_F(AccessRecordTest, PathFollowsXdgConfigHome) {
  auto env = [](const char* name) -> const char* {
    if (std::string(name) == "HOME") return "/home/ann";
    return nullptr;
  };
  EXPECT_EQ("/home/ann/.config/zuna/calendar-access", accessRecordPath(env));
  auto xdg = [](const char* name) -> const char* {
    return std::string(name) == "XDG_CONFIG_HOME" ? "/cfg" : "/home/ann";
  };
  EXPECT_EQ("/cfg/zuna/calendar-access", accessRecordPath(xdg));
  auto relative = [](const char* name) -> const char* {
    return std::string(name) == "XDG_CONFIG_HOME" ? "cfg" : "/home/ann";
  };
  EXPECT_EQ("/home/ann/.config/zuna/calendar-access", accessRecordPath(relative));
}

TEST_F(AccessRecordTest, ReadsTheRecordedWord) {
  const std::string path = (dir_ / "zuna/calendar-access").string();
  EXPECT_EQ(kNotDetermined, readAccessRecord(path));
  struct Case {
    std::string contents;
    AuthorizationStatus expected;
  } cases[] = {
      {"granted\n", kFullAccess}, {"  denied", kDenied},  {"granted extra", kFullAccess},
      {"GRANTED", kNotDetermined}, {"", kNotDetermined},  {"\x01\xFFgarbage", kNotDetermined},
      {std::string(100000, 'g'), kNotDetermined},
  };
  fs::create_directories(dir_ / "zuna");
  for (const Case& c : cases) {
    std::ofstream(path) << c.contents;
    EXPECT_EQ(c.expected, readAccessRecord(path)) << c.contents.substr(0, 20);
  }
  fs::remove(path);
  fs::create_directories(path);  // a folder where the file should be
  EXPECT_EQ(kNotDetermined, readAccessRecord(path));
}

TEST_F(AccessRecordTest, WritesAtomicallyAndCreatesTheFolder) {
  const std::string path = (dir_ / "deep/zuna/calendar-access").string();
  ASSERT_TRUE(writeAccessRecord(path, true));
  EXPECT_EQ(kFullAccess, readAccessRecord(path));
  ASSERT_TRUE(writeAccessRecord(path, false));
  EXPECT_EQ(kDenied, readAccessRecord(path));
  // Nothing is left beside the record.
  EXPECT_EQ(1, std::distance(fs::directory_iterator(dir_ / "deep/zuna"), {}));
  // A folder that cannot be written: the old record stays whole.
  if (geteuid() != 0) {
    fs::permissions(dir_ / "deep/zuna", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(writeAccessRecord(path, true));
    EXPECT_EQ(kDenied, readAccessRecord(path));
    fs::permissions(dir_ / "deep/zuna", fs::perms::owner_all);
  }
  fs::remove_all(dir_ / "deep/zuna");
  std::ofstream(dir_ / "deep/zuna") << "a file in the folder's place";
  EXPECT_FALSE(writeAccessRecord(path, true));
}

}  // namespace

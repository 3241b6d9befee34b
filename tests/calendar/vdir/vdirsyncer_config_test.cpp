#include "vdir/vdirsyncer_config.h"

#include <gtest/gtest.h>

#include "store.h"

namespace {

const EnvLookup kEnv = [](const char* name) -> const char* {
  return std::string(name) == "HOME" ? "/home/ann" : nullptr;
};

TEST(VdirsyncerConfig, FilesystemSidesOfPairs) {
  auto folders = readVdirsyncerConfig(R"([general]
status_path = "~/.vdirsyncer/status/"

[pair work]
a = "work_local"
b = "work_remote"
collections = ["from a", "from b"]
metadata = ["color", "displayname"]

[storage work_local]
type = "filesystem"
path = "~/.calendars/work/"
fileext = ".ics"

[storage work_remote]
type = "caldav"
url = "https://dav.example.org/"
username = "Ann@Example.org"
password.fetch = ["command", "pass", "dav"]

[pair holidays]
a = "holidays_remote"
b = "holidays_local"
collections = null

[storage holidays_remote]
type = "http"
url = "https://example.org/holidays.ics"

[storage holidays_local]
type = "filesystem"
path = "~/.calendars/holidays"
fileext = ".ics"

[pair contacts]
a = "contacts_local"
b = "contacts_remote"
collections = ["from a"]

[storage contacts_local]
type = "filesystem"
path = "~/.contacts/"
fileext = ".vcf"

[storage contacts_remote]
type = "carddav"

[pair dangling]
a = "nowhere"
b = "also_nowhere"
)", kEnv);
  ASSERT_EQ(2u, folders.size());
  EXPECT_EQ("/home/ann/.calendars/work/", folders[0].path);
  EXPECT_TRUE(folders[0].collections);
  EXPECT_EQ("work", folders[0].pair);
  EXPECT_EQ(kCalDav, folders[0].type);
  EXPECT_EQ(std::vector<std::string>{"ann@example.org"}, folders[0].addresses);
  EXPECT_EQ("/home/ann/.calendars/holidays", folders[1].path);
  EXPECT_FALSE(folders[1].collections);
  EXPECT_EQ(kSubscription, folders[1].type);
  EXPECT_TRUE(folders[1].addresses.empty());
}

}  // namespace

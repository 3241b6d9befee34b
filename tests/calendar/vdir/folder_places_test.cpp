#include "vdir/folder_places.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace {

class FolderPlacesTest : public ::testing::Test {
 protected:
  FolderPlacesTest() {
    places_.dataRoot = home_ / "data/calendars";
    places_.trees = {home_ / ".calendars"};
    places_.khalConfigs = {home_ / "config/khal/config", home_ / ".khal/khal.conf"};
    places_.vdirsyncerConfigs = {home_ / "config/vdirsyncer/config"};
    places_.env = [this](const char* name) -> const char* {
      return std::string(name) == "HOME" ? homePath_.c_str() : nullptr;
    };
  }

  std::vector<FolderCalendar> found() { return findFolderCalendars(places_); }

  static const FolderCalendar* byTitle(const std::vector<FolderCalendar>& calendars,
                                       const std::string& title) {
    for (const FolderCalendar& c : calendars) {
      if (c.record.title == title) return &c;
    }
    return nullptr;
  }

  TempFolder home_{"zuna-places"};
  std::string homePath_ = home_.path().string();
  CalendarPlaces places_;
};

TEST_F(FolderPlacesTest, TreesKeepRelativeIdsOnlyUnderTheDataRoot) {
  home_.write("data/calendars/personal/a.ics", "");
  home_.write(".calendars/ann@example.org/work/b.ics", "");
  auto calendars = found();
  ASSERT_EQ(2u, calendars.size());
  EXPECT_EQ("personal", calendars[0].record.id);
  EXPECT_EQ(kLocal, calendars[0].record.type);
  EXPECT_EQ(homePath_ + "/.calendars/ann@example.org/work", calendars[1].record.id);
  EXPECT_EQ("ann@example.org", calendars[1].record.source->id);
  EXPECT_EQ(kCalDav, calendars[1].record.type);
  EXPECT_EQ(std::vector<std::string>{"ann@example.org"}, calendars[1].addresses);
}

TEST_F(FolderPlacesTest, KhalCalendarsDiscoveryAndBirthdays) {
  home_.write("cals/home/a.ics", "");
  home_.write("cals/home/color", "#000000");
  home_.write("cals/feeds/holidays/displayname", "Public Holidays");
  home_.write("cals/feeds/moon/x.ics", "");
  home_.write("cals/feeds/.hidden/x.ics", "");
  home_.write("contacts/family/ann.vcf", "");
  home_.write("config/khal/config", R"([calendars]
[[Home]]
path = ~/cals/home
color = light red
addresses = me@example.org
[[feeds]]
path = ~/cals/feeds/*
type = discover
readonly = true
[[Family]]
path = $HOME/contacts/family
type = birthdays
[[missing]]
path = ~/cals/nowhere
)");
  auto calendars = found();
  ASSERT_EQ(4u, calendars.size());
  const FolderCalendar* home = byTitle(calendars, "Home");
  ASSERT_TRUE(home);
  EXPECT_EQ(homePath_ + "/cals/home", home->record.id);
  EXPECT_DOUBLE_EQ(1.0, home->record.color->red);  // the configuration's colour wins
  EXPECT_EQ(std::vector<std::string>{"me@example.org"}, home->addresses);
  EXPECT_EQ(kLocal, home->record.type);
  EXPECT_FALSE(home->record.source);
  const FolderCalendar* holidays = byTitle(calendars, "Public Holidays");
  ASSERT_TRUE(holidays);
  EXPECT_EQ(kSubscription, holidays->record.type);  // read only
  EXPECT_TRUE(byTitle(calendars, "moon"));
  const FolderCalendar* family = byTitle(calendars, "Family");
  ASSERT_TRUE(family);
  EXPECT_TRUE(family->contacts);
  EXPECT_EQ(kBirthday, family->record.type);
}

TEST_F(FolderPlacesTest, TheSameFolderFoundTwiceIsOneCalendar) {
  home_.write("data/calendars/acc/work/a.ics", "");
  home_.write(".calendars/solo/b.ics", "");
  std::filesystem::create_directory_symlink(home_.path() / "data/calendars/acc",
                                            home_.path() / "linked");
  home_.write("config/khal/config", R"([calendars]
[[Work]]
path = ~/linked/work/
color = #00ff00
[[all]]
path = ~/.calendars/**
type = discover
)");
  home_.write("config/vdirsyncer/config", R"(
[pair acc]
a = "local"
b = "remote"
collections = ["from b"]
[storage local]
type = "filesystem"
path = "~/data/calendars/acc"
fileext = ".ics"
[storage remote]
type = "http"
url = "https://example.org/feed"
)");
  auto calendars = found();
  ASSERT_EQ(2u, calendars.size());
  EXPECT_EQ("acc/work", calendars[0].record.id);  // the data root's name stays
  EXPECT_EQ("Work", calendars[0].record.title);
  EXPECT_DOUBLE_EQ(1.0, calendars[0].record.color->green);
  EXPECT_EQ(kSubscription, calendars[0].record.type);  // synced from an http feed
  EXPECT_EQ("acc", calendars[0].record.source->id);
  EXPECT_EQ(homePath_ + "/.calendars/solo", calendars[1].record.id);
}

TEST_F(FolderPlacesTest, OnlyTheFirstConfigurationFileIsRead) {
  home_.write("a/x.ics", "");
  home_.write("b/y.ics", "");
  home_.write("config/khal/config", "[calendars]\n[[A]]\npath = ~/a\n");
  home_.write(".khal/khal.conf", "[calendars]\n[[B]]\npath = ~/b\n");
  auto calendars = found();
  ASSERT_EQ(1u, calendars.size());
  EXPECT_EQ("A", calendars[0].record.title);
}

TEST_F(FolderPlacesTest, WatchedPlacesCoverConfigurationFilesAndNamedFolders) {
  home_.write("config/khal/config",
              "[calendars]\n[[A]]\npath = ~/a\n[[B]]\npath = ~/b/*/*\ntype = discover\n");
  auto places = watchedPlaces(places_);
  auto has = [&](const std::string& path, int levels, const std::string& name) {
    for (const WatchedPlace& p : places) {
      bool named = name.empty() ? p.names.empty()
                                : std::find(p.names.begin(), p.names.end(), name) != p.names.end();
      if (p.path == path && p.levels == levels && named) return true;
    }
    return false;
  };
  EXPECT_TRUE(has(homePath_ + "/data/calendars", 2, ""));
  EXPECT_TRUE(has(homePath_ + "/.calendars", 2, ""));
  EXPECT_TRUE(has(homePath_ + "/config/khal", -1, "config"));
  EXPECT_TRUE(has(homePath_ + "/.khal", -1, "khal.conf"));
  EXPECT_TRUE(has(homePath_ + "/config/vdirsyncer", -1, "config"));
  EXPECT_TRUE(has(homePath_ + "/a", 0, ""));
  EXPECT_TRUE(has(homePath_ + "/b", 2, ""));
}

}  // namespace

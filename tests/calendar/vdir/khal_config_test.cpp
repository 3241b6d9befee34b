#include "vdir/khal_config.h"

#include <gtest/gtest.h>

namespace {

const EnvLookup kEnv = [](const char* name) -> const char* {
  return std::string(name) == "HOME" ? "/home/ann" : nullptr;
};

TEST(KhalConfig, CalendarsWithTheirSettings) {
  auto calendars = readKhalConfig(R"([calendars]
  [[home]]
    path = ~/.calendars/home/
    color = dark green
    readonly = True
    addresses = Ann@Example.org, "ann@work.example"
  [[all]]
    path = '~/.calendars/*'   # every folder
    type = discover
  [[birthdays]]
    type = birthdays
    path = ~/.contacts/family
    displayname = Family birthdays
  [[nopath]]
    color = auto
[locale]
  path = not a calendar
[default]
  default_calendar = home
)", kEnv);
  ASSERT_EQ(3u, calendars.size());
  EXPECT_EQ("home", calendars[0].name);
  EXPECT_EQ("/home/ann/.calendars/home/", calendars[0].path);
  EXPECT_EQ(KhalType::kCalendar, calendars[0].type);
  EXPECT_EQ("dark green", calendars[0].color);
  EXPECT_TRUE(calendars[0].readonly);
  EXPECT_EQ((std::vector<std::string>{"ann@example.org", "ann@work.example"}),
            calendars[0].addresses);
  EXPECT_EQ(KhalType::kDiscover, calendars[1].type);
  EXPECT_EQ("/home/ann/.calendars/*", calendars[1].path);
  EXPECT_FALSE(calendars[1].readonly);
  EXPECT_EQ(KhalType::kBirthdays, calendars[2].type);
  EXPECT_EQ("Family birthdays", calendars[2].displayname);
}

TEST(KhalConfig, ColoursByHexNameAndPaletteNumber) {
  auto expect = [](const std::string& text, double r, double g, double b) {
    auto color = khalColor(text);
    ASSERT_TRUE(color) << text;
    EXPECT_NEAR(r, color->red * 255, 1e-9) << text;
    EXPECT_NEAR(g, color->green * 255, 1e-9) << text;
    EXPECT_NEAR(b, color->blue * 255, 1e-9) << text;
  };
  expect("#ff8000", 255, 128, 0);
  expect("#FF800080", 255, 128, 0);
  expect("dark green", 0, 205, 0);
  expect("Light Blue", 92, 92, 255);
  expect("9", 255, 0, 0);
  expect("196", 255, 0, 0);    // the colour cube's pure red
  expect("21", 0, 0, 255);
  expect("244", 128, 128, 128);  // grey ramp
  for (const char* bad : {"auto", "orange", "256", "-1", "#12345", "#gg0000", "", "12a"}) {
    EXPECT_FALSE(khalColor(bad)) << bad;
  }
}

}  // namespace

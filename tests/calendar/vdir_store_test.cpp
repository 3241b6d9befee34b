#include "vdir_store.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace {

using namespace std::chrono;

const InstantFormatter iso{kInternetDateTime};

std::string item(const std::string& uid, const std::string& start) {
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:" + uid +
         "\r\nSUMMARY:" + uid + "\r\nDTSTART:" + start + "\r\nDURATION:PT1H\r\n"
         "END:VEVENT\r\nEND:VCALENDAR\r\n";
}

class VdirStoreTest : public ::testing::Test {
 protected:
  TempFolder root_{"zuna-vdir"};
  TempFolder config_{"zuna-config"};
  std::unique_ptr<CalendarStore> store_ =
      makeVdirStore(root_.path().string(), config_ / "zuna/calendar-access");
};

TEST_F(VdirStoreTest, CalendarsFromFoldersWithMetadata) {
  root_.write("work/displayname", "Work Account\n");
  root_.write("work/team/displayname", "  Team  \n");
  root_.write("work/team/color", "#ff8000\n");
  root_.write("work/team/a.ics", item("a", "20240305T090000Z"));
  root_.write("work/empty/.keep", "");
  root_.write("personal/color", "#11223380");
  root_.write("personal/b.ics", item("b", "20240305T090000Z"));
  root_.write("fresh/.keep", "");
  root_.write(".hidden/c.ics", item("c", "20240305T090000Z"));
  root_.write("work/.tmp/d.ics", item("d", "20240305T090000Z"));
  root_.write("stray.ics", item("e", "20240305T090000Z"));
  root_.write("bad/color", "orange");

  std::vector<CalendarRecord> calendars = store_->calendars();
  std::vector<std::string> ids;
  for (const auto& c : calendars) ids.push_back(c.id);
  EXPECT_EQ(std::vector<std::string>({"bad", "fresh", "personal", "work/empty", "work/team"}), ids);
  const CalendarRecord& team = calendars[4];
  EXPECT_EQ("Team", team.title);
  ASSERT_TRUE(team.source);
  EXPECT_EQ("work", team.source->id);
  EXPECT_EQ("Work Account", team.source->title);
  ASSERT_TRUE(team.color);
  EXPECT_DOUBLE_EQ(1.0, team.color->red);
  EXPECT_DOUBLE_EQ(128 / 255.0, team.color->green);
  EXPECT_EQ(kCalDav, team.type);
  EXPECT_EQ("empty", calendars[3].title);
  const CalendarRecord& personal = calendars[2];
  EXPECT_EQ("personal", personal.title);
  EXPECT_FALSE(personal.source);
  EXPECT_EQ(kLocal, personal.type);
  ASSERT_TRUE(personal.color);
  EXPECT_DOUBLE_EQ(0x33 / 255.0, personal.color->blue);
  EXPECT_FALSE(calendars[0].color);  // "orange" is no colour
}

TEST_F(VdirStoreTest, EventsFromItemsOnlyOrderedByStart) {
  root_.write("home/late.ics", item("late", "20240305T120000Z"));
  root_.write("home/early.ics", item("early", "20240305T080000Z"));
  root_.write("home/broken.ics", "BEGIN:VCALENDAR\r\nthis is not iCalendar");
  root_.write("home/early.icsab12x", item("temp", "20240305T070000Z"));
  root_.write("home/notes.txt", item("txt", "20240305T070000Z"));
  root_.write("acc/cal/mid.ics", item("mid", "20240305T100000Z"));
  std::filesystem::create_directories(root_.path() / "home/folder.ics");
  auto events = store_->events(*iso.read("2024-03-05T00:00:00Z"),
                               *iso.read("2024-03-06T00:00:00Z"));
  std::vector<std::string> uids;
  for (const auto& e : events) uids.push_back(e.externalId.value_or("?") + "@" + *e.calendarId);
  EXPECT_EQ(std::vector<std::string>({"early@home", "mid@acc/cal", "late@home"}), uids);
}

TEST_F(VdirStoreTest, MissingRootIsAnEmptyStore) {
  auto missing = makeVdirStore(root_ / "not/there", config_ / "access");
  EXPECT_TRUE(missing->calendars().empty());
  EXPECT_TRUE(missing->events(Instant{}, Instant{} + hours(24)).empty());
}

TEST_F(VdirStoreTest, AccessComesFromTheRecordAndRequestsCompleteWithoutADisplay) {
  EXPECT_EQ(kNotDetermined, store_->authorizationStatus());
  config_.write("zuna/calendar-access", "denied\n");
  EXPECT_EQ(kDenied, store_->authorizationStatus());
  EXPECT_EQ(kDenied, store_->reopen()->authorizationStatus());
}

}  // namespace

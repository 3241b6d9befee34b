#include "vdir/vdir_store.h"

#include <thread>

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

std::vector<std::string> titles(CalendarStore& store) {
  std::vector<std::string> out;
  for (const auto& e : store.events(*iso.read("2024-03-01T00:00:00Z"),
                                    *iso.read("2024-04-01T00:00:00Z"))) {
    out.push_back(e.title.value_or("?"));
  }
  return out;
}

// Polls until the store shows `expected`: its index learns of changes from a watch.
bool becomes(CalendarStore& store, const std::vector<std::string>& expected) {
  for (int i = 0; i < 100; ++i) {
    if (titles(store) == expected) return true;
    std::this_thread::sleep_for(milliseconds(20));
  }
  return titles(store) == expected;
}

TEST_F(VdirStoreTest, ChangedFilesAreReadAgain) {
  root_.write("cal/a.ics", item("a", "20240305T080000Z"));
  root_.write("cal/b.ics", item("b", "20240306T080000Z"));
  EXPECT_EQ(std::vector<std::string>({"a", "b"}), titles(*store_));
  root_.write("cal/b.ics", item("b2", "20240304T080000Z"));
  EXPECT_TRUE(becomes(*store_, {"b2", "a"}));
  std::filesystem::remove(root_.path() / "cal/a.ics");
  EXPECT_TRUE(becomes(*store_, {"b2"}));
  root_.write("cal/c.ics.tmp", item("c", "20240305T080000Z"));
  std::filesystem::rename(root_.path() / "cal/c.ics.tmp", root_.path() / "cal/c.ics");
  EXPECT_TRUE(becomes(*store_, {"b2", "c"}));
  // A renewed handle shares what was read.
  EXPECT_EQ(std::vector<std::string>({"b2", "c"}), titles(*store_->reopen()));
}

TEST_F(VdirStoreTest, OddItemsNeverHideTheOthers) {
  root_.write("cal/todo.ics",
              "BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nUID:t\r\nSUMMARY:todo\r\n"
              "DTSTART:20240305T080000Z\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
  root_.write("cal/two.ics",
              "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:x\r\nSUMMARY:x\r\n"
              "DTSTART:20240305T090000Z\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:y\r\n"
              "SUMMARY:y\r\nDTSTART:20240305T100000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
  root_.write("cal/empty.ics", "");
  root_.write("cal/binary.ics", std::string("\0\xff\xfe" "BEGIN:VCALENDAR\0", 20));
  std::string big = "BEGIN:VCALENDAR\r\n";
  for (int i = 0; big.size() < (20u << 20); ++i) {
    big += "BEGIN:VEVENT\r\nUID:big" + std::to_string(i) + "\r\nSUMMARY:" +
           std::string(200, 'b') + "\r\nDTSTART:20200101T000000Z\r\nEND:VEVENT\r\n";
  }
  big += "END:VCALENDAR\r\n";
  root_.write("cal/big.ics", big);
  std::filesystem::create_directories(root_.path() / "empty-calendar");
  const auto first = titles(*store_);
  EXPECT_EQ(std::vector<std::string>({"x", "y"}), first);
  EXPECT_EQ(first, titles(*store_));
}

TEST_F(VdirStoreTest, ParticipantsAtTheCalendarsAddressAreMe) {
  root_.write("google/Ann@Example.org/m.ics",
              "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:m\r\nSUMMARY:m\r\n"
              "DTSTART:20240305T090000Z\r\nORGANIZER:mailto:boss@example.org\r\n"
              "ATTENDEE:MAILTO:ann@example.ORG\r\nATTENDEE:mailto:bob@example.org\r\n"
              "END:VEVENT\r\nEND:VCALENDAR\r\n");
  root_.write("plain/m.ics",
              "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:p\r\nSUMMARY:p\r\n"
              "DTSTART:20240305T090000Z\r\nATTENDEE:mailto:ann@example.org\r\n"
              "END:VEVENT\r\nEND:VCALENDAR\r\n");
  auto events = store_->events(*iso.read("2024-03-05T00:00:00Z"), *iso.read("2024-03-06T00:00:00Z"));
  ASSERT_EQ(2u, events.size());
  const EventRecord& m = *events[0].calendarId == "plain" ? events[1] : events[0];
  const EventRecord& p = *events[0].calendarId == "plain" ? events[0] : events[1];
  ASSERT_EQ(2u, m.attendees.size());
  EXPECT_TRUE(m.attendees[0].isCurrentUser);
  EXPECT_FALSE(m.attendees[1].isCurrentUser);
  EXPECT_FALSE(m.organizer->isCurrentUser);
  EXPECT_FALSE(p.attendees[0].isCurrentUser);
}

TEST_F(VdirStoreTest, VisitedOccurrencesAreTheListedOnes) {
  root_.write("cal/series.ics",
              "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:s\r\nSUMMARY:weekly\r\n"
              "DTSTART:20240301T090000Z\r\nDURATION:PT1H\r\nRRULE:FREQ=WEEKLY;COUNT=5\r\n"
              "EXDATE:20240308T090000Z\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:s\r\n"
              "RECURRENCE-ID:20240315T090000Z\r\nSUMMARY:moved\r\n"
              "DTSTART:20240315T130000Z\r\nDURATION:PT2H\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
  root_.write("cal/a.ics", item("a", "20240315T100000Z"));
  root_.write("cal/long.ics",
              "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:long\r\nSUMMARY:long\r\n"
              "DTSTART;VALUE=DATE:20240310\r\nDTEND;VALUE=DATE:20240320\r\n"
              "END:VEVENT\r\nEND:VCALENDAR\r\n");
  const Instant from = *iso.read("2024-03-01T00:00:00Z"), to = *iso.read("2024-04-01T00:00:00Z");
  std::vector<std::string> listed, visited;
  for (const EventRecord& e : store_->events(from, to)) {
    listed.push_back(*e.title + "@" + iso.write(*e.start) + "-" + iso.write(*e.end));
  }
  store_->visitEvents(from, to, [&](const EventRecord& e, Instant start, Instant end) {
    visited.push_back(*e.title + "@" + iso.write(start) + "-" + iso.write(end));
  });
  EXPECT_EQ(6u, listed.size());
  EXPECT_EQ(listed, visited);
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

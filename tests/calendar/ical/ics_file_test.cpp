#include "ical/ics_file.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include <gtest/gtest.h>

#include "events_answer.h"
#include "json_line.h"

namespace {

using namespace std::chrono;

const InstantFormatter iso{kInternetDateTime};

Instant at(const std::string& text) { return *iso.read(text); }

std::string ics(const std::string& body) {
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n" + body + "END:VCALENDAR\r\n";
}

// Floating times and dates are read in the local zone: New York here.
class IcsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    savedTz_ = tz ? tz : "";
    hadTz_ = tz != nullptr;
    setenv("TZ", "America/New_York", 1);
    tzset();
  }
  void TearDown() override {
    if (hadTz_) {
      setenv("TZ", savedTz_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

  std::vector<EventRecord> read(const std::string& body, const char* from, const char* to) {
    std::vector<EventRecord> events;
    appendIcsOccurrences(ics(body), "cal", "cal/item.ics", at(from), at(to), &events);
    return events;
  }

  // "start/end title" of each occurrence, in the order found.
  std::vector<std::string> spans(const std::string& body, const char* from, const char* to) {
    std::vector<std::string> out;
    for (const EventRecord& e : read(body, from, to)) {
      out.push_back(iso.write(*e.start) + "/" + iso.write(*e.end) + " " + e.title.value_or(""));
    }
    return out;
  }

  std::string savedTz_;
  bool hadTz_ = false;
};

using Spans = std::vector<std::string>;

Spans sorted(Spans spans) {
  std::sort(spans.begin(), spans.end());
  return spans;
}

// Seconds east of UTC of the system zone `name` at `instant`.
long offsetIn(const std::string& name, Instant instant) {
  const char* saved = std::getenv("TZ");
  const std::string restore = saved ? saved : "";
  setenv("TZ", name.c_str(), 1);
  tzset();
  const time_t t = system_clock::to_time_t(time_point_cast<system_clock::duration>(instant));
  std::tm local{};
  localtime_r(&t, &local);
  setenv("TZ", restore.c_str(), 1);
  tzset();
  return local.tm_gmtoff;
}

const char* kWeekOf4March = "2024-03-04T00:00:00Z";
const char* kWeekEnd = "2024-03-11T00:00:00Z";

TEST_F(IcsFileTest, DailyRuleWithExdateAndMovedOccurrence) {
  const std::string body =
      "BEGIN:VEVENT\r\nUID:s1\r\nSUMMARY:Standup\r\n"
      "DTSTART;TZID=Europe/Berlin:20240304T090000\r\n"
      "DTEND;TZID=Europe/Berlin:20240304T091500\r\n"
      "RRULE:FREQ=DAILY;COUNT=5\r\nEXDATE;TZID=Europe/Berlin:20240306T090000\r\n"
      "END:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:s1\r\nSUMMARY:Moved\r\n"
      "RECURRENCE-ID;TZID=Europe/Berlin:20240305T090000\r\n"
      "DTSTART;TZID=Europe/Berlin:20240305T100000\r\n"
      "DTEND;TZID=Europe/Berlin:20240305T101500\r\nEND:VEVENT\r\n";
  EXPECT_EQ(Spans({"2024-03-04T08:00:00Z/2024-03-04T08:15:00Z Standup",
                   "2024-03-07T08:00:00Z/2024-03-07T08:15:00Z Standup",
                   "2024-03-08T08:00:00Z/2024-03-08T08:15:00Z Standup",
                   "2024-03-05T09:00:00Z/2024-03-05T09:15:00Z Moved"}),
            spans(body, kWeekOf4March, kWeekEnd));
  auto events = read(body, kWeekOf4March, kWeekEnd);
  for (const EventRecord& e : events) {
    EXPECT_EQ("s1", e.externalId.value_or(""));
    EXPECT_EQ("Europe/Berlin", e.timeZone.value_or(""));
    ASSERT_EQ(1u, e.recurrenceRules.size());
    EXPECT_EQ(5, e.recurrenceRules[0].end->occurrenceCount);
  }
}

TEST_F(IcsFileTest, OverridesMoveOccurrencesIntoAndOutOfTheRangeOrCancelThem) {
  const std::string body =
      "BEGIN:VEVENT\r\nUID:w\r\nSUMMARY:Weekly\r\nDTSTART:20240304T150000Z\r\n"
      "DURATION:PT1H\r\nRRULE:FREQ=WEEKLY\r\nEND:VEVENT\r\n"
      // 11 March moved back into the week of 4 March
      "BEGIN:VEVENT\r\nUID:w\r\nSUMMARY:Early\r\nRECURRENCE-ID:20240311T150000Z\r\n"
      "DTSTART:20240309T150000Z\r\nDTEND:20240309T160000Z\r\nEND:VEVENT\r\n"
      // 4 March moved out of it
      "BEGIN:VEVENT\r\nUID:w\r\nSUMMARY:Late\r\nRECURRENCE-ID:20240304T150000Z\r\n"
      "DTSTART:20240320T150000Z\r\nDTEND:20240320T160000Z\r\nEND:VEVENT\r\n"
      // 18 March cancelled
      "BEGIN:VEVENT\r\nUID:w\r\nRECURRENCE-ID:20240318T150000Z\r\nSTATUS:CANCELLED\r\n"
      "DTSTART:20240318T150000Z\r\nEND:VEVENT\r\n";
  EXPECT_EQ(Spans({"2024-03-09T15:00:00Z/2024-03-09T16:00:00Z Early"}),
            spans(body, kWeekOf4March, kWeekEnd));
  EXPECT_EQ(Spans({"2024-03-25T15:00:00Z/2024-03-25T16:00:00Z Weekly",
                   "2024-03-20T15:00:00Z/2024-03-20T16:00:00Z Late"}),
            spans(body, "2024-03-12T00:00:00Z", "2024-03-26T00:00:00Z"));
}

TEST_F(IcsFileTest, ZonedRdatePeriodsAndRecurrenceIds) {
  const std::string body =
      "BEGIN:VEVENT\r\nUID:r\r\nSUMMARY:R\r\nDTSTART;TZID=Europe/Berlin:20240304T090000\r\n"
      "DTEND;TZID=Europe/Berlin:20240304T100000\r\n"
      "RDATE;TZID=Europe/Berlin:20240306T090000\r\n"
      "RDATE;VALUE=PERIOD:20240307T120000Z/PT30M\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:r\r\nSUMMARY:R2\r\n"
      "RECURRENCE-ID;TZID=Europe/Berlin:20240306T090000\r\n"
      "DTSTART;TZID=Europe/Berlin:20240306T110000\r\n"
      "DTEND;TZID=Europe/Berlin:20240306T120000\r\nEND:VEVENT\r\n";
  EXPECT_EQ(Spans({"2024-03-04T08:00:00Z/2024-03-04T09:00:00Z R",
                   "2024-03-07T12:00:00Z/2024-03-07T12:30:00Z R",
                   "2024-03-06T10:00:00Z/2024-03-06T11:00:00Z R2"}),
            spans(body, kWeekOf4March, kWeekEnd));
}

TEST_F(IcsFileTest, AllDayAndFloatingTimesAreLocal) {
  const std::string body =
      "BEGIN:VEVENT\r\nUID:d\r\nSUMMARY:Day\r\nDTSTART;VALUE=DATE:20240305\r\n"
      "DTEND;VALUE=DATE:20240306\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:f\r\nSUMMARY:Float\r\nDTSTART:20240305T090000\r\n"
      "DTEND:20240305T093000\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:n\r\nSUMMARY:NoEnd\r\nDTSTART;VALUE=DATE:20240307\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:y\r\nSUMMARY:Birthday\r\nDTSTART;VALUE=DATE:19900308\r\n"
      "RRULE:FREQ=YEARLY\r\nEND:VEVENT\r\n";
  EXPECT_EQ(Spans({"2024-03-05T05:00:00Z/2024-03-06T05:00:00Z Day",
                   "2024-03-05T14:00:00Z/2024-03-05T14:30:00Z Float",
                   "2024-03-07T05:00:00Z/2024-03-08T05:00:00Z NoEnd",
                   "2024-03-08T05:00:00Z/2024-03-09T05:00:00Z Birthday"}),
            spans(body, kWeekOf4March, kWeekEnd));
  auto events = read(body, kWeekOf4March, kWeekEnd);
  EXPECT_TRUE(events[0].allDay);
  EXPECT_FALSE(events[0].timeZone);
  EXPECT_FALSE(events[1].allDay);
  EXPECT_FALSE(events[1].timeZone);
}

TEST_F(IcsFileTest, ZoneNamesFromOtherWritersAndVtimezones) {
  const std::string body =
      "BEGIN:VTIMEZONE\r\nTZID:Custom Zone\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n"
      "TZOFFSETFROM:+0300\r\nTZOFFSETTO:+0300\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n"
      "BEGIN:VEVENT\r\nUID:a\r\nSUMMARY:Windows\r\n"
      "DTSTART;TZID=W. Europe Standard Time:20240305T090000\r\nDURATION:PT1H\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:b\r\nSUMMARY:Prefixed\r\n"
      "DTSTART;TZID=/freeassociation.sourceforge.net/Tzfile/Asia/Tokyo:20240306T090000\r\n"
      "DURATION:PT1H\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:c\r\nSUMMARY:Custom\r\n"
      "DTSTART;TZID=Custom Zone:20240307T090000\r\nDURATION:PT1H\r\nEND:VEVENT\r\n";
  EXPECT_EQ(Spans({"2024-03-05T08:00:00Z/2024-03-05T09:00:00Z Windows",
                   "2024-03-06T00:00:00Z/2024-03-06T01:00:00Z Prefixed",
                   "2024-03-07T06:00:00Z/2024-03-07T07:00:00Z Custom"}),
            spans(body, kWeekOf4March, kWeekEnd));
  auto events = read(body, kWeekOf4March, kWeekEnd);
  EXPECT_EQ("Europe/Berlin", events[0].timeZone.value_or(""));
  EXPECT_EQ("Asia/Tokyo", events[1].timeZone.value_or(""));
  // A made-up name is no zone a reader knows: a system zone that keeps +03:00 stands in.
  ASSERT_TRUE(events[2].timeZone);
  EXPECT_NE("Custom Zone", *events[2].timeZone);
  EXPECT_EQ(3 * 3600, offsetIn(*events[2].timeZone, *events[2].start));
}

TEST_F(IcsFileTest, ZonesKeepTheirRulesPastTheLastYearLibicalExpands) {
  // libical expands zone changes up to 2582; past it each conversion expanded
  // them all again from 1601 and then read winter time in July.
  const std::string body =
      "BEGIN:VTIMEZONE\r\nTZID:Customized Time Zone\r\nBEGIN:STANDARD\r\n"
      "DTSTART:16011028T030000\r\nRRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=10\r\n"
      "TZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nEND:STANDARD\r\nBEGIN:DAYLIGHT\r\n"
      "DTSTART:16010325T020000\r\nRRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=3\r\n"
      "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n"
      "BEGIN:VEVENT\r\nUID:a\r\nSUMMARY:File zone\r\n"
      "DTSTART;TZID=Customized Time Zone:29000701T090000\r\nDURATION:PT1H\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:b\r\nSUMMARY:System zone\r\n"
      "DTSTART;TZID=Europe/Berlin:29000702T090000\r\nDURATION:PT1H\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:c\r\nSUMMARY:Winter\r\n"
      "DTSTART;TZID=Customized Time Zone:29001201T090000\r\nDURATION:PT1H\r\nEND:VEVENT\r\n";
  EXPECT_EQ(Spans({"2900-07-01T07:00:00Z/2900-07-01T08:00:00Z File zone",
                   "2900-07-02T07:00:00Z/2900-07-02T08:00:00Z System zone",
                   "2900-12-01T08:00:00Z/2900-12-01T09:00:00Z Winter"}),
            sorted(spans(body, "2900-06-01T00:00:00Z", "2901-01-01T00:00:00Z")));
}

TEST_F(IcsFileTest, UtcUntilKeepsTheLastOccurrenceAcrossDaylightSaving) {
  // 09:00 Berlin is 08:00Z in winter and 07:00Z in summer; UNTIL is the last start.
  const std::string body =
      "BEGIN:VEVENT\r\nUID:u\r\nSUMMARY:U\r\nDTSTART;TZID=Europe/Berlin:20240329T090000\r\n"
      "DURATION:PT15M\r\nRRULE:FREQ=DAILY;UNTIL=20240401T070000Z\r\nEND:VEVENT\r\n";
  EXPECT_EQ(Spans({"2024-03-29T08:00:00Z/2024-03-29T08:15:00Z U",
                   "2024-03-30T08:00:00Z/2024-03-30T08:15:00Z U",
                   "2024-03-31T07:00:00Z/2024-03-31T07:15:00Z U",
                   "2024-04-01T07:00:00Z/2024-04-01T07:15:00Z U"}),
            spans(body, "2024-03-01T00:00:00Z", "2024-05-01T00:00:00Z"));
  auto events = read(body, "2024-03-01T00:00:00Z", "2024-05-01T00:00:00Z");
  EXPECT_EQ("2024-04-01T07:00:00Z", iso.write(*events[0].recurrenceRules[0].end->endDate));
}

TEST_F(IcsFileTest, OverlapRulesAtTheRangeEdges) {
  const std::string body =
      "BEGIN:VEVENT\r\nUID:z\r\nSUMMARY:Zero\r\nDTSTART:20240305T000000Z\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:e\r\nSUMMARY:EndsAtStart\r\nDTSTART:20240304T230000Z\r\n"
      "DTEND:20240305T000000Z\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:o\r\nSUMMARY:Overlaps\r\nDTSTART:20240304T230000Z\r\n"
      "DTEND:20240305T000001Z\r\nEND:VEVENT\r\n";
  // Items come in file order here; the store sorts them afterwards.
  EXPECT_EQ(Spans({"2024-03-05T00:00:00Z/2024-03-05T00:00:00Z Zero",
                   "2024-03-04T23:00:00Z/2024-03-05T00:00:01Z Overlaps"}),
            spans(body, "2024-03-05T00:00:00Z", "2024-03-06T00:00:00Z"));
  EXPECT_EQ(Spans({"2024-03-04T23:00:00Z/2024-03-05T00:00:00Z EndsAtStart",
                   "2024-03-04T23:00:00Z/2024-03-05T00:00:01Z Overlaps"}),
            spans(body, "2024-03-04T00:00:00Z", "2024-03-05T00:00:00Z"));
}

TEST_F(IcsFileTest, EndlessAndDenseRulesStayBounded) {
  const std::string body =
      "BEGIN:VEVENT\r\nUID:m\r\nSUMMARY:M\r\nDTSTART:20000101T000000Z\r\n"
      "RRULE:FREQ=MINUTELY\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:d\r\nSUMMARY:D\r\nDTSTART:19700101T120000Z\r\n"
      "RRULE:FREQ=DAILY\r\nEND:VEVENT\r\n";
  // A range of 100 years is read as its first four.
  auto events = read(body, "2024-01-01T00:00:00Z", "2124-01-01T00:00:00Z");
  size_t daily = 0, minutely = 0;
  Instant last{};
  for (const EventRecord& e : events) {
    if (e.externalId == "d") {
      ++daily;
      last = std::max(last, *e.start);
    } else {
      ++minutely;
      EXPECT_TRUE(e.recurrenceRules.empty());  // minutely has no store frequency
    }
  }
  EXPECT_EQ(4u * 365 + 1, daily);
  EXPECT_LT(last, at("2028-01-02T00:00:00Z"));
  // The per-rule bound on occurrences read (some fall before the range).
  EXPECT_LE(minutely, 50000u);
  EXPECT_GT(minutely, 40000u);
}

TEST_F(IcsFileTest, RulesThatNoDayMeetsGiveTheirStartOnly) {
  // libical tries every year up to 2582 for the first three; February 29th
  // comes round (from 2020: the 2024 one is the rule's).
  const std::string body =
      "BEGIN:VEVENT\r\nUID:y\r\nSUMMARY:February 30th\r\nDTSTART;VALUE=DATE:20240229\r\n"
      "RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:m\r\nSUMMARY:April 31st\r\nDTSTART:20240430T120000Z\r\n"
      "DURATION:PT1H\r\nRRULE:FREQ=MONTHLY;BYMONTH=4;BYMONTHDAY=31\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:w\r\nSUMMARY:Weekly on February 30th\r\nDTSTART:20240101T120000Z\r\n"
      "DURATION:PT1H\r\nRRULE:FREQ=WEEKLY;BYMONTH=2;BYMONTHDAY=30\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:l\r\nSUMMARY:Leap day\r\nDTSTART;VALUE=DATE:20200229\r\n"
      "RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29\r\nEND:VEVENT\r\n";
  EXPECT_EQ(Spans({"2024-01-01T12:00:00Z/2024-01-01T13:00:00Z Weekly on February 30th",
                   "2024-02-29T05:00:00Z/2024-03-01T05:00:00Z February 30th",
                   "2024-02-29T05:00:00Z/2024-03-01T05:00:00Z Leap day",
                   "2024-04-30T12:00:00Z/2024-04-30T13:00:00Z April 31st"}),
            sorted(spans(body, "2024-01-01T00:00:00Z", "2028-01-01T00:00:00Z")));
}

TEST_F(IcsFileTest, PropertiesAlarmsAndParticipants) {
  const std::string body =
      "BEGIN:VEVENT\r\nUID:p\r\nSUMMARY:Review\r\nLOCATION:Room 4\r\nDESCRIPTION:Agenda\r\n"
      "URL:https://example.org/r\r\nTRANSP:TRANSPARENT\r\n"
      "DTSTART:20240305T140000Z\r\nDTEND:20240305T150000Z\r\n"
      "ORGANIZER;CN=Boss:mailto:boss@example.org\r\n"
      "ATTENDEE;CN=Ann;PARTSTAT=ACCEPTED;ROLE=CHAIR:mailto:ann@example.org\r\n"
      "ATTENDEE;CUTYPE=ROOM;PARTSTAT=TENTATIVE;ROLE=NON-PARTICIPANT:mailto:room@example.org\r\n"
      "ATTENDEE:mailto:bob@example.org\r\n"
      "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n"
      "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER;RELATED=END:PT5M\r\nEND:VALARM\r\n"
      "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER;VALUE=DATE-TIME:20240305T133000Z\r\n"
      "END:VALARM\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:q\r\nDTSTART:20240306T140000Z\r\n"
      "X-MICROSOFT-CDO-BUSYSTATUS:OOF\r\nEND:VEVENT\r\n";
  auto events = read(body, kWeekOf4March, kWeekEnd);
  ASSERT_EQ(2u, events.size());
  const EventRecord& e = events[0];
  EXPECT_EQ("Review", e.title.value_or(""));
  EXPECT_EQ("Room 4", e.location.value_or(""));
  EXPECT_EQ("Agenda", e.notes.value_or(""));
  EXPECT_EQ("https://example.org/r", e.url.value_or(""));
  EXPECT_EQ(1, e.availability);
  EXPECT_EQ("UTC", e.timeZone.value_or(""));
  ASSERT_EQ(3u, e.alarms.size());
  EXPECT_EQ(-900, e.alarms[0].relativeOffset);
  EXPECT_EQ(3600 + 300, e.alarms[1].relativeOffset);
  EXPECT_EQ(at("2024-03-05T13:30:00Z"), e.alarms[2].absoluteDate.value_or(Instant{}));
  ASSERT_TRUE(e.organizer);
  EXPECT_EQ("mailto:boss@example.org", e.organizer->url);
  EXPECT_EQ("Boss", e.organizer->name.value_or(""));
  ASSERT_EQ(3u, e.attendees.size());
  EXPECT_EQ("Ann", e.attendees[0].name.value_or(""));
  EXPECT_EQ(2, e.attendees[0].status);
  EXPECT_EQ(3, e.attendees[0].role);
  EXPECT_EQ(1, e.attendees[0].type);
  EXPECT_EQ(4, e.attendees[1].status);
  EXPECT_EQ(4, e.attendees[1].role);
  EXPECT_EQ(2, e.attendees[1].type);
  EXPECT_EQ(1, e.attendees[2].status);  // NEEDS-ACTION by default
  EXPECT_EQ(1, e.attendees[2].role);    // REQ-PARTICIPANT by default
  EXPECT_EQ(3, events[1].availability);
  EXPECT_FALSE(events[1].title);
}

TEST_F(IcsFileTest, FuzzFindingsStayFixed) {
  // Each file once crashed or overflowed; every record must also stay encodable.
  for (const char* name : {"ics_time_overflow_and_latin1.ics", "ics_rules_that_never_match.ics"}) {
    std::ifstream in(std::string(FUZZ_REGRESSIONS) + "/" + name, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    ASSERT_FALSE(text.empty()) << name;
    std::vector<EventRecord> events;
    appendIcsOccurrences(text, "cal", "cal/x.ics", at("2020-01-01T00:00:00Z"),
                         at("2030-01-01T00:00:00Z"), &events);
    for (const EventRecord& e : events) {
      auto record = eventRecord(e, iso);
      ASSERT_TRUE(record);
      EXPECT_TRUE(jsonLine(*record)) << name;
    }
  }
}

TEST_F(IcsFileTest, TextThatIsNoCalendarAddsNothing) {
  for (const char* text : {"", "garbage", "BEGIN:VCALENDAR\r\n", "BEGIN:VEVENT\r\nDTSTART:x\r\n",
                           "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:x\r\nEND:VEVENT\r\n"
                           "END:VCALENDAR\r\n"}) {
    std::vector<EventRecord> events;
    appendIcsOccurrences(text, "cal", "cal/x.ics", at(kWeekOf4March), at(kWeekEnd), &events);
    EXPECT_TRUE(events.empty()) << text;
  }
}

}  // namespace

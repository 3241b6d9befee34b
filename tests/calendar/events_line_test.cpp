#include "events_line.h"

#include <gtest/gtest.h>

#include "events_answer.h"
#include "fake_store.h"
#include "json_line.h"

namespace {

using namespace std::chrono;
using nlohmann::json;

const InstantFormatter iso{kInternetDateTime};
const Instant kStart = sys_days{2024y / March / 5} + 14h + 30min;

EventRecord event(const std::string& uid) {
  EventRecord e;
  e.start = kStart;
  e.end = kStart + 1h;
  e.calendarId = "cal/" + uid;
  e.externalId = uid;
  return e;
}

Participant person(std::string url, int status, std::optional<std::string> name = {}) {
  return Participant{status, 1, 1, std::move(name), std::move(url), false};
}

// Records that between them set every member, in each of its forms.
std::vector<EventRecord> everyKindOfRecord() {
  std::vector<EventRecord> events{event("plain")};
  EventRecord full = event("full");
  full.title = "Quote \" back \\ slash / nl \n tab \t bell \x07 ä 日本 😀";
  full.allDay = true;
  full.location = "Room </script>";
  full.notes = "Notes\r\nover lines";
  full.url = "https://example.org/a?b=c&d=e";
  full.timeZone = "America/Argentina/Buenos_Aires";
  full.availability = 0;
  full.recurrenceRules = {{1, 2, RecurrenceEnd{kStart + 24h * 30, 5}}, {0, 1, std::nullopt}};
  full.alarms = {{std::nullopt, -900}, {kStart + 10min, 0}, {std::nullopt, -1e300}};
  full.organizer = person("mailto:boss@x", 0, "The \"Boss\"");
  full.attendees = {person("MAILTO:Ann@Example.org?subject=x", 2, "Ann"),
                    person("urn:uuid:room-1", 4, ""), person("mailto:boss@x", 3)};
  full.attendees[0].isCurrentUser = true;
  events.push_back(full);
  EventRecord outsider = full;  // the organizer not among the attendees
  outsider.externalId = "outsider";
  outsider.attendees.pop_back();
  outsider.recurrenceRules = {{3, 1, RecurrenceEnd{std::nullopt, 0}}};
  outsider.availability = 3;
  events.push_back(outsider);
  EventRecord untitled = event("");
  untitled.title.reset();
  untitled.location = "";
  untitled.organizer = person("mailto:alone@x", 1);
  untitled.recurrenceRules = {{2, 1, RecurrenceEnd{kStart + 24h * 365, 0}}};
  events.push_back(untitled);
  EventRecord byEventId = event("x");
  byEventId.externalId.reset();
  byEventId.eventId = "event-id";
  events.push_back(byEventId);
  EventRecord noCalendar = event("none");
  noCalendar.calendarId.reset();
  events.push_back(noCalendar);
  return events;
}

// The line of the same answer built as a tree, as every other answer is.
std::optional<std::string> treeLine(const json& id, CalendarStore& store) {
  json line = json::object();
  line["id"] = id;
  line["events"] = eventsAnswer(store, kStart, kStart + 24h, iso);
  return jsonLine(line);
}

TEST(EventsLine, TheTextTheTreeOfTheSameAnswerGives) {
  FakeStore store;
  store.state()->events = everyKindOfRecord();
  for (const json& id : {json(7), json("a/\"b\""), json(nullptr), json::parse(R"({"k":[1.5]})")}) {
    const auto line = eventsLine(id, store, kStart, kStart + 24h, iso);
    ASSERT_TRUE(line);
    EXPECT_EQ(treeLine(id, store).value(), *line);
  }
  store.state()->events.clear();
  EXPECT_EQ("{\"events\":[],\"id\":1}\n", eventsLine(1, store, kStart, kStart + 24h, iso));
  store.state()->events = {everyKindOfRecord().back()};  // only an event without calendar
  EXPECT_EQ("{\"events\":[],\"id\":1}\n", eventsLine(1, store, kStart, kStart + 24h, iso));
}

TEST(EventsLine, TextThatIsNotUtf8GivesNoLineAtAll) {
  FakeStore store;
  for (auto spoil : {+[](EventRecord& e) { e.title = "bad \xff"; },
                     +[](EventRecord& e) { e.attendees = {person("mailto:\xc3", 1)}; },
                     +[](EventRecord& e) { e.timeZone = "cut \xe6\x97"; }}) {
    store.state()->events = everyKindOfRecord();
    spoil(store.state()->events[1]);
    EXPECT_FALSE(eventsLine(1, store, kStart, kStart + 24h, iso));
    EXPECT_FALSE(treeLine(1, store));
  }
  store.state()->events = {event("ok")};
  EXPECT_FALSE(eventsLine("bad \xff id", store, kStart, kStart + 24h, iso));
}

TEST(EventsLine, AppendingLeavesTheTextAsItWasOnFailure) {
  std::string out = "prefix";
  EventRecord bad = event("x");
  bad.notes = "bad \xff";
  EXPECT_FALSE(appendEventRecord(bad, iso, &out));
  EXPECT_EQ("prefix", out);
  EventRecord noEnd = event("x");
  noEnd.end.reset();
  EXPECT_TRUE(appendEventRecord(noEnd, iso, &out));
  EXPECT_EQ("prefix", out);
}

}  // namespace

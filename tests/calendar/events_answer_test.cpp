#include "events_answer.h"

#include <regex>

#include <gtest/gtest.h>

#include "fake_store.h"

namespace {

using namespace std::chrono;
using nlohmann::json;

const InstantFormatter iso{kInternetDateTime};
const InstantFormatter isoFractional{kInternetDateTime | kFractionalSeconds};
const Instant kStart = sys_days{2024y / March / 5} + 14h + 30min;

EventRecord minimalEvent() {
  EventRecord event;
  event.start = kStart;
  event.end = kStart + 1h;
  event.calendarId = "cal";
  return event;
}

Participant person(std::string url, int status = 2) {
  Participant p;
  p.url = std::move(url);
  p.status = status;
  p.role = 1;
  p.type = 1;
  return p;
}

TEST(EventsRange, BadRangesAreRefused) {
  for (const char* request :
       {R"({})", R"({"start":"2024-03-05T14:30:00Z"})", R"({"end":"2024-03-05T14:30:00Z"})",
        R"({"start":5,"end":"2024-03-05T14:30:00Z"})",
        R"({"start":"2024-03-05T14:30:00Z","end":"2024-03-05T14:30:00Z"})",
        R"({"start":"2024-03-05T15:30:00Z","end":"2024-03-05T14:30:00Z"})",
        R"({"start":"2024-03-05T15:30:00+01:00","end":"2024-03-05T14:30:00Z"})",
        R"({"start":"2024-03-05","end":"2024-03-06"})"}) {
    EXPECT_FALSE(eventsRange(json::parse(request), iso, isoFractional)) << request;
  }
  auto range = eventsRange(
      json::parse(R"({"start":"2024-03-05T14:30:00Z","end":"2024-03-05T14:30:00.001Z"})"), iso,
      isoFractional);
  ASSERT_TRUE(range);
  EXPECT_EQ(kStart, range->first);
  EXPECT_EQ(kStart + 1ms, range->second);
}

TEST(AlarmMinutes, RelativeAndAbsoluteRoundHalfAwayFromZero) {
  struct Case {
    Alarm alarm;
    std::int64_t expected;
  } cases[] = {
      {{std::nullopt, -900}, 15},          {{kStart - 15min, 0}, 15},
      {{std::nullopt, 30}, -1},            {{std::nullopt, -90}, 2},
      {{std::nullopt, 600}, -10},          {{kStart + 10min, 0}, -10},
      {{std::nullopt, -29}, 0},            {{kStart - 90s, 0}, 2},
      {{std::nullopt, NAN}, 0},            {{std::nullopt, -1e300}, INT64_MAX},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, alarmMinutes(c.alarm, kStart)) << c.alarm.relativeOffset;
  }
}

TEST(ParticipantRecord, EmailOrganizerAndName) {
  Participant p = person("MAILTO:Ann@Example.org?subject=x");
  p.name = "Ann";
  p.isCurrentUser = true;
  EXPECT_EQ(json::parse(R"({"status":2,"organizer":true,"me":true,"role":1,"kind":1,
      "name":"Ann","email":"Ann@Example.org?subject=x"})"),
            participantRecord(p, std::string("MAILTO:Ann@Example.org?subject=x")));
  Participant other = person("urn:uuid:1234");
  other.name = "";
  json record = participantRecord(other, std::string("mailto:boss@example.org"));
  EXPECT_FALSE(record.contains("email"));
  EXPECT_FALSE(record.contains("name"));
  EXPECT_FALSE(record["organizer"]);
  // URL equality is exact: case matters.
  EXPECT_FALSE(participantRecord(person("mailto:a@x"), std::string("mailto:A@x"))["organizer"]);
  EXPECT_FALSE(participantRecord(person("mailto:a@x"), std::nullopt)["organizer"]);
}

TEST(EventRecord, RequiredMembersAndFallbacks) {
  EXPECT_EQ(json::parse(R"({"uid":"x","calendarId":"cal","title":"","allDay":false,
      "start":"2024-03-05T14:30:00Z","end":"2024-03-05T15:30:00Z"})"),
            [] {
              EventRecord e = minimalEvent();
              e.externalId = "x";
              e.eventId = "y";
              return *eventRecord(e, iso);
            }());
  EventRecord byEventId = minimalEvent();
  byEventId.eventId = "y";
  EXPECT_EQ("y", (*eventRecord(byEventId, iso))["uid"]);
  EventRecord emptyExternal = minimalEvent();
  emptyExternal.externalId = "";
  emptyExternal.eventId = "y";
  EXPECT_EQ("", (*eventRecord(emptyExternal, iso))["uid"]);
  const std::regex uuid("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
  std::string first = (*eventRecord(minimalEvent(), iso))["uid"];
  std::string second = (*eventRecord(minimalEvent(), iso))["uid"];
  EXPECT_TRUE(std::regex_match(first, uuid)) << first;
  EXPECT_NE(first, second);
  for (auto drop : {+[](EventRecord& e) { e.start.reset(); }, +[](EventRecord& e) { e.end.reset(); },
                    +[](EventRecord& e) { e.calendarId.reset(); }}) {
    EventRecord e = minimalEvent();
    drop(e);
    EXPECT_FALSE(eventRecord(e, iso));
  }
}

TEST(EventRecord, OptionalMembers) {
  EventRecord e = minimalEvent();
  e.location = "";
  e.notes = "";
  e.availability = -1;
  json record = *eventRecord(e, iso);
  for (const char* member : {"location", "notes", "url", "timeZone", "availability", "repeats",
                             "alarms", "attendees"}) {
    EXPECT_FALSE(record.contains(member)) << member;
  }
  e.location = "Room 1";
  e.notes = "Bring / slides";
  e.url = "https://example.org/a";
  e.timeZone = "Europe/Berlin";
  e.availability = 1;
  e.recurrenceRules = {{1, 2, RecurrenceEnd{std::nullopt, 10}}, {0, 1, std::nullopt}};
  e.alarms = {{std::nullopt, -900}, {kStart - 5min, 0}};
  record = *eventRecord(e, iso);
  EXPECT_EQ("Room 1", record["location"]);
  EXPECT_EQ("Bring / slides", record["notes"]);
  EXPECT_EQ("https://example.org/a", record["url"]);
  EXPECT_EQ("Europe/Berlin", record["timeZone"]);
  EXPECT_EQ(1, record["availability"]);
  EXPECT_EQ(json::parse(R"({"frequency":1,"interval":2,"count":10})"), record["repeats"]);
  EXPECT_EQ(json::parse("[15,5]"), record["alarms"]);
  e.recurrenceRules = {{3, 1, RecurrenceEnd{kStart + 24h * 365, 0}}};
  EXPECT_EQ(json::parse(R"({"frequency":3,"interval":1,"until":"2025-03-05T14:30:00Z"})"),
            (*eventRecord(e, iso))["repeats"]);
  e.recurrenceRules = {{2, 1, std::nullopt}};
  EXPECT_EQ(json::parse(R"({"frequency":2,"interval":1})"), (*eventRecord(e, iso))["repeats"]);
}

TEST(EventRecord, OrganizerJoinsTheAttendees) {
  EventRecord e = minimalEvent();
  e.organizer = person("mailto:boss@x", 0);
  EXPECT_FALSE((*eventRecord(e, iso)).contains("attendees"));  // no attendees: none listed

  e.attendees = {person("mailto:a@x"), person("mailto:b@x")};
  json attendees = (*eventRecord(e, iso))["attendees"];
  ASSERT_EQ(3u, attendees.size());
  EXPECT_EQ("boss@x", attendees[0]["email"]);
  EXPECT_TRUE(attendees[0]["organizer"]);
  EXPECT_FALSE(attendees[1]["organizer"]);

  e.attendees = {person("mailto:a@x"), person("mailto:boss@x", 2)};
  attendees = (*eventRecord(e, iso))["attendees"];
  ASSERT_EQ(2u, attendees.size());
  EXPECT_TRUE(attendees[1]["organizer"]);
  EXPECT_EQ(2, attendees[1]["status"]);

  e.organizer.reset();
  const json record = *eventRecord(e, iso);
  for (const json& a : record["attendees"]) EXPECT_FALSE(a["organizer"]);
}

TEST(EventsAnswer, KeepsStoreOrderAndSkipsIncompleteEvents) {
  FakeStore store;
  EventRecord late = minimalEvent(), broken = minimalEvent(), early = minimalEvent();
  late.externalId = "late";
  late.start = kStart + 5h;
  late.end = kStart + 6h;
  broken.calendarId.reset();
  early.externalId = "early";
  store.state()->events = {late, broken, early};
  json answer = eventsAnswer(store, kStart, kStart + 24h, iso);
  ASSERT_EQ(2u, answer.size());
  EXPECT_EQ("late", answer[0]["uid"]);
  EXPECT_EQ("early", answer[1]["uid"]);
  store.state()->events.clear();
  EXPECT_EQ(json::array(), eventsAnswer(store, kStart, kStart + 24h, iso));
}

}  // namespace

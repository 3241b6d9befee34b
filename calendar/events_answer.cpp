#include "events_answer.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

#include "text.h"

using nlohmann::json;

namespace {

// A random (version 4) UUID, upper-case, for an event with no identifier at all.
std::string randomUuid() {
  static std::mt19937_64 generator{std::random_device{}()};
  uint64_t high = generator(), low = generator();
  high = (high & 0xFFFFFFFFFFFF0FFFULL) | 0x0000000000004000ULL;
  low = (low & 0x3FFFFFFFFFFFFFFFULL) | 0x8000000000000000ULL;
  char text[37];
  std::snprintf(text, sizeof text, "%08X-%04X-%04X-%04X-%012llX",
                static_cast<unsigned>(high >> 32), static_cast<unsigned>((high >> 16) & 0xFFFF),
                static_cast<unsigned>(high & 0xFFFF), static_cast<unsigned>(low >> 48),
                static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
  return text;
}

bool nonEmpty(const std::optional<std::string>& text) { return text && !text->empty(); }

json recurrenceRecord(const RecurrenceRule& rule, const InstantFormatter& iso) {
  json record = {{"frequency", rule.frequency}, {"interval", rule.interval}};
  if (rule.end) {
    if (rule.end->endDate) record["until"] = iso.write(*rule.end->endDate);
    if (rule.end->occurrenceCount > 0) record["count"] = rule.end->occurrenceCount;
  }
  return record;
}

// The attendees with the organizer put first when not among them.
std::vector<Participant> attendeeList(const EventRecord& event) {
  std::vector<Participant> list = event.attendees;
  if (!event.organizer) return list;
  for (const Participant& attendee : list) {
    if (attendee.url == event.organizer->url) return list;
  }
  list.insert(list.begin(), *event.organizer);
  return list;
}

}  // namespace

std::string eventUid(const EventRecord& event) {
  return event.externalId ? *event.externalId : event.eventId ? *event.eventId : randomUuid();
}

std::optional<std::pair<Instant, Instant>> eventsRange(const json& request,
                                                       const InstantFormatter& whole,
                                                       const InstantFormatter& fractional) {
  auto start = request.find("start");
  auto end = request.find("end");
  if (start == request.end() || !start->is_string() || end == request.end() ||
      !end->is_string()) {
    return std::nullopt;
  }
  auto from = parseInstant(start->get<std::string>(), whole, fractional);
  auto to = parseInstant(end->get<std::string>(), whole, fractional);
  if (!from || !to || !(*from < *to)) return std::nullopt;
  return std::make_pair(*from, *to);
}

std::int64_t alarmMinutes(const Alarm& alarm, Instant start) {
  double minutes;
  if (alarm.absoluteDate) {
    minutes = std::chrono::duration<double>(start - *alarm.absoluteDate).count() / 60;
  } else {
    minutes = alarm.relativeOffset / -60;
  }
  // Offsets that are not finite or do not fit never come from a sane file: clamp them.
  if (std::isnan(minutes)) return 0;
  const double rounded = std::round(minutes);
  if (rounded >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
  if (rounded <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(rounded);
}

json participantRecord(const Participant& participant,
                       const std::optional<std::string>& organizerUrl) {
  // Members are set one by one: an initializer list would copy each value twice.
  json record = json::object();
  record["status"] = participant.status;
  record["organizer"] = organizerUrl && participant.url == *organizerUrl;
  record["me"] = participant.isCurrentUser;
  record["role"] = participant.role;
  record["kind"] = participant.type;
  if (nonEmpty(participant.name)) record["name"] = *participant.name;
  if (lowerAscii(participant.url.substr(0, 7)) == "mailto:") record["email"] = participant.url.substr(7);
  return record;
}

std::optional<json> eventRecord(const EventRecord& event, const InstantFormatter& iso) {
  if (!event.start || !event.end || !event.calendarId) return std::nullopt;
  json record = json::object();
  record["uid"] = eventUid(event);
  record["calendarId"] = *event.calendarId;
  record["title"] = event.title.value_or("");
  record["start"] = iso.write(*event.start);
  record["end"] = iso.write(*event.end);
  record["allDay"] = event.allDay;
  if (nonEmpty(event.location)) record["location"] = *event.location;
  if (nonEmpty(event.notes)) record["notes"] = *event.notes;
  if (event.url) record["url"] = *event.url;
  if (event.timeZone) record["timeZone"] = *event.timeZone;
  if (event.availability >= 0) record["availability"] = event.availability;
  if (!event.recurrenceRules.empty()) {
    record["repeats"] = recurrenceRecord(event.recurrenceRules.front(), iso);
  }
  if (!event.alarms.empty()) {
    json alarms = json::array();
    for (const Alarm& alarm : event.alarms) alarms.push_back(alarmMinutes(alarm, *event.start));
    record["alarms"] = std::move(alarms);
  }
  if (!event.attendees.empty()) {
    std::optional<std::string> organizerUrl;
    if (event.organizer) organizerUrl = event.organizer->url;
    json attendees = json::array();
    for (const Participant& p : attendeeList(event)) {
      attendees.push_back(participantRecord(p, organizerUrl));
    }
    record["attendees"] = std::move(attendees);
  }
  return record;
}

json eventsAnswer(CalendarStore& store, Instant start, Instant end, const InstantFormatter& iso) {
  json list = json::array();
  for (const EventRecord& event : store.events(start, end)) {
    if (auto record = eventRecord(event, iso)) list.push_back(std::move(*record));
  }
  return list;
}

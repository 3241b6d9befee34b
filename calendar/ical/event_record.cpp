#include "ical/event_record.h"

#include <strings.h>

#include <algorithm>

#include "ical/ical_mapping.h"
#include "ical/zone_match.h"
#include "text.h"
#include "utf8.h"

using std::chrono::seconds;

// The VCALENDAR that holds `component`, whose VTIMEZONEs its TZIDs name;
// a stream may hold several.
icalcomponent* calendarOf(icalcomponent* component) {
  icalcomponent* parent = component ? icalcomponent_get_parent(component) : nullptr;
  return parent && icalcomponent_isa(parent) == ICAL_VCALENDAR_COMPONENT ? parent : nullptr;
}

namespace {

// The value of an experimental property, its name compared without case
// as iCalendar names are; nothing when absent.
std::optional<std::string> extensionValue(icalcomponent* component, const char* name) {
  for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_X_PROPERTY); p;
       p = icalcomponent_get_next_property(component, ICAL_X_PROPERTY)) {
    const char* written = icalproperty_get_x_name(p);
    const char* value = icalproperty_get_x(p);
    if (written && value && ::strcasecmp(written, name) == 0) return std::string(value);
  }
  return std::nullopt;
}

bool isMidnight(icaltimetype time) {
  return !time.is_date && time.hour == 0 && time.minute == 0 && time.second == 0;
}

// Outlook writes an all-day event as midnight times in its own zone with a
// mark of its own; as dates they fall on the same days for every reader.
bool markedAllDay(icalcomponent* event, icaltimetype start,
                  const std::optional<icaltimetype>& end) {
  if (!isMidnight(start) || (end && !isMidnight(*end) && !end->is_date)) return false;
  auto mark = extensionValue(event, "X-MICROSOFT-CDO-ALLDAYEVENT");
  return mark && upperAscii(*mark) == "TRUE";
}

int daysBetween(icaltimetype a, icaltimetype b) {
  using namespace std::chrono;
  auto day = [](icaltimetype t) {
    return sys_days{year{t.year} / month{static_cast<unsigned>(t.month)} /
                    std::chrono::day{static_cast<unsigned>(t.day)}};
  };
  return static_cast<int>((day(b) - day(a)).count());
}

}  // namespace

icaltimetype dateOf(icaltimetype time) {
  time.is_date = 1;
  time.hour = time.minute = time.second = 0;
  time.zone = nullptr;
  return time;
}

std::optional<Timing> timingOf(icalcomponent* event, icalcomponent* calendar,
                               const std::optional<Timing>& inherited) {
  Timing timing;
  timing.dtstart = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
  if (!timing.dtstart) return std::nullopt;
  icaltimetype start = icalproperty_get_dtstart(timing.dtstart);
  if (icaltime_is_null_time(start) || !icaltime_is_valid_time(start)) return std::nullopt;
  icalproperty* dtend = icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY);
  std::optional<icaltimetype> writtenEnd;
  if (dtend) writtenEnd = icalproperty_get_dtend(dtend);
  const bool marked = markedAllDay(event, start, writtenEnd);
  if (marked) start = dateOf(start);
  timing.start = start;
  timing.zone = zoneOf(timing.dtstart, start, calendar);
  timing.allDay = start.is_date;
  if (dtend) {
    const icaltimetype end = marked ? dateOf(*writtenEnd) : *writtenEnd;
    if (timing.allDay && end.is_date) {
      timing.days = daysBetween(start, end);
    } else {
      timing.length = std::chrono::floor<seconds>(
          instantOf(end, zoneOf(dtend, end, calendar)) - instantOf(start, timing.zone));
    }
  } else if (icalproperty* duration =
                 icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY)) {
    const int total = icaldurationtype_as_int(icalproperty_get_duration(duration));
    if (timing.allDay) {
      timing.days = total / 86400;
    } else {
      timing.length = seconds(total);
    }
  } else if (inherited) {
    timing.length = inherited->length;
    timing.days = inherited->days;
  } else {
    timing.days = 1;  // a date alone lasts that day; a time alone has no length
  }
  timing.length = std::max(timing.length, seconds(0));
  timing.days = std::max(timing.days, 0);
  return timing;
}

namespace {

// Files are not always UTF-8 (Latin-1 exports exist): text is repaired on the
// way in, or one bad title would make a whole answer unencodable.
std::optional<std::string> nonEmpty(const char* text) {
  if (!text || !*text) return std::nullopt;
  return repairUtf8(text);
}

// The value of an enumerated parameter as written ("ACCEPTED"), or "".
std::string parameterValue(icalproperty* property, icalparameter_kind kind) {
  icalparameter* parameter = icalproperty_get_first_parameter(property, kind);
  if (!parameter) return "";
  char* text = icalparameter_as_ical_string_r(parameter);  // "PARTSTAT=ACCEPTED"
  std::string value = text ? text : "";
  free(text);
  size_t equals = value.find('=');
  value = equals == std::string::npos ? "" : value.substr(equals + 1);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

Participant participantOf(icalproperty* property, const char* address, const ItemOwner& owner,
                          bool organizer) {
  Participant participant;
  participant.url = repairUtf8(address ? address : "");
  const std::string url = lowerAscii(participant.url);
  if (url.rfind("mailto:", 0) == 0) {
    const std::string email = url.substr(7);
    participant.isCurrentUser =
        std::find(owner.addresses.begin(), owner.addresses.end(), email) != owner.addresses.end();
  }
  icalparameter* cn = icalproperty_get_first_parameter(property, ICAL_CN_PARAMETER);
  if (cn) participant.name = nonEmpty(icalparameter_get_cn(cn));
  const std::string partstat = parameterValue(property, ICAL_PARTSTAT_PARAMETER);
  const std::string role = parameterValue(property, ICAL_ROLE_PARAMETER);
  participant.status = organizer ? organizerStatusFor(partstat) : participantStatusFor(partstat);
  participant.role = organizer ? organizerRoleFor(role) : participantRoleFor(role);
  participant.type = participantTypeFor(parameterValue(property, ICAL_CUTYPE_PARAMETER));
  return participant;
}

// Apple writes "no alarm" as an alarm of ACTION:NONE (RFC 9074) at this
// instant; sync tools that do not know that action keep the instant.
bool isPlaceholder(icalcomponent* alarm, const icaltriggertype& trigger) {
  if (!icaltime_is_null_time(trigger.time) && icaltime_is_utc(trigger.time) &&
      trigger.time.year == 1976 && trigger.time.month == 4 && trigger.time.day == 1 &&
      trigger.time.hour == 0 && trigger.time.minute == 55 && trigger.time.second == 45) {
    return true;
  }
  icalproperty* action = icalcomponent_get_first_property(alarm, ICAL_ACTION_PROPERTY);
  if (!action) return false;
  char* text = icalproperty_get_value_as_string_r(action);
  const bool none = text && upperAscii(text) == "NONE";
  free(text);
  return none;
}

// Offsets are relative to the start; `length` turns those related to the end.
std::vector<Alarm> alarmsOf(icalcomponent* event, seconds length) {
  std::vector<Alarm> alarms;
  for (icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT);
       alarm; alarm = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT)) {
    icalproperty* trigger = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
    if (!trigger) continue;
    const icaltriggertype value = icalproperty_get_trigger(trigger);
    if (isPlaceholder(alarm, value)) continue;
    Alarm record;
    if (!icaltime_is_null_time(value.time)) {
      record.absoluteDate = instantOf(value.time, zoneOf(trigger, value.time, nullptr));
    } else {
      record.relativeOffset = icaldurationtype_as_int(value.duration);
      if (upperAscii(parameterValue(trigger, ICAL_RELATED_PARAMETER)) == "END") {
        record.relativeOffset += static_cast<double>(length.count());
      }
    }
    alarms.push_back(record);
  }
  return alarms;
}

std::vector<RecurrenceRule> rulesOf(icalcomponent* master, const Zone& zone) {
  std::vector<RecurrenceRule> rules;
  for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_RRULE_PROPERTY); p;
       p = icalcomponent_get_next_property(master, ICAL_RRULE_PROPERTY)) {
    const icalrecurrencetype rule = icalproperty_get_rrule(p);
    const int frequency = frequencyFor(icalrecur_freq_to_string(rule.freq));
    if (frequency < 0) continue;
    RecurrenceRule record{frequency, rule.interval > 0 ? rule.interval : 1, std::nullopt};
    if (rule.count > 0) {
      record.end = RecurrenceEnd{std::nullopt, rule.count};
    } else if (!icaltime_is_null_time(rule.until)) {
      const Zone untilZone = icaltime_is_utc(rule.until) ? utcZone() : zone;
      record.end = RecurrenceEnd{instantOf(rule.until, untilZone), 0};
    }
    rules.push_back(record);
  }
  return rules;
}

int availabilityOf(icalcomponent* event) {
  std::string transp;
  if (icalproperty* p = icalcomponent_get_first_property(event, ICAL_TRANSP_PROPERTY)) {
    char* text = icalproperty_get_value_as_string_r(p);
    transp = text ? text : "";
    free(text);
  }
  return availabilityFor(transp, extensionValue(event, "X-MICROSOFT-CDO-BUSYSTATUS").value_or(""));
}

}  // namespace

EventRecord recordOf(icalcomponent* event, icalcomponent* master, const Timing& timing,
                     const ItemOwner& owner) {
  EventRecord record;
  record.calendarId = owner.calendarId;
  record.externalId = nonEmpty(icalcomponent_get_uid(event));
  record.eventId = owner.itemId;
  record.title = nonEmpty(icalcomponent_get_summary(event));
  record.allDay = timing.allDay;
  record.location = nonEmpty(icalcomponent_get_location(event));
  record.notes = nonEmpty(icalcomponent_get_description(event));
  if (icalproperty* url = icalcomponent_get_first_property(event, ICAL_URL_PROPERTY)) {
    record.url = nonEmpty(icalproperty_get_url(url));
  }
  if (!timing.allDay) {
    // A file's own VTIMEZONE may carry a made-up name ("Customized Time
    // Zone") that no reader knows: the system zone that keeps its times stands in.
    record.timeZone = timing.zone.fromFile
                          ? matchingSystemZone(timing.zone.ical, timing.zone.name.value_or(""),
                                               instantOf(timing.start, timing.zone))
                          : timing.zone.name;
  }
  record.availability = owner.birthdays ? -1 : availabilityOf(event);
  record.recurrenceRules = rulesOf(master, timing.zone);
  const seconds length = timing.allDay ? seconds(timing.days * 86400) : timing.length;
  record.alarms = alarmsOf(event, length);
  if (icalproperty* p = icalcomponent_get_first_property(event, ICAL_ORGANIZER_PROPERTY)) {
    record.organizer = participantOf(p, icalproperty_get_organizer(p), owner, true);
  }
  for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_ATTENDEE_PROPERTY); p;
       p = icalcomponent_get_next_property(event, ICAL_ATTENDEE_PROPERTY)) {
    // Outlook lists the organizer among the attendees without an answer of their own.
    const char* address = icalproperty_get_attendee(p);
    const bool isOrganizer =
        record.organizer && record.organizer->url == repairUtf8(address ? address : "");
    record.attendees.push_back(participantOf(p, address, owner, isOrganizer));
  }
  return record;
}

#include "ics_file.h"

#include <algorithm>
#include <map>

#include "ical_mapping.h"
#include "ical_series.h"

namespace {

using std::chrono::seconds;

// Whatever range is asked for, a query reads at most its first four years.
constexpr auto kLongestRange = std::chrono::days(4 * 365 + 1);

struct Timing {
  icalproperty* dtstart = nullptr;
  Zone zone;
  bool allDay = false;
  seconds length{0};  // events with a time
  int days = 0;       // all-day events
};

struct Item {
  icalcomponent* master = nullptr;
  std::vector<icalcomponent*> overrides;
};

int daysBetween(icaltimetype a, icaltimetype b) {
  using namespace std::chrono;
  auto day = [](icaltimetype t) {
    return sys_days{year{t.year} / month{static_cast<unsigned>(t.month)} /
                    std::chrono::day{static_cast<unsigned>(t.day)}};
  };
  return static_cast<int>((day(b) - day(a)).count());
}

std::optional<Timing> timingOf(icalcomponent* event, icalcomponent* calendar,
                               const std::optional<Timing>& inherited) {
  Timing timing;
  timing.dtstart = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
  if (!timing.dtstart) return std::nullopt;
  const icaltimetype start = icalproperty_get_dtstart(timing.dtstart);
  if (icaltime_is_null_time(start) || !icaltime_is_valid_time(start)) return std::nullopt;
  timing.zone = zoneOf(timing.dtstart, start, calendar);
  timing.allDay = start.is_date;
  if (icalproperty* dtend = icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY)) {
    const icaltimetype end = icalproperty_get_dtend(dtend);
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

std::optional<std::string> nonEmpty(const char* text) {
  if (!text || !*text) return std::nullopt;
  return std::string(text);
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

Participant participantOf(icalproperty* property, const char* address) {
  Participant participant;
  participant.url = address ? address : "";
  icalparameter* cn = icalproperty_get_first_parameter(property, ICAL_CN_PARAMETER);
  if (cn) participant.name = nonEmpty(icalparameter_get_cn(cn));
  participant.status = participantStatusFor(parameterValue(property, ICAL_PARTSTAT_PARAMETER));
  participant.role = participantRoleFor(parameterValue(property, ICAL_ROLE_PARAMETER));
  participant.type = participantTypeFor(parameterValue(property, ICAL_CUTYPE_PARAMETER));
  return participant;
}

std::vector<Alarm> alarmsOf(icalcomponent* event, Instant start, Instant end) {
  std::vector<Alarm> alarms;
  for (icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT);
       alarm; alarm = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT)) {
    icalproperty* trigger = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
    if (!trigger) continue;
    const icaltriggertype value = icalproperty_get_trigger(trigger);
    Alarm record;
    if (!icaltime_is_null_time(value.time)) {
      record.absoluteDate = instantOf(value.time, zoneOf(trigger, value.time, nullptr));
    } else {
      record.relativeOffset = icaldurationtype_as_int(value.duration);
      if (parameterValue(trigger, ICAL_RELATED_PARAMETER) == "END") {
        record.relativeOffset += std::chrono::duration<double>(end - start).count();
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
      const Zone untilZone =
          icaltime_is_utc(rule.until) ? Zone{icaltimezone_get_utc_timezone(), {}} : zone;
      record.end = RecurrenceEnd{instantOf(rule.until, untilZone), 0};
    }
    rules.push_back(record);
  }
  return rules;
}

int availabilityOf(icalcomponent* event) {
  std::string transp, busy;
  if (icalproperty* p = icalcomponent_get_first_property(event, ICAL_TRANSP_PROPERTY)) {
    char* text = icalproperty_get_value_as_string_r(p);
    transp = text ? text : "";
    free(text);
  }
  for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_X_PROPERTY); p;
       p = icalcomponent_get_next_property(event, ICAL_X_PROPERTY)) {
    const char* name = icalproperty_get_x_name(p);
    if (name && std::string(name) == "X-MICROSOFT-CDO-BUSYSTATUS" && icalproperty_get_x(p)) {
      busy = icalproperty_get_x(p);
    }
  }
  return availabilityFor(transp, busy);
}

// The record of one occurrence of `event` at `span`.
EventRecord recordOf(icalcomponent* event, icalcomponent* master, const Timing& timing,
                     const Span& span, const std::string& calendarId, const std::string& itemId) {
  EventRecord record;
  record.start = span.start;
  record.end = span.end;
  record.calendarId = calendarId;
  record.externalId = nonEmpty(icalcomponent_get_uid(event));
  record.eventId = itemId;
  record.title = nonEmpty(icalcomponent_get_summary(event));
  record.allDay = timing.allDay;
  record.location = nonEmpty(icalcomponent_get_location(event));
  record.notes = nonEmpty(icalcomponent_get_description(event));
  if (icalproperty* url = icalcomponent_get_first_property(event, ICAL_URL_PROPERTY)) {
    record.url = nonEmpty(icalproperty_get_url(url));
  }
  if (!timing.allDay) record.timeZone = timing.zone.name;
  record.availability = availabilityOf(event);
  record.recurrenceRules = rulesOf(master, timing.zone);
  record.alarms = alarmsOf(event, span.start, span.end);
  if (icalproperty* p = icalcomponent_get_first_property(event, ICAL_ORGANIZER_PROPERTY)) {
    record.organizer = participantOf(p, icalproperty_get_organizer(p));
  }
  for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_ATTENDEE_PROPERTY); p;
       p = icalcomponent_get_next_property(event, ICAL_ATTENDEE_PROPERTY)) {
    record.attendees.push_back(participantOf(p, icalproperty_get_attendee(p)));
  }
  return record;
}

bool isCancelled(icalcomponent* event) {
  return icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED;
}

bool overlapsRange(const Span& span, Instant from, Instant to) {
  if (span.start == span.end) return span.start >= from && span.start < to;
  return span.start < to && span.end > from;
}

// The original start that a RECURRENCE-ID names, in the series' zone when it has no TZID.
std::optional<Instant> recurrenceIdOf(icalcomponent* event, icalcomponent* calendar,
                                      const Zone& seriesZone) {
  icalproperty* p = icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY);
  if (!p) return std::nullopt;
  const icaltimetype id = icalproperty_get_recurrenceid(p);
  if (icaltime_is_null_time(id)) return std::nullopt;
  const bool hasTzid = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER) != nullptr;
  const Zone zone = (hasTzid || icaltime_is_utc(id) || id.is_date) ? zoneOf(p, id, calendar)
                                                                     : seriesZone;
  return instantOf(id, zone);
}

void appendItem(const Item& item, icalcomponent* calendar, const std::string& calendarId,
                const std::string& itemId, Instant from, Instant to,
                std::vector<EventRecord>* events) {
  std::optional<Timing> master;
  if (item.master) master = timingOf(item.master, calendar, std::nullopt);
  std::vector<Instant> moved;  // occurrences that an override replaces
  const Zone seriesZone = master ? master->zone : Zone{};
  for (icalcomponent* override : item.overrides) {
    if (auto id = recurrenceIdOf(override, calendar, seriesZone)) moved.push_back(*id);
  }
  if (master) {
    for (const Span& span : expandSeries(item.master, calendar, master->dtstart, master->zone,
                                         master->length, master->days, from, to)) {
      if (std::find(moved.begin(), moved.end(), span.start) != moved.end()) continue;
      events->push_back(recordOf(item.master, item.master, *master, span, calendarId, itemId));
    }
  }
  for (icalcomponent* override : item.overrides) {
    if (isCancelled(override)) continue;
    auto timing = timingOf(override, calendar, master);
    if (!timing) continue;
    const Instant start = instantOf(icalproperty_get_dtstart(timing->dtstart), timing->zone);
    Span span{start, start + timing->length};
    if (timing->allDay) {
      icaltimetype last = icalproperty_get_dtstart(timing->dtstart);
      icaltime_adjust(&last, timing->days, 0, 0, 0);
      span.end = instantOf(last, timing->zone);
    }
    if (!overlapsRange(span, from, to)) continue;
    icalcomponent* series = item.master ? item.master : override;
    events->push_back(recordOf(override, series, *timing, span, calendarId, itemId));
  }
}

// Events grouped by UID: each group's master and its overrides.
std::map<std::string, Item> itemsOf(icalcomponent* root) {
  std::map<std::string, Item> items;
  auto add = [&](icalcomponent* event) {
    Item& item = items[icalcomponent_get_uid(event) ? icalcomponent_get_uid(event) : ""];
    if (icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY)) {
      item.overrides.push_back(event);
    } else if (!item.master) {
      item.master = event;
    }
  };
  if (icalcomponent_isa(root) == ICAL_VEVENT_COMPONENT) {
    add(root);
    return items;
  }
  for (icalcomponent* event = icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT);
       event; event = icalcomponent_get_next_component(root, ICAL_VEVENT_COMPONENT)) {
    add(event);
  }
  return items;
}

}  // namespace

void appendIcsOccurrences(const std::string& text, const std::string& calendarId,
                          const std::string& itemId, Instant start, Instant end,
                          std::vector<EventRecord>* events) {
  // libical aborts on some errors unless told otherwise.
  icalerror_set_errors_are_fatal(0);
  end = std::min(end, start + kLongestRange);
  icalcomponent* root = icalparser_parse_string(text.c_str());
  if (!root) return;
  icalcomponent* calendar = icalcomponent_isa(root) == ICAL_VCALENDAR_COMPONENT ? root : nullptr;
  for (const auto& [uid, item] : itemsOf(root)) {
    appendItem(item, calendar, calendarId, itemId, start, end, events);
  }
  icalcomponent_free(root);
}

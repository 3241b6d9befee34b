#include "ical/ics_file.h"

#include <strings.h>

#include <algorithm>
#include <map>

#include "ical/ical_mapping.h"
#include "ical/ical_series.h"
#include "text.h"
#include "utf8.h"
#include "ical/zone_match.h"

namespace {

using std::chrono::seconds;


struct Timing {
  icalproperty* dtstart = nullptr;
  icaltimetype start = icaltime_null_time();  // as read: an all-day mark makes it a date
  Zone zone;
  bool allDay = false;
  seconds length{0};  // events with a time
  int days = 0;       // all-day events
};

// The events of one UID: the series and the occurrences that override it.
struct Group {
  icalcomponent* master = nullptr;
  std::vector<icalcomponent*> overrides;
  int position = 0;  // among the groups of events without UID
};

// The VCALENDAR that holds `component`, whose VTIMEZONEs its TZIDs name;
// a stream may hold several.
icalcomponent* calendarOf(icalcomponent* component) {
  icalcomponent* parent = component ? icalcomponent_get_parent(component) : nullptr;
  return parent && icalcomponent_isa(parent) == ICAL_VCALENDAR_COMPONENT ? parent : nullptr;
}

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

icaltimetype dateOf(icaltimetype time) {
  time.is_date = 1;
  time.hour = time.minute = time.second = 0;
  time.zone = nullptr;
  return time;
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

bool isCancelled(icalcomponent* event) {
  return icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED;
}

// A RECURRENCE-ID, EXDATE or RDATE names an occurrence as the series has it:
// a floating time names the series' wall time, and a time in a series of
// dates (Outlook's all-day events) names its date.
icaltimetype asSeriesTime(icaltimetype time, const Timing& series) {
  return series.allDay && !time.is_date ? dateOf(time) : time;
}

Zone occurrenceZone(icalproperty* p, icaltimetype time, icalcomponent* calendar,
                    const Timing& series) {
  const bool floating = !time.is_date && !icaltime_is_utc(time) &&
                        !icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
  return floating ? series.zone : zoneOf(p, time, calendar);
}

Instant occurrenceInstant(icalproperty* p, icaltimetype time, icalcomponent* calendar,
                          const Timing& series) {
  time = asSeriesTime(time, series);
  return instantOf(time, occurrenceZone(p, time, calendar, series));
}

// The original start that a RECURRENCE-ID names.
std::optional<Instant> recurrenceIdOf(icalcomponent* event, const Timing& series) {
  icalproperty* p = icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY);
  if (!p) return std::nullopt;
  const icaltimetype id = icalproperty_get_recurrenceid(p);
  if (icaltime_is_null_time(id)) return std::nullopt;
  return occurrenceInstant(p, id, calendarOf(event), series);
}

Span firstSpan(const Timing& timing) {
  const icaltimetype start = timing.start;
  const Instant begin = instantOf(start, timing.zone);
  if (!timing.allDay) return {begin, begin + timing.length};
  icaltimetype last = start;
  icaltime_adjust(&last, timing.days, 0, 0, 0);
  return {begin, instantOf(last, timing.zone)};
}

void readDates(icalcomponent* master, const Timing& timing, Series* series) {
  icalcomponent* calendar = calendarOf(master);
  for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_RDATE_PROPERTY); p;
       p = icalcomponent_get_next_property(master, ICAL_RDATE_PROPERTY)) {
    const icaldatetimeperiodtype rdate = icalproperty_get_rdate(p);
    if (!icaltime_is_null_time(rdate.time)) {
      const icaltimetype time = asSeriesTime(rdate.time, timing);
      const Zone zone = occurrenceZone(p, time, calendar, timing);
      const Instant start = instantOf(time, zone);
      Span span{start, start + series->length};
      if (time.is_date) {
        icaltimetype last = time;
        icaltime_adjust(&last, series->days, 0, 0, 0);
        span.end = instantOf(last, zone);
      }
      series->rdates.push_back(span);
    } else if (!icaltime_is_null_time(rdate.period.start)) {
      // A period gives this occurrence a length of its own.
      const Instant start =
          instantOf(rdate.period.start, occurrenceZone(p, rdate.period.start, calendar, timing));
      const Instant end =
          icaltime_is_null_time(rdate.period.end)
              ? start + seconds(icaldurationtype_as_int(rdate.period.duration))
              : instantOf(rdate.period.end, occurrenceZone(p, rdate.period.end, calendar, timing));
      series->rdates.push_back({start, std::max(start, end)});
    }
  }
  for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_EXDATE_PROPERTY); p;
       p = icalcomponent_get_next_property(master, ICAL_EXDATE_PROPERTY)) {
    const icaltimetype exdate = icalproperty_get_exdate(p);
    if (icaltime_is_null_time(exdate)) continue;
    if (exdate.is_date && !series->dtstart.is_date) {
      series->exdateDays.push_back(exdate);  // a date excludes every occurrence on that day
    } else {
      series->exdates.push_back(occurrenceInstant(p, exdate, calendar, timing));
    }
  }
}

// Where the series begins and, when every rule has an UNTIL, where it ends.
void bound(Series* series, const Span& first) {
  series->earliest = first.start;
  Instant latest = first.end;
  bool bounded = true;
  for (const icalrecurrencetype& rule : series->rules) {
    if (icaltime_is_null_time(rule.until)) {
      bounded = false;  // endless, or ends after a count only expansion can find
      continue;
    }
    icaltimetype until = rule.until;
    until.is_date = 0;
    until.hour = 23;
    until.minute = 59;
    until.second = 59;  // at the latest; a day's slack covers any zone
    const Zone zone = icaltime_is_utc(rule.until) ? utcZone() : series->zone;
    latest = std::max(latest, instantOf(until, zone) + std::chrono::days(series->days + 1) +
                                  series->length);
  }
  for (const Span& rdate : series->rdates) {
    series->earliest = std::min(series->earliest, rdate.start);
    latest = std::max(latest, rdate.end);
  }
  if (bounded) series->latest = latest;
}

}  // namespace

struct IcsItem {
  std::vector<Series> series;
  std::vector<EventRecord> detached;  // overrides and lone occurrences, times set
};

namespace {

// Events without UID are told apart by their place in the item, so that each
// keeps its identifier from one reading to the next.
std::string eventIdOf(const std::string& itemId, int position) {
  return position == 0 ? itemId : itemId + "#" + std::to_string(position + 1);
}

void readGroup(const Group& group, const ItemOwner& owner, std::shared_ptr<icalcomponent> keep,
               IcsItem* item) {
  const std::string eventId = eventIdOf(owner.itemId, group.position);
  std::optional<Timing> master;
  if (group.master) master = timingOf(group.master, calendarOf(group.master), std::nullopt);
  if (master) {
    Series series;
    series.base = recordOf(group.master, group.master, *master, owner);
    series.base.eventId = eventId;
    series.dtstart = master->start;
    // The zone is applied through `series.zone`; the iterator works on wall-clock times.
    if (!icaltime_is_utc(series.dtstart)) series.dtstart.zone = nullptr;
    series.zone = master->zone;
    series.length = master->length;
    series.days = master->days;
    for (icalproperty* p = icalcomponent_get_first_property(group.master, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(group.master, ICAL_RRULE_PROPERTY)) {
      icalrecurrencetype rule = icalproperty_get_rrule(p);
      rule.rscale = nullptr;  // points into the parsed tree; other calendar scales are not read
      series.rules.push_back(rule);
    }
    readDates(group.master, *master, &series);
    for (icalcomponent* override : group.overrides) {
      if (auto id = recurrenceIdOf(override, *master)) series.moved.push_back(*id);
    }
    bound(&series, firstSpan(*master));
    series.zones = keep;
    item->series.push_back(std::move(series));
  }
  for (icalcomponent* override : group.overrides) {
    if (isCancelled(override)) continue;
    auto timing = timingOf(override, calendarOf(override), master);
    if (!timing) continue;
    icalcomponent* origin = group.master ? group.master : override;
    EventRecord record = recordOf(override, origin, *timing, owner);
    record.eventId = eventId;
    const Span span = firstSpan(*timing);
    record.start = span.start;
    record.end = span.end;
    item->detached.push_back(std::move(record));
  }
}

// The VEVENTs of a parsed text: a lone VEVENT, those of a VCALENDAR, or
// those of each VCALENDAR of a stream of several.
std::vector<icalcomponent*> eventsOf(icalcomponent* root) {
  std::vector<icalcomponent*> events;
  if (icalcomponent_isa(root) == ICAL_VEVENT_COMPONENT) return {root};
  auto addFrom = [&events](icalcomponent* parent) {
    for (icalcomponent* e = icalcomponent_get_first_component(parent, ICAL_VEVENT_COMPONENT); e;
         e = icalcomponent_get_next_component(parent, ICAL_VEVENT_COMPONENT)) {
      events.push_back(e);
    }
  };
  addFrom(root);
  if (icalcomponent_isa(root) == ICAL_XROOT_COMPONENT) {
    for (icalcomponent* c = icalcomponent_get_first_component(root, ICAL_VCALENDAR_COMPONENT); c;
         c = icalcomponent_get_next_component(root, ICAL_VCALENDAR_COMPONENT)) {
      addFrom(c);
    }
  }
  return events;
}

// Events grouped by UID, each group's master and its overrides, in the
// order of the masters. A second event of one UID without RECURRENCE-ID is
// a copy and is dropped, but events without UID are each a group of their
// own; an override without UID goes with the first of them.
std::vector<Group> groupsOf(icalcomponent* root) {
  std::vector<Group> groups;
  std::map<std::string, size_t> byUid;
  int withoutUid = 0;
  for (icalcomponent* event : eventsOf(root)) {
    const char* written = icalcomponent_get_uid(event);
    const std::string uid = written ? written : "";
    const bool isOverride = icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY);
    auto known = byUid.find(uid);
    if (known != byUid.end() && (isOverride || !uid.empty() || !groups[known->second].master)) {
      Group& group = groups[known->second];
      if (isOverride) {
        group.overrides.push_back(event);
      } else if (!group.master) {
        group.master = event;
      }
      continue;
    }
    Group group;
    if (uid.empty()) group.position = withoutUid++;
    if (isOverride) {
      group.overrides.push_back(event);
    } else {
      group.master = event;
    }
    if (known == byUid.end()) byUid[uid] = groups.size();
    groups.push_back(std::move(group));
  }
  return groups;
}

bool usesItsOwnZones(const IcsItem& item) {
  return std::any_of(item.series.begin(), item.series.end(),
                     [](const Series& s) { return s.zone.fromFile; });
}

}  // namespace

std::string ownerKey(const ItemOwner& owner) {
  std::string key = owner.calendarId + '\n' + char('0' + owner.birthdays);
  for (const std::string& address : owner.addresses) key += '\n' + address;
  return key + '\0';
}

std::shared_ptr<const IcsItem> readIcsItem(const std::string& text, const ItemOwner& owner) {
  // libical aborts on some errors unless told otherwise.
  icalerror_set_errors_are_fatal(0);
  auto item = std::make_shared<IcsItem>();
  icalcomponent* parsed = icalparser_parse_string(text.c_str());
  if (!parsed) return item;
  // The parsed tree is freed once read, unless a series reads its times in
  // the file's own VTIMEZONE, which lives in that tree.
  std::shared_ptr<icalcomponent> root(parsed, icalcomponent_free);
  for (const Group& group : groupsOf(parsed)) readGroup(group, owner, root, item.get());
  if (!usesItsOwnZones(*item)) {
    for (Series& series : item->series) series.zones.reset();
  }
  return item;
}

void visitOccurrences(const IcsItem& item, Instant start, Instant end,
                      const std::function<void(Instant, Instant, const EventRecord&)>& visit) {
  for (const Series& series : item.series) {
    for (const Span& span : expandSeries(series, start, end)) visit(span.start, span.end, series.base);
  }
  for (const EventRecord& record : item.detached) {
    if (occursIn(*record.start, *record.end, start, end)) visit(*record.start, *record.end, record);
  }
}

void appendOccurrences(const IcsItem& item, Instant start, Instant end,
                       std::vector<EventRecord>* events) {
  end = std::min(end, start + kLongestRange);
  visitOccurrences(item, start, end, [events](Instant from, Instant to, const EventRecord& base) {
    EventRecord record = base;
    record.start = from;
    record.end = to;
    events->push_back(std::move(record));
  });
}

void appendIcsOccurrences(const std::string& text, const std::string& calendarId,
                          const std::string& itemId, Instant start, Instant end,
                          std::vector<EventRecord>* events) {
  appendOccurrences(*readIcsItem(text, ItemOwner{calendarId, itemId, {}}), start, end, events);
}

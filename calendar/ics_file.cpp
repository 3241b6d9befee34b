#include "ics_file.h"

#include <algorithm>
#include <map>

#include "ical_mapping.h"
#include "ical_series.h"
#include "text.h"
#include "utf8.h"

namespace {

using std::chrono::seconds;


struct Timing {
  icalproperty* dtstart = nullptr;
  Zone zone;
  bool allDay = false;
  seconds length{0};  // events with a time
  int days = 0;       // all-day events
};

// The events of one UID: the series and the occurrences that override it.
struct Group {
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

Participant participantOf(icalproperty* property, const char* address, const ItemOwner& owner) {
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
  participant.status = participantStatusFor(parameterValue(property, ICAL_PARTSTAT_PARAMETER));
  participant.role = participantRoleFor(parameterValue(property, ICAL_ROLE_PARAMETER));
  participant.type = participantTypeFor(parameterValue(property, ICAL_CUTYPE_PARAMETER));
  return participant;
}

// Offsets are relative to the start; `length` turns those related to the end.
std::vector<Alarm> alarmsOf(icalcomponent* event, seconds length) {
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
  if (!timing.allDay) record.timeZone = timing.zone.name;
  record.availability = owner.birthdays ? -1 : availabilityOf(event);
  record.recurrenceRules = rulesOf(master, timing.zone);
  const seconds length = timing.allDay ? seconds(timing.days * 86400) : timing.length;
  record.alarms = alarmsOf(event, length);
  if (icalproperty* p = icalcomponent_get_first_property(event, ICAL_ORGANIZER_PROPERTY)) {
    record.organizer = participantOf(p, icalproperty_get_organizer(p), owner);
  }
  for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_ATTENDEE_PROPERTY); p;
       p = icalcomponent_get_next_property(event, ICAL_ATTENDEE_PROPERTY)) {
    record.attendees.push_back(participantOf(p, icalproperty_get_attendee(p), owner));
  }
  return record;
}

bool isCancelled(icalcomponent* event) {
  return icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED;
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

Span firstSpan(const Timing& timing) {
  const icaltimetype start = icalproperty_get_dtstart(timing.dtstart);
  const Instant begin = instantOf(start, timing.zone);
  if (!timing.allDay) return {begin, begin + timing.length};
  icaltimetype last = start;
  icaltime_adjust(&last, timing.days, 0, 0, 0);
  return {begin, instantOf(last, timing.zone)};
}

void readDates(icalcomponent* master, icalcomponent* calendar, Series* series) {
  for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_RDATE_PROPERTY); p;
       p = icalcomponent_get_next_property(master, ICAL_RDATE_PROPERTY)) {
    const icaldatetimeperiodtype rdate = icalproperty_get_rdate(p);
    if (!icaltime_is_null_time(rdate.time)) {
      const Zone zone = zoneOf(p, rdate.time, calendar);
      const Instant start = instantOf(rdate.time, zone);
      Span span{start, start + series->length};
      if (rdate.time.is_date) {
        icaltimetype last = rdate.time;
        icaltime_adjust(&last, series->days, 0, 0, 0);
        span.end = instantOf(last, zone);
      }
      series->rdates.push_back(span);
    } else if (!icaltime_is_null_time(rdate.period.start)) {
      // A period gives this occurrence a length of its own.
      const Instant start = instantOf(rdate.period.start, zoneOf(p, rdate.period.start, calendar));
      const Instant end =
          icaltime_is_null_time(rdate.period.end)
              ? start + seconds(icaldurationtype_as_int(rdate.period.duration))
              : instantOf(rdate.period.end, zoneOf(p, rdate.period.end, calendar));
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
      series->exdates.push_back(instantOf(exdate, zoneOf(p, exdate, calendar)));
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

void readGroup(const Group& group, icalcomponent* calendar, const ItemOwner& owner,
               std::shared_ptr<icalcomponent> keep, IcsItem* item) {
  std::optional<Timing> master;
  if (group.master) master = timingOf(group.master, calendar, std::nullopt);
  if (master) {
    Series series;
    series.base = recordOf(group.master, group.master, *master, owner);
    series.dtstart = icalproperty_get_dtstart(master->dtstart);
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
    readDates(group.master, calendar, &series);
    for (icalcomponent* override : group.overrides) {
      if (auto id = recurrenceIdOf(override, calendar, master->zone)) series.moved.push_back(*id);
    }
    bound(&series, firstSpan(*master));
    series.zones = keep;
    item->series.push_back(std::move(series));
  }
  for (icalcomponent* override : group.overrides) {
    if (isCancelled(override)) continue;
    auto timing = timingOf(override, calendar, master);
    if (!timing) continue;
    icalcomponent* origin = group.master ? group.master : override;
    EventRecord record = recordOf(override, origin, *timing, owner);
    const Span span = firstSpan(*timing);
    record.start = span.start;
    record.end = span.end;
    item->detached.push_back(std::move(record));
  }
}

// Events grouped by UID: each group's master and its overrides.
std::map<std::string, Group> groupsOf(icalcomponent* root) {
  std::map<std::string, Group> groups;
  auto add = [&](icalcomponent* event) {
    const char* uid = icalcomponent_get_uid(event);
    Group& group = groups[uid ? uid : ""];
    if (icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY)) {
      group.overrides.push_back(event);
    } else if (!group.master) {
      group.master = event;
    }
  };
  if (icalcomponent_isa(root) == ICAL_VEVENT_COMPONENT) {
    add(root);
    return groups;
  }
  for (icalcomponent* event = icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT);
       event; event = icalcomponent_get_next_component(root, ICAL_VEVENT_COMPONENT)) {
    add(event);
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
  icalcomponent* calendar = icalcomponent_isa(parsed) == ICAL_VCALENDAR_COMPONENT ? parsed : nullptr;
  for (const auto& [uid, group] : groupsOf(parsed)) readGroup(group, calendar, owner, root, item.get());
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

#include "ical/ics_file.h"

#include <algorithm>
#include <map>

#include "ical/event_record.h"
#include "ical/ical_series.h"
#include "ical/recurrence.h"
#include "utf8.h"

namespace {

using std::chrono::seconds;

// The events of one UID: the series and the occurrences that override it.
struct Group {
  icalcomponent* master = nullptr;
  std::vector<icalcomponent*> overrides;
  int position = 0;  // among the groups of events without UID
};

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

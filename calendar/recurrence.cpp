#include <algorithm>
#include <ctime>
#include <map>

#include "ical_series.h"
#include "zone_names.h"

namespace {

using std::chrono::seconds;

// However dense a rule, a query reads at most this many of its occurrences
// (an hourly event over the longest range has 35064).
constexpr int kMostOccurrencesPerRule = 50000;

// The wall-clock time of an instant in `zone` (the local zone when null).
icaltimetype wallTimeOf(Instant instant, const Zone& zone, bool isDate) {
  const time_t t = std::chrono::floor<seconds>(instant).time_since_epoch().count();
  if (zone.ical) return icaltime_from_timet_with_zone(t, isDate, zone.ical);
  std::tm local{};
  localtime_r(&t, &local);
  icaltimetype wall = icaltime_null_time();
  wall.year = local.tm_year + 1900;
  wall.month = local.tm_mon + 1;
  wall.day = local.tm_mday;
  wall.is_date = isDate;
  if (!isDate) {
    wall.hour = local.tm_hour;
    wall.minute = local.tm_min;
    wall.second = local.tm_sec;
  }
  return wall;
}

bool overlaps(const Span& span, Instant from, Instant to) {
  // An occurrence of no length counts when its instant lies in the range.
  if (span.start == span.end) return span.start >= from && span.start < to;
  return span.start < to && span.end > from;
}

class Expansion {
 public:
  Expansion(icalcomponent* calendar, const Zone& zone, seconds length, int days, Instant from,
            Instant to)
      : calendar_(calendar), zone_(zone), length_(length), days_(days), from_(from), to_(to) {}

  Span spanAt(icaltimetype wall, const Zone& zone) const {
    const Instant start = instantOf(wall, zone);
    if (!wall.is_date) return {start, start + length_};
    icaltimetype last = wall;
    icaltime_adjust(&last, days_, 0, 0, 0);
    return {start, instantOf(last, zone)};
  }

  void consider(const Span& span) {
    if (overlaps(span, from_, to_)) spans_.emplace(span.start, span);
  }

  void addRule(icalrecurrencetype rule, icaltimetype dtstart) {
    // libical compares UNTIL with wall-clock times, which is wrong for a UTC
    // UNTIL and a zoned start; the bound is applied here on instants instead.
    std::optional<Instant> until = untilOf(rule.until);
    rule.until = icaltime_null_time();
    icalrecur_iterator* it = icalrecur_iterator_new(rule, dtstart);
    if (!it) return;
    skipToRange(it, rule, dtstart);
    for (int n = 0; n < kMostOccurrencesPerRule; ++n) {
      icaltimetype next = icalrecur_iterator_next(it);
      if (icaltime_is_null_time(next)) break;
      const Span span = spanAt(next, zone_);
      if ((until && span.start > *until) || span.start >= to_) break;
      consider(span);
    }
    icalrecur_iterator_free(it);
  }

  void addDate(icalproperty* property) {
    const icaldatetimeperiodtype rdate = icalproperty_get_rdate(property);
    if (!icaltime_is_null_time(rdate.time)) {
      consider(spanAt(rdate.time, zoneOf(property, rdate.time, calendar_)));
      return;
    }
    if (icaltime_is_null_time(rdate.period.start)) return;
    // A period gives this occurrence a length of its own.
    const Zone zone = zoneOf(property, rdate.period.start, calendar_);
    const Instant start = instantOf(rdate.period.start, zone);
    Instant end = icaltime_is_null_time(rdate.period.end)
                      ? start + seconds(icaldurationtype_as_int(rdate.period.duration))
                      : instantOf(rdate.period.end, zoneOf(property, rdate.period.end, calendar_));
    consider({start, std::max(start, end)});
  }

  void exclude(icalproperty* property, bool seriesIsDate) {
    const icaltimetype exdate = icalproperty_get_exdate(property);
    if (icaltime_is_null_time(exdate)) return;
    if (exdate.is_date && !seriesIsDate) {
      // A date excludes every occurrence on that day.
      std::erase_if(spans_, [&](const auto& entry) {
        const icaltimetype wall = wallTimeOf(entry.first, zone_, true);
        return wall.year == exdate.year && wall.month == exdate.month && wall.day == exdate.day;
      });
      return;
    }
    spans_.erase(instantOf(exdate, zoneOf(property, exdate, calendar_)));
  }

  std::vector<Span> spans() const {
    std::vector<Span> list;
    for (const auto& entry : spans_) list.push_back(entry.second);
    return list;
  }

 private:
  std::optional<Instant> untilOf(icaltimetype until) const {
    if (icaltime_is_null_time(until)) return std::nullopt;
    if (icaltime_is_utc(until)) return instantOf(until, Zone{icaltimezone_get_utc_timezone(), {}});
    if (until.is_date) {
      // A date bound includes that whole day.
      until.is_date = 0;
      until.hour = 23;
      until.minute = 59;
      until.second = 59;
    }
    return instantOf(until, zone_);
  }

  // Starts the iterator shortly before the range instead of at DTSTART, so a
  // dense rule that began years ago costs nothing; impossible with COUNT.
  void skipToRange(icalrecur_iterator* it, const icalrecurrencetype& rule,
                   icaltimetype dtstart) const {
    if (rule.count > 0) return;
    const Instant jump = from_ - length_ - std::chrono::days(days_ + 2);
    if (jump <= instantOf(dtstart, zone_)) return;
    icaltimetype start = wallTimeOf(jump, zone_, dtstart.is_date);
    start.zone = dtstart.zone;
    icalrecur_iterator_set_start(it, start);
  }

  icalcomponent* calendar_;
  Zone zone_;
  seconds length_;
  int days_;
  Instant from_;
  Instant to_;
  std::map<Instant, Span> spans_;  // by start: repeats removed, in order
};

}  // namespace

Zone zoneOf(icalproperty* property, icaltimetype time, icalcomponent* calendar) {
  if (time.is_date) return {};
  if (icaltime_is_utc(time)) return {icaltimezone_get_utc_timezone(), "UTC"};
  icalparameter* parameter = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
  const char* tzid = parameter ? icalparameter_get_tzid(parameter) : nullptr;
  if (!tzid || !*tzid) return {};  // floating
  // The system's zone database is kept current; a file's VTIMEZONE is often
  // a truncated copy, so it is the fallback.
  if (auto iana = ianaZoneName(tzid)) {
    if (icaltimezone* zone = icaltimezone_get_builtin_timezone(iana->c_str())) {
      return {zone, *iana};
    }
  }
  if (calendar) {
    if (icaltimezone* zone = icalcomponent_get_timezone(calendar, tzid)) return {zone, tzid};
  }
  return {};
}

Instant instantOf(icaltimetype time, const Zone& zone) {
  if (zone.ical && !time.is_date) {
    time.zone = nullptr;
    return Instant{seconds(icaltime_as_timet_with_zone(time, zone.ical))};
  }
  std::tm local{};
  local.tm_year = time.year - 1900;
  local.tm_mon = time.month - 1;
  local.tm_mday = time.day;
  if (!time.is_date) {
    local.tm_hour = time.hour;
    local.tm_min = time.minute;
    local.tm_sec = time.second;
  }
  local.tm_isdst = -1;  // the local zone decides, daylight saving time included
  return Instant{seconds(std::mktime(&local))};
}

std::vector<Span> expandSeries(icalcomponent* master, icalcomponent* calendar,
                               icalproperty* dtstart, const Zone& zone, seconds length, int days,
                               Instant from, Instant to) {
  const icaltimetype start = icalproperty_get_dtstart(dtstart);
  Expansion expansion(calendar, zone, length, days, from, to);
  expansion.consider(expansion.spanAt(start, zone));
  for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_RRULE_PROPERTY); p;
       p = icalcomponent_get_next_property(master, ICAL_RRULE_PROPERTY)) {
    expansion.addRule(icalproperty_get_rrule(p), start);
  }
  for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_RDATE_PROPERTY); p;
       p = icalcomponent_get_next_property(master, ICAL_RDATE_PROPERTY)) {
    expansion.addDate(p);
  }
  for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_EXDATE_PROPERTY); p;
       p = icalcomponent_get_next_property(master, ICAL_EXDATE_PROPERTY)) {
    expansion.exclude(p, start.is_date);
  }
  return expansion.spans();
}

#include <algorithm>
#include <ctime>
#include <map>

#include "ical/recurrence.h"
#include "ical/occurrence_range.h"
#include "utf8.h"
#include "ical/zone_names.h"
#include "ical/zone_years.h"

namespace {

using std::chrono::seconds;

// However dense a rule, a query reads at most this many of its occurrences
// (an hourly event over the longest range has 35064). Fuzzing builds read
// fewer, so that each adversarial rule costs an input milliseconds.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr int kMostOccurrencesPerRule = 100;
#else
constexpr int kMostOccurrencesPerRule = 50000;
#endif

// Times of years 1 to 9999 only: a garbled year must not overflow the
// microseconds of an Instant (found by fuzzing).
Instant clamped(time_t t) {
  constexpr time_t kEarliest = -62135596800;  // 0001-01-01T00:00:00Z
  constexpr time_t kLatest = 253402300799;    // 9999-12-31T23:59:59Z
  return Instant{seconds(std::clamp(t, kEarliest, kLatest))};
}

// The wall-clock time of an instant in `zone` (the local zone when null).
icaltimetype wallTimeOf(Instant instant, const Zone& zone, bool isDate) {
  const time_t t = std::chrono::floor<seconds>(instant).time_since_epoch().count();
  if (zone.ical) {
    const int cycles = cyclesPastZoneChangesAt(t);
    icaltimetype wall =
        icaltime_from_timet_with_zone(t - cycles * kSecondsPer400Years, isDate, zone.ical);
    wall.year += 400 * cycles;
    return wall;
  }
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

Span spanAt(const Series& series, icaltimetype wall) {
  const Instant start = instantOf(wall, series.zone);
  if (!wall.is_date) return {start, start + series.length};
  icaltimetype last = wall;
  icaltime_adjust(&last, series.days, 0, 0, 0);
  return {start, instantOf(last, series.zone)};
}

std::optional<Instant> untilOf(icaltimetype until, const Zone& zone) {
  if (icaltime_is_null_time(until)) return std::nullopt;
  if (icaltime_is_utc(until)) return instantOf(until, utcZone());
  if (until.is_date) {
    // A date bound includes that whole day.
    until.is_date = 0;
    until.hour = 23;
    until.minute = 59;
    until.second = 59;
  }
  return instantOf(until, zone);
}

// Starts the iterator shortly before the range instead of at DTSTART, so that
// a dense rule begun years ago costs nothing; impossible with COUNT.
void skipToRange(icalrecur_iterator* it, const icalrecurrencetype& rule, const Series& series,
                 Instant from) {
  if (rule.count > 0) return;
  const Instant jump = from - series.length - std::chrono::days(series.days + 2);
  if (jump <= instantOf(series.dtstart, series.zone)) return;
  icaltimetype start = wallTimeOf(jump, series.zone, series.dtstart.is_date);
  start.zone = series.dtstart.zone;
  icalrecur_iterator_set_start(it, start);
}

template <size_t N>
bool has(const short (&parts)[N]) {
  return parts[0] != ICAL_RECURRENCE_ARRAY_MAX;
}

// Whether `value` is in a BY list, a negative entry counting back from `last`.
template <size_t N>
bool lists(const short (&parts)[N], int value, int last) {
  if (!has(parts)) return true;
  for (size_t i = 0; i < N && parts[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
    if (parts[i] == value || (parts[i] < 0 && last + 1 + parts[i] == value)) return true;
  }
  return false;
}

// Whether any day meets the rule's month, day of month, day of year and
// weekday parts. The years 2000 to 2027 hold all fourteen kinds of year (each
// weekday of January 1st, leap or not), so they hold every such day.
bool someDayMatches(const icalrecurrencetype& rule) {
  using namespace std::chrono;
  for (sys_days day = sys_days{year{2000} / January / 1}; day < sys_days{year{2028} / January / 1};
       day += days{1}) {
    const year_month_day date{day};
    const int month = static_cast<int>(unsigned{date.month()});
    if (has(rule.by_month)) {
      bool listed = false;
      for (short m : rule.by_month) {
        if (m == ICAL_RECURRENCE_ARRAY_MAX) break;
        if (icalrecurrencetype_month_month(m) == month) listed = true;
      }
      if (!listed) continue;
    }
    const int last = static_cast<int>(unsigned{(date.year() / date.month() / std::chrono::last).day()});
    if (!lists(rule.by_month_day, static_cast<int>(unsigned{date.day()}), last)) continue;
    const int yearDay = static_cast<int>((day - sys_days{date.year() / January / 1}).count()) + 1;
    if (!lists(rule.by_year_day, yearDay, date.year().is_leap() ? 366 : 365)) continue;
    if (has(rule.by_day)) {
      const int dayOfWeek = static_cast<int>(weekday{day}.c_encoding()) + 1;  // 1 is Sunday
      bool listed = false;
      for (short d : rule.by_day) {
        if (d == ICAL_RECURRENCE_ARRAY_MAX) break;
        if (static_cast<int>(icalrecurrencetype_day_day_of_week(d)) == dayOfWeek) listed = true;
      }
      if (!listed) continue;
    }
    return true;
  }
  return false;
}

// libical finds the next occurrence of a rule by trying each period in turn:
// with day parts that no day meets (February 30th) it tries every one until
// the year 2582, a second per yearly rule, and a rule of minutes or seconds
// limited to some days of the year tries every second between them (found by
// fuzzing; a query hung). Such rules give their DTSTART only.
bool expandable(const icalrecurrencetype& rule) {
  const bool dayOfYear = has(rule.by_month) || has(rule.by_month_day) || has(rule.by_year_day);
  if (!dayOfYear) return true;
  if (rule.freq == ICAL_SECONDLY_RECURRENCE || rule.freq == ICAL_MINUTELY_RECURRENCE) return false;
  return someDayMatches(rule);
}

void expandRule(const Series& series, icalrecurrencetype rule, Instant from, Instant to,
                std::map<Instant, Span>* spans) {
  if (!expandable(rule)) return;
  // libical compares UNTIL with wall-clock times, which is wrong for a UTC
  // UNTIL and a zoned start; the bound is applied here on instants instead.
  const std::optional<Instant> until = untilOf(rule.until, series.zone);
  rule.until = icaltime_null_time();
  icalrecur_iterator* it = icalrecur_iterator_new(rule, series.dtstart);
  if (!it) return;
  skipToRange(it, rule, series, from);
  int most = kMostOccurrencesPerRule;
  for (int n = 0; n < most; ++n) {
    const icaltimetype next = icalrecur_iterator_next(it);
    if (icaltime_is_null_time(next)) break;
    // DTSTART counts as the first occurrence even when the rule does not
    // match it (RFC 5545 3.8.5.3); the iterator leaves such a DTSTART out,
    // so it gives one of COUNT too many.
    if (n == 0 && rule.count > 0 && icaltime_compare(next, series.dtstart) != 0) {
      most = std::min(most, rule.count - 1);
      if (most == 0) break;
    }
    const Span span = spanAt(series, next);
    if ((until && span.start > *until) || span.start >= to) break;
    if (occursIn(span.start, span.end, from, to)) spans->emplace(span.start, span);
  }
  icalrecur_iterator_free(it);
}

bool excluded(const Series& series, Instant start) {
  if (std::find(series.exdates.begin(), series.exdates.end(), start) != series.exdates.end()) {
    return true;
  }
  if (series.exdateDays.empty()) return false;
  const icaltimetype wall = wallTimeOf(start, series.zone, true);
  return std::any_of(series.exdateDays.begin(), series.exdateDays.end(), [&](icaltimetype day) {
    return day.year == wall.year && day.month == wall.month && day.day == wall.day;
  });
}

}  // namespace

Zone utcZone() { return {icaltimezone_get_utc_timezone(), "UTC", false}; }

Zone zoneOf(icalproperty* property, icaltimetype time, icalcomponent* calendar) {
  if (time.is_date) return {};
  if (icaltime_is_utc(time)) return utcZone();
  icalparameter* parameter = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
  const char* tzid = parameter ? icalparameter_get_tzid(parameter) : nullptr;
  if (!tzid || !*tzid) return {};  // floating
  // The system's zone database is kept current; a file's VTIMEZONE is often
  // a truncated copy, so it is the fallback.
  if (auto iana = ianaZoneName(tzid)) {
    if (icaltimezone* zone = icaltimezone_get_builtin_timezone(iana->c_str())) {
      return {zone, *iana, false};
    }
  }
  if (calendar) {
    if (icaltimezone* zone = icalcomponent_get_timezone(calendar, tzid)) {
      return {zone, repairUtf8(tzid), true};
    }
  }
  return {};
}

Instant instantOf(icaltimetype time, const Zone& zone) {
  if (zone.ical && !time.is_date) {
    time.zone = nullptr;
    const int cycles = cyclesPastZoneChanges(time.year);
    time.year -= 400 * cycles;
    return clamped(icaltime_as_timet_with_zone(time, zone.ical) + cycles * kSecondsPer400Years);
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
  return clamped(std::mktime(&local));
}

std::vector<Span> expandSeries(const Series& series, Instant from, Instant to) {
  if (series.earliest >= to || (series.latest && *series.latest < from)) return {};
  std::map<Instant, Span> spans;  // by start: repeats removed, in order
  const Span first = spanAt(series, series.dtstart);
  if (occursIn(first.start, first.end, from, to)) spans.emplace(first.start, first);
  for (const icalrecurrencetype& rule : series.rules) expandRule(series, rule, from, to, &spans);
  for (const Span& rdate : series.rdates) {
    if (occursIn(rdate.start, rdate.end, from, to)) spans.emplace(rdate.start, rdate);
  }
  std::vector<Span> list;
  for (const auto& [start, span] : spans) {
    if (excluded(series, start)) continue;
    if (std::find(series.moved.begin(), series.moved.end(), start) != series.moved.end()) continue;
    list.push_back(span);
  }
  return list;
}

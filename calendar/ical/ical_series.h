#pragma once

// Shared by ics_file.cpp, event_record.cpp and recurrence.cpp only: with zone_match.h, the
// only places outside them that name libical types.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <libical/ical.h>

#include "instant.h"
#include "store.h"

// The zone a time is read in: a libical zone, or the local zone (floating
// times and dates) when `ical` is null.
struct Zone {
  icaltimezone* ical = nullptr;
  std::optional<std::string> name;  // IANA name, or the file's own TZID
  bool fromFile = false;            // `ical` lives in the file's VTIMEZONE
};

// UTC.
Zone utcZone();

// The zone of a date or time property: its TZID parameter, UTC for "Z".
Zone zoneOf(icalproperty* property, icaltimetype time, icalcomponent* calendar);

// The instant of a wall-clock time (or a date's midnight) in `zone`.
Instant instantOf(icaltimetype time, const Zone& zone);

struct Span {
  Instant start;
  Instant end;
};

// One repeating or single event, read once from its file and expanded for any
// range without reading the file again.
struct Series {
  EventRecord base;  // every member but start and end
  icaltimetype dtstart = icaltime_null_time();  // wall clock in `zone`
  Zone zone;
  std::chrono::seconds length{0};  // events with a time
  int days = 0;                    // all-day events
  std::vector<icalrecurrencetype> rules;
  std::vector<Span> rdates;
  std::vector<Instant> exdates;
  std::vector<icaltimetype> exdateDays;  // dates that exclude a whole day of a timed series
  std::vector<Instant> moved;            // occurrences replaced by overrides
  Instant earliest;                      // no occurrence starts before
  std::optional<Instant> latest;         // none ends after; nothing when unbounded
  std::shared_ptr<icalcomponent> zones;  // keeps a file's own VTIMEZONEs alive
};

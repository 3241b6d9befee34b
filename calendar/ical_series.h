#pragma once

// Shared by ics_file.cpp and recurrence.cpp only: the one place outside them
// that names libical types.

#include <optional>
#include <string>
#include <vector>

#include <libical/ical.h>

#include "instant.h"

// The zone a time is read in: a libical zone, or the local zone (floating
// times and dates) when `ical` is null.
struct Zone {
  icaltimezone* ical = nullptr;
  std::optional<std::string> name;  // IANA name, or the file's TZID
};

// The zone of a date or time property: its TZID parameter, UTC for "Z".
Zone zoneOf(icalproperty* property, icaltimetype time, icalcomponent* calendar);

// The instant of a wall-clock time (or a date's midnight) in `zone`.
Instant instantOf(icaltimetype time, const Zone& zone);

// One occurrence of a series before overrides: its start and end, and the
// instant that identifies it (its original start).
struct Span {
  Instant start;
  Instant end;
};

// The occurrences of `master` (DTSTART, RRULE, RDATE less EXDATE) that
// overlap [from, to), in start order. `length` is the length of the event;
// for all-day events `days` counts instead.
std::vector<Span> expandSeries(icalcomponent* master, icalcomponent* calendar,
                               icalproperty* dtstart, const Zone& zone,
                               std::chrono::seconds length, int days, Instant from, Instant to);

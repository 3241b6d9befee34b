#pragma once

// Shared by ics_file.cpp and event_record.cpp only: one VEVENT's times and its
// record, as the item reading puts them together.

#include <chrono>
#include <optional>

#include <libical/ical.h>

#include "ical/ical_series.h"
#include "ical/item_owner.h"
#include "store.h"

// When an event takes place, as written.
struct Timing {
  icalproperty* dtstart = nullptr;
  icaltimetype start = icaltime_null_time();  // as read: an all-day mark makes it a date
  Zone zone;
  bool allDay = false;
  std::chrono::seconds length{0};  // events with a time
  int days = 0;       // all-day events
};

// The VCALENDAR that holds `component`, whose VTIMEZONEs its TZIDs name;
// a stream may hold several.
icalcomponent* calendarOf(icalcomponent* component);

// The date of a time, without its zone.
icaltimetype dateOf(icaltimetype time);

// The event's DTSTART, zone and length; an override without an end of its own
// takes the length of the series' `inherited`. Nothing without a usable DTSTART.
std::optional<Timing> timingOf(icalcomponent* event, icalcomponent* calendar,
                               const std::optional<Timing>& inherited);

// The record of `event` (every member but start and end), whose series is `master`.
EventRecord recordOf(icalcomponent* event, icalcomponent* master, const Timing& timing,
                     const ItemOwner& owner);

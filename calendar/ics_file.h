#pragma once

#include <string>
#include <vector>

#include "instant.h"
#include "store.h"

// Appends to `events` the occurrences that overlap [start, end) of the events
// in one iCalendar text (one item of a vdir calendar). An occurrence of zero
// length counts when its start lies in the range. Recurring events are
// expanded (RRULE, RDATE, EXDATE, RECURRENCE-ID overrides); times with a TZID
// are read in that zone (the system's zone database first, then the text's
// own VTIMEZONE); floating times and dates in the local time zone. Text that
// cannot be parsed adds nothing. `itemId` names the item, for records of
// events without a UID.
void appendIcsOccurrences(const std::string& text, const std::string& calendarId,
                          const std::string& itemId, Instant start, Instant end,
                          std::vector<EventRecord>* events);

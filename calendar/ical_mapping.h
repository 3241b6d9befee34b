#pragma once

#include <string>

// iCalendar values onto the store's enumeration integers. The whole mapping
// is the table in ical_mapping.cpp.

// TRANSP (OPAQUE, TRANSPARENT) and the common busy-status extension
// X-MICROSOFT-CDO-BUSYSTATUS (which wins when present); "" when absent.
int availabilityFor(const std::string& transp, const std::string& busyStatus);

// RRULE FREQ; -1 for frequencies with no store value (HOURLY and finer).
int frequencyFor(const std::string& freq);

// PARTSTAT, ROLE and CUTYPE parameters; "" when absent (the iCalendar defaults apply).
int participantStatusFor(const std::string& partstat);
int participantRoleFor(const std::string& role);
int participantTypeFor(const std::string& cutype);

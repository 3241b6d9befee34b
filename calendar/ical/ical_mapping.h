#pragma once

#include <string>

// iCalendar values onto the store's enumeration integers. The whole mapping
// is the table in ical_mapping.cpp.

// TRANSP (OPAQUE, TRANSPARENT) and the common busy-status extension
// X-MICROSOFT-CDO-BUSYSTATUS; "" when absent. The busy status gives the finer
// value, but where the two disagree on free against not free TRANSP wins: a
// client that knows only TRANSP keeps the extension unchanged, so TRANSP is
// the value that was edited last.
int availabilityFor(const std::string& transp, const std::string& busyStatus);

// RRULE FREQ; -1 for frequencies with no store value (HOURLY and finer).
int frequencyFor(const std::string& freq);

// PARTSTAT, ROLE and CUTYPE parameters; "" when absent (the iCalendar defaults apply).
int participantStatusFor(const std::string& partstat);
int participantRoleFor(const std::string& role);
int participantTypeFor(const std::string& cutype);

// The same for ORGANIZER, which RFC 5545 gives no PARTSTAT or ROLE: written
// ones are read, and without them the organizer has accepted and chairs.
int organizerStatusFor(const std::string& partstat);
int organizerRoleFor(const std::string& role);

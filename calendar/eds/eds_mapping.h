#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

// The calendar type of an Evolution Data Server calendar backend; none for
// backends whose events are no one's appointments (the weather forecast).
// Backends not known here keep events a person made: local.
std::optional<int> edsCalendarType(const std::string& backendName);

// The addresses of a mail identity's alias list ("Ann <ann@example.org>,
// a.lee@example.org"), lower-cased.
std::vector<std::string> aliasAddresses(const std::string& aliases);

// The TZID parameters that components of an iCalendar text name.
std::vector<std::string> namedZones(const std::string& text);

// One item of a calendar: its components (master and overrides, each one
// VEVENT text) and the VTIMEZONE texts they need, in one VCALENDAR.
std::string itemText(const std::map<std::string, std::string>& components,
                     const std::vector<std::string>& zones);

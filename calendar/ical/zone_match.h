#pragma once

#include <optional>
#include <string>

#include <libical/ical.h>

#include "instant.h"

// The name of a zone of the system's zone database whose offsets from UTC
// agree with `zone`'s (a file's own VTIMEZONE, named `tzid` as its writer
// liked) over the two years from the start of the year of `around` (or of a
// year whole 400-year cycles before it, past libical's last year). Of those
// that agree, a zone whose city `tzid` names is preferred ("(UTC+01:00)
// Amsterdam, Berlin"), then the bridge's own zone, then UTC and the zones
// that stand for a Windows zone, then any. Nothing when none agrees.
std::optional<std::string> matchingSystemZone(icaltimezone* zone, const std::string& tzid,
                                              Instant around);

#pragma once

#include <optional>
#include <string>

// The IANA name for a TZID as calendar writers spell it: IANA names as they
// are, Windows names ("W. Europe Standard Time") mapped, and the
// "/freeassociation.sourceforge.net/" prefix of some writers removed.
// Nothing when the zone is unknown to the system's zone database.
std::optional<std::string> ianaZoneName(const std::string& tzid);

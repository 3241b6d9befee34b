#pragma once

#include <vector>

#include "ical/ical_series.h"
#include "instant.h"

// The occurrences of `series` that overlap [from, to), in start order:
// DTSTART, RRULE and RDATE, less EXDATE and the moved ones.
std::vector<Span> expandSeries(const Series& series, Instant from, Instant to);

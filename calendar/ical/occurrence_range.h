#pragma once

#include <chrono>

#include "instant.h"

// Whatever range is asked for, a query reads at most its first four years.
inline constexpr auto kLongestRange = std::chrono::days(4 * 365 + 1);

// Whether an occurrence [start, end) overlaps the range [from, to); one of
// no length counts when its instant lies in the range.
bool occursIn(Instant start, Instant end, Instant from, Instant to);

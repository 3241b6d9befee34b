#pragma once

#include <ctime>

// libical expands a zone's changes up to the year 2582 only. For a later
// time it expands them all again on every conversion (milliseconds each,
// since the changes run from the zone's first DTSTART, 1601 in Outlook's
// files) and then reads the last change's offset, wrong for half the year.
// The Gregorian calendar repeats every 400 years, and so do a zone's rules,
// so a later time is converted as the time some whole cycles before it.
inline constexpr int kLastZoneChangeYear = 2582;
inline constexpr time_t kSecondsPer400Years = 146097LL * 86400;

// How many 400-year cycles before a wall-clock year its offsets are read.
constexpr int cyclesPastZoneChanges(int year) {
  return year > kLastZoneChangeYear ? (year - kLastZoneChangeYear + 399) / 400 : 0;
}

// The same for an instant: the cycles that bring it before 2582-01-01T00:00Z.
constexpr int cyclesPastZoneChangesAt(time_t utc) {
  constexpr time_t kFirstOfLastYear = 19312905600;  // 2582-01-01T00:00:00Z
  return utc >= kFirstOfLastYear
             ? static_cast<int>((utc - kFirstOfLastYear) / kSecondsPer400Years + 1)
             : 0;
}

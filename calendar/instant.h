#pragma once

#include <chrono>
#include <optional>
#include <string>

// A point in time, microsecond precision, no zone of its own.
using Instant = std::chrono::sys_time<std::chrono::microseconds>;

// Internet date-time (RFC 3339) formatting options, as bit masks.
inline constexpr unsigned kInternetDateTime = 1907;  // date, T, time, zone; whole seconds
inline constexpr unsigned kFractionalSeconds = 2048;

// A reader and writer of internet date-time text.
struct InstantFormatter {
  unsigned options = kInternetDateTime;

  // Reads YYYY-MM-DDTHH:MM:SS then Z or ±HH:MM; with kFractionalSeconds a
  // decimal point and 1 to 9 digits must follow the seconds, without it none
  // may. Anything else (lower-case t or z, a space, no zone, a leap second,
  // an impossible date) gives nothing.
  std::optional<Instant> read(const std::string& text) const;

  // Writes YYYY-MM-DDTHH:MM:SSZ in UTC; a fraction of a second is cut off.
  std::string write(Instant instant) const;
};

// Text with a fraction of a second (read by `fractional`), else without one (`whole`).
std::optional<Instant> parseInstant(const std::string& text, const InstantFormatter& whole,
                                    const InstantFormatter& fractional);

#include "instant.h"

#include <cstdio>

namespace {

using namespace std::chrono;

// Reads exactly `width` digits at `at`.
bool digits(const std::string& text, size_t at, size_t width, int* value) {
  if (at + width > text.size()) return false;
  int v = 0;
  for (size_t i = at; i < at + width; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  *value = v;
  return true;
}

bool literal(const std::string& text, size_t at, char c) {
  return at < text.size() && text[at] == c;
}

}  // namespace

std::optional<Instant> InstantFormatter::read(const std::string& text) const {
  int y, mo, d, h, mi, s;
  if (!digits(text, 0, 4, &y) || !literal(text, 4, '-') || !digits(text, 5, 2, &mo) ||
      !literal(text, 7, '-') || !digits(text, 8, 2, &d) || !literal(text, 10, 'T') ||
      !digits(text, 11, 2, &h) || !literal(text, 13, ':') || !digits(text, 14, 2, &mi) ||
      !literal(text, 16, ':') || !digits(text, 17, 2, &s)) {
    return std::nullopt;
  }
  year_month_day date{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
  if (!date.ok() || h > 23 || mi > 59 || s > 59) return std::nullopt;
  size_t at = 19;
  microseconds fraction{0};
  if (options & kFractionalSeconds) {
    if (!literal(text, at, '.')) return std::nullopt;
    size_t start = ++at;
    long long scale = 100000;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 9) {
      fraction += microseconds{(text[at] - '0') * scale};
      scale /= 10;
      ++at;
    }
    if (at == start) return std::nullopt;
  }
  seconds offset{0};
  if (literal(text, at, 'Z')) {
    ++at;
  } else if (literal(text, at, '+') || literal(text, at, '-')) {
    int oh, om;
    if (!digits(text, at + 1, 2, &oh) || !literal(text, at + 3, ':') ||
        !digits(text, at + 4, 2, &om) || oh > 23 || om > 59) {
      return std::nullopt;
    }
    offset = hours{oh} + minutes{om};
    if (text[at] == '-') offset = -offset;
    at += 6;
  } else {
    return std::nullopt;
  }
  if (at != text.size()) return std::nullopt;
  return sys_days{date} + hours{h} + minutes{mi} + seconds{s} + fraction - offset;
}

std::string InstantFormatter::write(Instant instant) const {
  const sys_seconds whole = floor<seconds>(instant);
  const sys_days day = floor<days>(whole);
  const year_month_day date{day};
  const hh_mm_ss<seconds> time{whole - day};
  const int year = static_cast<int>(date.year());
  if (year >= 0 && year <= 9999) {
    // By hand: every record has two or three instants, and formatted
    // printing was a tenth of a month's answer.
    std::string text = "0000-00-00T00:00:00Z";
    auto put = [&text](size_t at, int value, int width) {
      for (size_t i = at + static_cast<size_t>(width); i-- > at; value /= 10) {
        text[i] = static_cast<char>('0' + value % 10);
      }
    };
    put(0, year, 4);
    put(5, static_cast<int>(static_cast<unsigned>(date.month())), 2);
    put(8, static_cast<int>(static_cast<unsigned>(date.day())), 2);
    put(11, static_cast<int>(time.hours().count()), 2);
    put(14, static_cast<int>(time.minutes().count()), 2);
    put(17, static_cast<int>(time.seconds().count()), 2);
    return text;
  }
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", year,
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

std::optional<Instant> parseInstant(const std::string& text, const InstantFormatter& whole,
                                    const InstantFormatter& fractional) {
  if (auto instant = fractional.read(text)) return instant;
  return whole.read(text);
}

// Recurrence rules, RDATEs, EXDATEs and overrides expanded over the longest
// range a query reads. The input is the body of one event (DTSTART, RRULE and
// the rest; further events after an END:VEVENT), so that mutations go to the
// rules rather than to the calendar around them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ical/ics_file.h"
#include "ical/occurrence_range.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const InstantFormatter iso{kInternetDateTime};
  static const Instant from = *iso.read("2024-01-01T00:00:00Z");
  static const Instant to = from + kLongestRange;
  const std::string text = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:rules\r\n" +
                           std::string(reinterpret_cast<const char*>(data), size) +
                           "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
  auto item = readIcsItem(text, ItemOwner{"cal", "cal/x.ics", {}});
  const EventRecord* previous = nullptr;
  Instant previousStart{};
  visitOccurrences(*item, from, to, [&](Instant start, Instant end, const EventRecord& record) {
    // Every occurrence lies in the range and ends after it starts; those of
    // one series come in start order, each start once.
    if (end < start || !occursIn(start, end, from, to)) __builtin_trap();
    if (&record == previous && start <= previousStart) __builtin_trap();
    previous = &record;
    previousStart = start;
  });
  return 0;
}

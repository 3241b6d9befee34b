// One iCalendar file through parsing and record building; its occurrences
// are listed for one week only, so that a dense rule costs little here and
// fuzz_ics_rules covers expansion.
#include <cstddef>
#include <cstdint>
#include <string>

#include "events_line.h"
#include "ical/ics_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const InstantFormatter iso{kInternetDateTime};
  static const Instant start = *iso.read("2024-03-04T00:00:00Z");
  const std::string text(reinterpret_cast<const char*>(data), size);
  auto item = readIcsItem(text, ItemOwner{"cal", "cal/x.ics", {"me@example.org"}});
  std::vector<EventRecord> events;
  appendOccurrences(*item, start, start + std::chrono::days(7), &events);
  std::string line;
  for (const EventRecord& event : events) {
    // The bridge's writer: every record it is given has a JSON text.
    if (!appendEventRecord(event, iso, &line)) __builtin_trap();
  }
  return 0;
}

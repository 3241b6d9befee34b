// One iCalendar file through parsing, expansion and record building.
#include <cstddef>
#include <cstdint>
#include <string>

#include "events_answer.h"
#include "ics_file.h"
#include "json_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const InstantFormatter iso{kInternetDateTime};
  const std::string text(reinterpret_cast<const char*>(data), size);
  auto item = readIcsItem(text, ItemOwner{"cal", "cal/x.ics", {"me@example.org"}});
  std::vector<EventRecord> events;
  const Instant start = *iso.read("2020-01-01T00:00:00Z");
  appendOccurrences(*item, start, *iso.read("2030-01-01T00:00:00Z"), &events);
  for (const EventRecord& event : events) {
    // The bridge's writer; it must always find a JSON text for a record.
    if (auto record = eventRecord(event, iso)) {
      if (!jsonLine(*record)) __builtin_trap();
    }
  }
  return 0;
}

// Text the user's tools wrote: khal's and vdirsyncer's configuration, and
// vCard contacts through their birthdays into event records.
#include <cstddef>
#include <cstdint>
#include <string>

#include "events_answer.h"
#include "ical/ics_file.h"
#include "json_line.h"
#include "vdir/khal_config.h"
#include "vdir/vcard_birthdays.h"
#include "vdir/vdirsyncer_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const InstantFormatter iso{kInternetDateTime};
  const EnvLookup env = [](const char* name) -> const char* {
    return std::string(name) == "HOME" ? "/home/ann" : nullptr;
  };
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const KhalCalendar& calendar : readKhalConfig(text, env)) {
    if (calendar.color) khalColor(*calendar.color);
  }
  readVdirsyncerConfig(text, env);
  auto item = readIcsItem(birthdayCalendar(text), ItemOwner{"people", "people/x.vcf", {}, true});
  std::vector<EventRecord> events;
  appendOccurrences(*item, *iso.read("2020-01-01T00:00:00Z"), *iso.read("2024-01-01T00:00:00Z"),
                    &events);
  for (const EventRecord& event : events) {
    if (auto record = eventRecord(event, iso)) {
      if (!jsonLine(*record)) __builtin_trap();
    }
  }
  return 0;
}

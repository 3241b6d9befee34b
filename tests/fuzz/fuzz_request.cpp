// One request line through the bridge's line handling: UTF-8 repair, parsing,
// the range rules and the JSON writer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "events_answer.h"
#include "input_reader.h"
#include "json_line.h"
#include "protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const InstantFormatter iso{kInternetDateTime};
  static const InstantFormatter isoFractional{kInternetDateTime | kFractionalSeconds};
  const std::string line = repairUtf8(std::string(reinterpret_cast<const char*>(data), size));
  auto request = parseRequest(line);
  if (!request) return 0;
  jsonLine(nlohmann::json{{"id", request->id}, {"status", statusWord(request->cmd.size())}});
  if (auto range = eventsRange(request->object, iso, isoFractional)) {
    iso.write(range->first);
    iso.write(range->second);
  }
  return 0;
}

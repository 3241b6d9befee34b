#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "instant.h"
#include "store.h"

// The answer line of an "events" command, {"events":[...],"id":...}, with the
// records written straight into it rather than built as a tree first: the
// same text jsonLine gives for that object with eventsAnswer's list.
// Nothing when some text in it is not valid UTF-8 (it has no JSON text).
std::optional<std::string> eventsLine(const nlohmann::json& id, CalendarStore& store,
                                      Instant start, Instant end, const InstantFormatter& iso);

// Appends the record of `event` as eventRecord gives it, in jsonLine's form;
// nothing for an event without start, end or calendar. False, and `out` as it
// was, when a text has no JSON form.
bool appendEventRecord(const EventRecord& event, const InstantFormatter& iso, std::string* out);

// The same for one occurrence of `event` (whose own start and end are not read).
bool appendEventRecord(const EventRecord& event, Instant start, Instant end,
                       const InstantFormatter& iso, std::string* out);

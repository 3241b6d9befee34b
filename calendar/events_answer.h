#pragma once

#include <optional>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "instant.h"
#include "store.h"

// The range of an "events" request: "start" and "end" strings read by
// parseInstant, start strictly before end. Nothing when missing or bad.
std::optional<std::pair<Instant, Instant>> eventsRange(const nlohmann::json& request,
                                                       const InstantFormatter& whole,
                                                       const InstantFormatter& fractional);

// Minutes before the start at which the alarm fires (negative: after it),
// rounded half away from zero.
std::int64_t alarmMinutes(const Alarm& alarm, Instant start);

// The "uid" text: the external identifier, else the event identifier, else a
// fresh random UUID.
std::string eventUid(const EventRecord& event);

// The participant's record; `organizerUrl` is the event organizer's URL, if any.
nlohmann::json participantRecord(const Participant& participant,
                                 const std::optional<std::string>& organizerUrl);

// The event's record, or nothing without start, end or calendar.
std::optional<nlohmann::json> eventRecord(const EventRecord& event, const InstantFormatter& iso);

// The records of the store's occurrences in [start, end), in the store's order.
nlohmann::json eventsAnswer(CalendarStore& store, Instant start, Instant end,
                            const InstantFormatter& iso);

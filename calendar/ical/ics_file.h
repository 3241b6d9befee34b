#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "instant.h"
#include "store.h"

// Whatever range is asked for, a query reads at most its first four years.
inline constexpr auto kLongestRange = std::chrono::days(4 * 365 + 1);

// Whether an occurrence [start, end) overlaps the range [from, to); one of
// no length counts when its instant lies in the range.
bool occursIn(Instant start, Instant end, Instant from, Instant to);

// The events of one iCalendar text (one item of a vdir calendar), read once
// and listed for any range without reading the text again.
struct IcsItem;

// Whose calendar it is: the addresses that make a participant "me".
struct ItemOwner {
  std::string calendarId;
  std::string itemId;  // names the item, for records of events without a UID
  std::vector<std::string> addresses;  // e-mail addresses, compared without case
  bool birthdays = false;  // a birthday calendar's: availability is not known
};

// The owner's values as one text, the same for equal owners (but the item id).
std::string ownerKey(const ItemOwner& owner);

// Reads `text`. Text that cannot be parsed gives an item without events.
std::shared_ptr<const IcsItem> readIcsItem(const std::string& text, const ItemOwner& owner);

// Appends the item's occurrences that overlap [start, end) (at most the first
// four years of it). An occurrence of no length counts when its start lies in
// the range. Recurring events are expanded (RRULE, RDATE, EXDATE,
// RECURRENCE-ID overrides); times with a TZID are read in that zone (the
// system's zone database first, then the text's own VTIMEZONE); floating
// times and dates in the local time zone.
void appendOccurrences(const IcsItem& item, Instant start, Instant end,
                       std::vector<EventRecord>* events);

// Calls `visit` with each occurrence in [start, end) as appendOccurrences
// finds them (but for any length of range), and the record they share (its
// start and end unset). The record lives as long as the item.
void visitOccurrences(const IcsItem& item, Instant start, Instant end,
                      const std::function<void(Instant, Instant, const EventRecord&)>& visit);

// readIcsItem and appendOccurrences in one.
void appendIcsOccurrences(const std::string& text, const std::string& calendarId,
                          const std::string& itemId, Instant start, Instant end,
                          std::vector<EventRecord>* events);

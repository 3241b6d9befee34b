#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ical/item_owner.h"
#include "ical/occurrence_range.h"
#include "instant.h"
#include "store.h"

// The events of one iCalendar text (one item of a vdir calendar), read once
// and listed for any range without reading the text again.
struct IcsItem;

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

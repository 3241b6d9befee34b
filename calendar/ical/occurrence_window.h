#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "ical/ics_file.h"

// The occurrences of a list of items, expanded once for a window around the
// first query and searched by start for every query inside it.
class OccurrenceWindow {
 public:
  // Forgets the expansion; the next query expands `items` again.
  void clear();

  // The occurrences in [start, end) (at most its first four years) of
  // `items`, by start, then end; ties keep the order of `items`. The items
  // must stay alive and unchanged until the next clear().
  std::vector<EventRecord> events(const std::vector<std::shared_ptr<const IcsItem>>& items,
                                  Instant start, Instant end);

  // The same occurrences, each handed to `visit` with the record it shares
  // (its start and end unset) instead of copied.
  void visit(const std::vector<std::shared_ptr<const IcsItem>>& items, Instant start, Instant end,
             const std::function<void(const EventRecord&, Instant, Instant)>& visit);

 private:
  // One occurrence in the window; `record` lives in one of the items.
  struct Occurrence {
    Instant start;
    Instant end;
    const EventRecord* record;
  };

  void fill(const std::vector<std::shared_ptr<const IcsItem>>& items, Instant from);

  // Every occurrence in [windowStart_, windowEnd_), by start; those longer
  // than two days apart, so that a query scans only two days before its start.
  Instant windowStart_{}, windowEnd_{};
  std::vector<Occurrence> short_;
  std::vector<Occurrence> long_;
};

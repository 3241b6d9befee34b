#include "ical/occurrence_range.h"

bool occursIn(Instant start, Instant end, Instant from, Instant to) {
  if (start == end) return start >= from && start < to;
  return start < to && end > from;
}

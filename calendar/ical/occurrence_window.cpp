#include "ical/occurrence_window.h"

#include "ical/occurrence_range.h"

#include <algorithm>

namespace {

// Queries are answered from occurrences expanded once for a window around the
// first one's start: any range of the longest length starting up to two years
// later, or two years earlier, needs no new expansion.
constexpr auto kWindowBefore = std::chrono::days(2 * 365);
constexpr auto kWindowAfter = std::chrono::days(6 * 365 + 2);
// Occurrences at most this long are found by a search on their start.
constexpr auto kShortest = std::chrono::days(2);

template <typename T>
bool byTime(const T& a, const T& b) {
  return a.start != b.start ? a.start < b.start : a.end < b.end;
}

}  // namespace

void OccurrenceWindow::clear() {
  windowStart_ = windowEnd_ = Instant{};
  short_.clear();
  long_.clear();
}

void OccurrenceWindow::fill(const std::vector<std::shared_ptr<const IcsItem>>& items,
                            Instant from) {
  clear();
  windowStart_ = from - kWindowBefore;
  windowEnd_ = from + kWindowAfter;
  for (const auto& item : items) {
    visitOccurrences(*item, windowStart_, windowEnd_,
                     [this](Instant start, Instant end, const EventRecord& record) {
                       auto& list = end - start > kShortest ? long_ : short_;
                       list.push_back({start, end, &record});
                     });
  }
  std::stable_sort(short_.begin(), short_.end(), byTime<Occurrence>);
  std::stable_sort(long_.begin(), long_.end(), byTime<Occurrence>);
}

void OccurrenceWindow::visit(const std::vector<std::shared_ptr<const IcsItem>>& items,
                             Instant start, Instant end,
                             const std::function<void(const EventRecord&, Instant, Instant)>& visit) {
  end = std::min(end, start + kLongestRange);
  if (start < windowStart_ || end > windowEnd_ || windowStart_ == windowEnd_) fill(items, start);
  std::vector<Occurrence> found;
  auto first = std::lower_bound(short_.begin(), short_.end(), start - kShortest,
                                [](const Occurrence& o, Instant t) { return o.start < t; });
  for (auto it = first; it != short_.end() && it->start < end; ++it) {
    if (occursIn(it->start, it->end, start, end)) found.push_back(*it);
  }
  for (const Occurrence& o : long_) {
    if (o.start >= end) break;
    if (occursIn(o.start, o.end, start, end)) found.push_back(o);
  }
  if (!long_.empty()) std::stable_sort(found.begin(), found.end(), byTime<Occurrence>);
  for (const Occurrence& o : found) visit(*o.record, o.start, o.end);
}

std::vector<EventRecord> OccurrenceWindow::events(
    const std::vector<std::shared_ptr<const IcsItem>>& items, Instant start, Instant end) {
  std::vector<EventRecord> events;
  visit(items, start, end, [&events](const EventRecord& record, Instant from, Instant to) {
    events.push_back(record);
    events.back().start = from;
    events.back().end = to;
  });
  return events;
}

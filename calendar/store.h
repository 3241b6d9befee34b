#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "instant.h"

// Authorization status of calendar access.
enum AuthorizationStatus : int {
  kNotDetermined = 0,
  kRestricted = 1,
  kDenied = 2,
  kFullAccess = 3,
  kWriteOnly = 4,
};

// Calendar types.
enum CalendarType : int { kLocal = 0, kCalDav = 1, kExchange = 2, kSubscription = 3, kBirthday = 4 };

// sRGB components, nominally 0..1 (extended-range colours go beyond).
struct Rgb {
  double red = 0;
  double green = 0;
  double blue = 0;
};

struct SourceRecord {
  std::string id;
  std::string title;
};

struct CalendarRecord {
  std::string id;  // stable across runs
  std::optional<std::string> title;
  std::optional<SourceRecord> source;  // the account; none for a lone calendar
  int type = kLocal;
  std::optional<Rgb> color;
};

struct RecurrenceEnd {
  std::optional<Instant> endDate;
  int occurrenceCount = 0;  // 0: ends on a date, not after a count
};

struct RecurrenceRule {
  int frequency = 0;  // 0 daily, 1 weekly, 2 monthly, 3 yearly
  int interval = 1;
  std::optional<RecurrenceEnd> end;
};

struct Alarm {
  std::optional<Instant> absoluteDate;
  double relativeOffset = 0;  // seconds from the start, negative before it
};

struct Participant {
  int status = 0;  // 0 unknown .. 7 in process
  int role = 0;    // 0 unknown, 1 required, 2 optional, 3 chair, 4 non-participant
  int type = 0;    // 0 unknown, 1 person, 2 room, 3 resource, 4 group
  std::optional<std::string> name;
  std::string url;  // as written, for example "mailto:ann@example.org"
  bool isCurrentUser = false;
};

// One occurrence of an event in a range.
struct EventRecord {
  std::optional<Instant> start;
  std::optional<Instant> end;
  std::optional<std::string> calendarId;
  std::optional<std::string> externalId;  // the series' UID
  std::optional<std::string> eventId;
  std::optional<std::string> title;
  bool allDay = false;
  std::optional<std::string> location;
  std::optional<std::string> notes;
  std::optional<std::string> url;
  std::optional<std::string> timeZone;  // IANA name
  int availability = -1;  // -1 not supported, 0 busy, 1 free, 2 tentative, 3 unavailable
  std::vector<RecurrenceRule> recurrenceRules;
  std::vector<Alarm> alarms;
  std::optional<Participant> organizer;
  std::vector<Participant> attendees;
};

// Ends a change subscription when destroyed.
class ChangeSubscription {
 public:
  virtual ~ChangeSubscription() = default;
};

// A handle on the user's calendars. Read only. Apart from the callbacks, which
// run on threads of the store's own, every method is called on one thread at a time.
class CalendarStore {
 public:
  virtual ~CalendarStore() = default;

  // The user's answer about calendar access, read afresh on every call.
  virtual AuthorizationStatus authorizationStatus() const = 0;

  // Asks the user when the status is not determined and records the answer.
  // `completion` runs once, on a thread of the store's own, and must not touch
  // this handle (it may have been replaced by then).
  virtual void requestAccess(std::function<void()> completion) = 0;

  // A new handle on the same calendars.
  virtual std::unique_ptr<CalendarStore> reopen() const = 0;

  // Every event calendar, in the store's order.
  virtual std::vector<CalendarRecord> calendars() = 0;

  // The occurrences overlapping [start, end), in the store's order.
  virtual std::vector<EventRecord> events(Instant start, Instant end) = 0;

  // The same occurrences as events(), in its order, handed to `visit` one by
  // one without copying: the record (its own start and end not to be relied
  // on) with the occurrence's start and end.
  using EventVisit = std::function<void(const EventRecord&, Instant start, Instant end)>;
  virtual void visitEvents(Instant start, Instant end, const EventVisit& visit) {
    for (const EventRecord& event : events(start, end)) {
      if (event.start && event.end) visit(event, *event.start, *event.end);
    }
  }

  // Calls `onChange` on a thread of the store's own after the calendar data
  // changed, until the returned subscription is destroyed.
  virtual std::unique_ptr<ChangeSubscription> observeChanges(std::function<void()> onChange) = 0;
};

#include "events_line.h"

#include <charconv>

#include "events_answer.h"
#include "json_line.h"
#include "text.h"

namespace {

// Members are written in the order of their names, the order in which the
// tree's objects hold them, so that the text is the one jsonLine writes.
class RecordWriter {
 public:
  explicit RecordWriter(std::string* out) : out_(*out) {}

  void open() { out_ += '{'; first_ = true; }
  void close() { out_ += '}'; }

  void name(const char* key) {
    if (!first_) out_ += ',';
    first_ = false;
    out_ += '"';
    out_ += key;  // member names need no escaping
    out_ += "\":";
  }

  bool text(const char* key, const std::string& value) {
    name(key);
    return appendJsonString(value, &out_);
  }

  void number(const char* key, std::int64_t value) {
    name(key);
    char digits[24];
    out_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
  }

  void flag(const char* key, bool value) {
    name(key);
    out_ += value ? "true" : "false";
  }

  std::string& out_;
  bool first_ = true;
};

bool nonEmpty(const std::optional<std::string>& text) { return text && !text->empty(); }

void writeRepeats(const RecurrenceRule& rule, const InstantFormatter& iso, RecordWriter& w) {
  w.name("repeats");
  w.open();
  if (rule.end && rule.end->occurrenceCount > 0) w.number("count", rule.end->occurrenceCount);
  w.number("frequency", rule.frequency);
  w.number("interval", rule.interval);
  if (rule.end && rule.end->endDate) w.text("until", iso.write(*rule.end->endDate));
  w.close();
}

bool writeParticipant(const Participant& p, const std::optional<std::string>& organizerUrl,
                      RecordWriter& w) {
  w.open();
  if (lowerAscii(p.url.substr(0, 7)) == "mailto:" && !w.text("email", p.url.substr(7))) {
    return false;
  }
  w.number("kind", p.type);
  w.flag("me", p.isCurrentUser);
  if (nonEmpty(p.name) && !w.text("name", *p.name)) return false;
  w.flag("organizer", organizerUrl && p.url == *organizerUrl);
  w.number("role", p.role);
  w.number("status", p.status);
  w.close();
  return true;
}

bool writeAttendees(const EventRecord& event, RecordWriter& w) {
  std::optional<std::string> organizerUrl;
  bool organizerListed = !event.organizer;
  if (event.organizer) organizerUrl = event.organizer->url;
  for (const Participant& a : event.attendees) {
    organizerListed = organizerListed || a.url == *organizerUrl;
  }
  w.name("attendees");
  w.out_ += '[';
  bool first = true;
  auto one = [&](const Participant& p) {
    if (!first) w.out_ += ',';
    first = false;
    return writeParticipant(p, organizerUrl, w);
  };
  if (!organizerListed && !one(*event.organizer)) return false;
  for (const Participant& a : event.attendees) {
    if (!one(a)) return false;
  }
  w.out_ += ']';
  w.first_ = false;
  return true;
}

bool writeRecord(const EventRecord& event, Instant start, Instant end, const InstantFormatter& iso,
                 RecordWriter& w) {
  w.open();
  if (!event.alarms.empty()) {
    w.name("alarms");
    w.out_ += '[';
    for (size_t i = 0; i < event.alarms.size(); ++i) {
      if (i > 0) w.out_ += ',';
      char digits[24];
      const std::int64_t minutes = alarmMinutes(event.alarms[i], start);
      w.out_.append(digits, std::to_chars(digits, digits + sizeof digits, minutes).ptr);
    }
    w.out_ += ']';
  }
  w.flag("allDay", event.allDay);
  if (!event.attendees.empty() && !writeAttendees(event, w)) return false;
  if (event.availability >= 0) w.number("availability", event.availability);
  if (!w.text("calendarId", *event.calendarId) || !w.text("end", iso.write(end))) {
    return false;
  }
  if (nonEmpty(event.location) && !w.text("location", *event.location)) return false;
  if (nonEmpty(event.notes) && !w.text("notes", *event.notes)) return false;
  if (!event.recurrenceRules.empty()) writeRepeats(event.recurrenceRules.front(), iso, w);
  if (!w.text("start", iso.write(start))) return false;
  if (event.timeZone && !w.text("timeZone", *event.timeZone)) return false;
  if (!w.text("title", event.title.value_or("")) || !w.text("uid", eventUid(event))) return false;
  if (event.url && !w.text("url", *event.url)) return false;
  w.close();
  return true;
}

}  // namespace

bool appendEventRecord(const EventRecord& event, Instant start, Instant end,
                       const InstantFormatter& iso, std::string* out) {
  if (!event.calendarId) return true;
  const size_t size = out->size();
  RecordWriter writer(out);
  if (writeRecord(event, start, end, iso, writer)) return true;
  out->resize(size);
  return false;
}

bool appendEventRecord(const EventRecord& event, const InstantFormatter& iso, std::string* out) {
  if (!event.start || !event.end) return true;
  return appendEventRecord(event, *event.start, *event.end, iso, out);
}

std::optional<std::string> eventsLine(const nlohmann::json& id, CalendarStore& store,
                                      Instant start, Instant end, const InstantFormatter& iso) {
  std::string line = "{\"events\":[";
  const size_t empty = line.size();
  bool written = true;
  store.visitEvents(start, end, [&](const EventRecord& event, Instant from, Instant to) {
    const size_t before = line.size();
    if (!written) return;
    if (before > empty) line += ',';
    written = appendEventRecord(event, from, to, iso, &line);
    if (line.size() == before + 1) line.resize(before);  // an event without a record
  });
  if (!written) return std::nullopt;
  line += "],\"id\":";
  if (!appendJson(id, &line)) return std::nullopt;
  line += "}\n";
  return line;
}

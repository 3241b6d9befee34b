#include "calendars_answer.h"

#include <cmath>
#include <cstdio>

namespace {

int channel(double c) {
  // Written so that NaN, which is not less than 1, becomes 1.
  const double clamped = c < 1 ? (c >= 0 ? c : 0) : 1;
  return static_cast<int>(std::round(clamped * 255));
}

nlohmann::json calendarRecord(const CalendarRecord& calendar) {
  nlohmann::json record = {
      {"id", calendar.id},
      {"title", calendar.title.value_or("")},
      {"sourceId", calendar.source ? calendar.source->id : ""},
      {"sourceTitle", calendar.source ? calendar.source->title : ""},
      {"subscribed", calendar.type == kSubscription || calendar.type == kBirthday},
  };
  if (auto color = hexColor(calendar.color)) record["color"] = *color;
  return record;
}

}  // namespace

std::optional<std::string> hexColor(const std::optional<Rgb>& color) {
  if (!color) return std::nullopt;
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", channel(color->red), channel(color->green),
                channel(color->blue));
  return text;
}

nlohmann::json calendarsAnswer(const std::vector<CalendarRecord>& calendars) {
  nlohmann::json list = nlohmann::json::array();
  for (const CalendarRecord& calendar : calendars) list.push_back(calendarRecord(calendar));
  return list;
}

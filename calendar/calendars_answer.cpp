#include "calendars_answer.h"

#include "color.h"

namespace {

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

nlohmann::json calendarsAnswer(const std::vector<CalendarRecord>& calendars) {
  nlohmann::json list = nlohmann::json::array();
  for (const CalendarRecord& calendar : calendars) list.push_back(calendarRecord(calendar));
  return list;
}

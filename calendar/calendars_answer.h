#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "store.h"

// The calendar records, in the store's order.
nlohmann::json calendarsAnswer(const std::vector<CalendarRecord>& calendars);

#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "store.h"

// "#RRGGBB" with upper-case digits: each component clamped to 0..1 (NaN
// counts as 1), times 255, rounded half away from zero. Nothing without a colour.
std::optional<std::string> hexColor(const std::optional<Rgb>& color);

// The calendar records, in the store's order.
nlohmann::json calendarsAnswer(const std::vector<CalendarRecord>& calendars);

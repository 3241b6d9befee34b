#pragma once

#include <optional>
#include <string>

#include "store.h"

// Calendar colours as both stores read them and as answers write them.

// "#RRGGBB" or "#RRGGBBAA"; the alpha is not used.
std::optional<Rgb> parseHexColor(const std::string& text);

// "#RRGGBB" with upper-case digits: each component clamped to 0..1 (NaN
// counts as 1), times 255, rounded half away from zero. Nothing without a colour.
std::optional<std::string> hexColor(const std::optional<Rgb>& color);

#pragma once

// The bridge's identity as the desktop shows it, in one place: the access
// dialog takes its title and text from here.
namespace propertyList {

inline constexpr const char* bundleIdentifier = "app.zuna.calendar-helper";
inline constexpr const char* bundleName = "Zuna Calendar";
inline constexpr const char* bundleDisplayName = "Zuna Calendar";
inline constexpr const char* shortVersion = "1.0";
inline constexpr const char* bundleVersion = "1";
inline constexpr const char* calendarsUsageDescription =
    "Zuna shows the events on your calendars next to your tasks in its Schedule. "
    "It only reads them.";
inline constexpr const char* calendarsFullAccessUsageDescription = calendarsUsageDescription;

}  // namespace propertyList

#pragma once

#include <memory>
#include <string>

#include "env.h"
#include "store.h"

// The store over the calendars of Evolution Data Server, with the user's
// access answer kept in the file at `accessPath`. None when no session bus is
// there to reach it. The store connects in the background; a listing waits
// for the source registry and the calendars' first contents (ten seconds at
// most) and lists nothing when the registry cannot be reached.
//
// Calendars are the enabled sources with a calendar extension, but the weather
// forecast; identifiers are "eds:" and the source's UID, so that they never
// equal a folder calendar's. Items are kept fresh by a view on each calendar
// and expanded by this program's own rules, like folder items.
std::unique_ptr<CalendarStore> makeEdsStore(const EnvLookup& env, const std::string& accessPath);

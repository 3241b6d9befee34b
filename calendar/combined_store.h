#pragma once

#include <memory>
#include <vector>

#include "store.h"

// Several stores as one: calendars of each in turn, events of all merged by
// start, then end (ties keep the stores' order), one change subscription
// covering all. Access is that of the first store; it asks the user.
std::unique_ptr<CalendarStore> makeCombinedStore(std::vector<std::unique_ptr<CalendarStore>> stores);

#pragma once

#include <memory>
#include <string>

#include "vdir/folder_places.h"
#include "store.h"

// The store over the calendar folders of `places`, with the user's access
// answer kept in the file at `accessPath`.
std::unique_ptr<CalendarStore> makeVdirStore(const CalendarPlaces& places,
                                             const std::string& accessPath);

// The store over a vdir tree at `root`, with the user's access answer kept in
// the file at `accessPath`. A folder directly under the root that holds only
// folders is an account; its folders are its calendars. Any other folder
// directly under the root is a calendar without account.
// Names beginning with a dot are ignored; only `*.ics` files are items.
std::unique_ptr<CalendarStore> makeVdirStore(const std::string& root,
                                             const std::string& accessPath);

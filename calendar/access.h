#pragma once

#include <string>

#include "env.h"
#include "store.h"

// The file that keeps the user's answer about calendar access:
// $XDG_CONFIG_HOME/zuna/calendar-access.
std::string accessRecordPath(const EnvLookup& env);

// "granted" is full access, "denied" denied (surrounding white space
// ignored); a missing, unreadable or unrecognised file is not determined.
AuthorizationStatus readAccessRecord(const std::string& path);

// Records the answer atomically: written to a temporary file beside it, then
// renamed over it, so a crash never leaves half a record. Creates the folder.
bool writeAccessRecord(const std::string& path, bool granted);

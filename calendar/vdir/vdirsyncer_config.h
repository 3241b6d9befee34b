#pragma once

#include <string>
#include <vector>

#include "env.h"

// A folder that vdirsyncer keeps in step with a server: one side of a pair
// that is a "filesystem" storage of ".ics" files.
struct SyncedFolder {
  std::string path;  // expanded
  // The path holds one folder per collection; without collections it is
  // itself the one calendar.
  bool collections = false;
  std::string pair;
  int type = 0;  // CalendarType of the other side
  std::vector<std::string> addresses;  // the other side's user name when it is an address
};

// The synced folders of a vdirsyncer configuration text, in the order of its pairs.
std::vector<SyncedFolder> readVdirsyncerConfig(const std::string& text, const EnvLookup& env);

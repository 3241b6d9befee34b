#pragma once

#include <string>
#include <vector>

#include "env.h"
#include "store.h"

// Where calendar folders are looked for.
struct CalendarPlaces {
  // $XDG_DATA_HOME/calendars: its calendars are named by their path below it.
  std::string dataRoot;
  // Further roots of the same shape (~/.calendars); calendars found under
  // them, and anywhere outside the data root, are named by their full path.
  std::vector<std::string> trees;
  // Candidate configuration files, in the tools' own order of preference:
  // the first that exists is read.
  std::vector<std::string> khalConfigs;
  std::vector<std::string> vdirsyncerConfigs;
  // Expands "~" and variables in the paths that configuration files name.
  EnvLookup env = systemEnv;
};

// The data root, ~/.calendars, and khal's and vdirsyncer's configuration files.
CalendarPlaces defaultCalendarPlaces(const EnvLookup& env);

// A calendar kept in a folder.
struct FolderCalendar {
  std::string path;
  CalendarRecord record;
  std::vector<std::string> addresses;  // lower-cased; a participant with one is "me"
  bool contacts = false;  // a folder of vCards, whose birthdays are its events
};

// Every calendar folder of the places, each folder once: first the data
// root's and the trees' calendars (account folders holding calendar
// folders), then those that only the configuration files name. What the
// configuration says about a folder (title, colour, addresses, the kind of
// server it is synced with) applies wherever it was found.
std::vector<FolderCalendar> findFolderCalendars(const CalendarPlaces& places);

// A folder to watch: changes to items and calendar metadata in it, and in
// folders up to `levels` below it, matter; so do changes to the files in it
// named in `names`.
struct WatchedPlace {
  std::string path;
  int levels = 0;
  std::vector<std::string> names;
};

// What to watch for changes to the calendars of `places`, configuration files included.
std::vector<WatchedPlace> watchedPlaces(const CalendarPlaces& places);

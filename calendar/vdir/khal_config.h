#pragma once

#include <optional>
#include <string>
#include <vector>

#include "env.h"
#include "store.h"

// What a calendar section of khal's configuration says.
enum class KhalType { kCalendar, kBirthdays, kDiscover };

struct KhalCalendar {
  std::string name;  // the section's name, which khal shows
  std::string path;  // expanded; a glob for kDiscover
  KhalType type = KhalType::kCalendar;
  std::optional<std::string> color;  // as written
  std::optional<std::string> displayname;
  bool readonly = false;
  std::vector<std::string> addresses;  // lower-cased
};

// The calendars of a khal configuration text ("[calendars]" with one
// "[[name]]" section each); sections without a path are skipped.
std::vector<KhalCalendar> readKhalConfig(const std::string& text, const EnvLookup& env);

// A khal colour: "#RRGGBB", one of the sixteen terminal colour names
// ("dark green", "light blue" ...) or a 256-colour number, in the usual
// xterm palette. "auto" and anything else give none.
std::optional<Rgb> khalColor(const std::string& text);

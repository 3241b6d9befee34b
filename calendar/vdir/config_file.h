#pragma once

#include <string>
#include <vector>

#include "env.h"

// One "key = value" line of an INI-style configuration file, with the
// sections it sits in: ["calendars", "work"] under "[calendars]" and
// "[[work]]". The value is as written, white space trimmed.
struct ConfigEntry {
  std::vector<std::string> sections;
  std::string key;
  std::string value;
};

// The entries of `text`, in order. Lines starting with '#' or ';' and lines
// that are neither a section nor a key are skipped: a sync tool's
// configuration may hold anything, and what is not understood is ignored.
std::vector<ConfigEntry> readConfigEntries(const std::string& text);

// The file's contents; empty when it cannot be read or is implausibly large.
std::string readConfigFile(const std::string& path);

// `value` without an inline comment (from a '#' after white space) and
// without one pair of surrounding quotes ('...' or "...").
std::string unquoteValue(const std::string& value);

// Expands a leading "~" or "~/" and $NAME or ${NAME} as a shell would.
std::string expandPath(const std::string& path, const EnvLookup& env);

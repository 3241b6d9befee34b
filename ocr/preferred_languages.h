#pragma once

#include <optional>
#include <string>
#include <vector>

#include "env.h"

// A POSIX locale name as a BCP 47 tag: de_DE.UTF-8 → de-DE,
// sr_RS@latin → sr-Latn-RS. C, POSIX and empty names give nothing.
std::optional<std::string> localeToTag(const std::string& locale);

// The user's preferred languages, most preferred first: LANGUAGE (a colon-
// separated list), else the first set one of LC_ALL, LC_MESSAGES, LANG.
std::vector<std::string> preferredLanguages(const EnvLookup& env);

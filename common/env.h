#pragma once

#include <functional>
#include <string>

// Looks up an environment variable; nullptr when unset. Rules take one so
// that tests can hand them an environment of their own.
using EnvLookup = std::function<const char*(const char*)>;

// The process's real environment.
const char* systemEnv(const char* name);

// $NAME when set to an absolute path, else $HOME/`fallback`.
std::string xdgFolder(const EnvLookup& env, const char* name, const char* fallback);

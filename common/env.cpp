#include "env.h"

#include <cstdlib>

const char* systemEnv(const char* name) { return std::getenv(name); }

std::string xdgFolder(const EnvLookup& env, const char* name, const char* fallback) {
  // The XDG rules ignore relative paths in these variables.
  if (const char* value = env(name); value && value[0] == '/') return value;
  const char* home = env("HOME");
  return std::string(home ? home : "") + "/" + fallback;
}

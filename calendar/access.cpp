#include "access.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <unistd.h>

#include "json_line.h"

std::string accessRecordPath(const EnvLookup& env) {
  return xdgFolder(env, "XDG_CONFIG_HOME", ".config") + "/zuna/calendar-access";
}

AuthorizationStatus readAccessRecord(const std::string& path) {
  std::ifstream in(path);
  std::string word;
  // Only the first word counts; a record is a few bytes, but the file might not be.
  if (!(in >> std::setw(16) >> word)) return kNotDetermined;
  if (word == "granted") return kFullAccess;
  if (word == "denied") return kDenied;
  return kNotDetermined;
}

bool writeAccessRecord(const std::string& path, bool granted) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  const std::string temporary = path + ".tmp." + std::to_string(getpid());
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = writeAll(fd, granted ? "granted\n" : "denied\n") && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok && ::rename(temporary.c_str(), path.c_str()) == 0) return true;
  ::unlink(temporary.c_str());
  return false;
}

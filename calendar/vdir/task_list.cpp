#include "vdir/task_list.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <mutex>
#include <vector>

#include "vdir/vdir_folder.h"

namespace {

// An item's begin lines are near its start; a huge one is read no further.
constexpr std::streamsize kLongestRead = 1 << 20;

struct Stamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  bool operator==(const Stamp& o) const {
    return device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
  }
};

bool stampOf(const std::string& path, Stamp* stamp) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return false;
  *stamp = {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
  return true;
}

// A verdict holds while the folder (no item added, removed or renamed) and
// the items that decided it are unchanged: a folder is listed on every
// query, and reading a whole task list each time would cost more than the query.
struct Verdict {
  Stamp folder;
  std::vector<std::pair<std::string, Stamp>> decisive;
  bool taskList = false;
};

enum class Holds { kNothing, kTask, kEvent };

Holds componentsOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  Holds holds = Holds::kNothing;
  std::streamsize read = 0;
  while (read < kLongestRead && std::getline(in, line)) {
    read += static_cast<std::streamsize>(line.size()) + 1;
    if (::strncasecmp(line.c_str(), "BEGIN:VEVENT", 12) == 0) return Holds::kEvent;
    if (::strncasecmp(line.c_str(), "BEGIN:VTODO", 11) == 0) holds = Holds::kTask;
  }
  return holds;
}

Verdict judge(const std::string& dir, const Stamp& folder) {
  Verdict verdict{folder, {}, false};
  std::vector<std::string> names;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* entry = ::readdir(d)) {
      if (entry->d_name[0] != '.' && isItemName(entry->d_name)) names.push_back(entry->d_name);
    }
    ::closedir(d);
  }
  bool sawTask = false;
  for (const std::string& name : names) {
    const std::string path = dir + "/" + name;
    Stamp stamp;
    if (!stampOf(path, &stamp)) continue;
    const Holds holds = componentsOf(path);
    if (holds == Holds::kEvent) {
      verdict.decisive = {{path, stamp}};
      return verdict;
    }
    sawTask = sawTask || holds == Holds::kTask;
    verdict.decisive.emplace_back(path, stamp);
  }
  verdict.taskList = sawTask;
  return verdict;
}

bool stillHolds(const Verdict& verdict, const Stamp& folder) {
  if (!(verdict.folder == folder)) return false;
  for (const auto& [path, stamp] : verdict.decisive) {
    Stamp now;
    if (!stampOf(path, &now) || !(now == stamp)) return false;
  }
  return true;
}

}  // namespace

bool isTaskList(const std::string& dir) {
  static std::mutex mutex;
  static std::map<std::string, Verdict> verdicts;
  Stamp folder;
  if (!stampOf(dir, &folder)) return false;
  std::lock_guard<std::mutex> lock(mutex);
  auto known = verdicts.find(dir);
  if (known != verdicts.end() && stillHolds(known->second, folder)) return known->second.taskList;
  Verdict verdict = judge(dir, folder);
  const bool taskList = verdict.taskList;
  verdicts[dir] = std::move(verdict);
  return taskList;
}

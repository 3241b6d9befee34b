#include "vdir/change_watch.h"

#include "vdir/vcard_birthdays.h"
#include "vdir/vdir_folder.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Sync tools add items by hard link or rename, rewrite them in place, and
// delete them; folders appear and disappear with calendars and accounts.
constexpr uint32_t kFolderEvents = IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_DELETE |
                                   IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

bool isItemOrMetadata(const std::string& name) {
  return isItemName(name) || isContactName(name) || name == "displayname" || name == "color";
}

// What one watched folder is for; a folder may serve several places.
struct Role {
  int levels = -1;  // followed folder levels below it; -1: not a calendar folder
  std::vector<std::string> names;  // files or folders in it whose changes matter
  std::vector<std::string> ways;  // folders in it on the way to a missing configuration folder
};

class ChangeWatch : public FolderWatch {
 public:
  ChangeWatch(std::function<std::vector<WatchedPlace>()> places, std::function<void()> onChange,
              MergeWindow window, std::function<void()> atOnce)
      : places_(std::move(places)), onChange_(std::move(onChange)), atOnce_(std::move(atOnce)),
        window_(window),
        inotify_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
        stop_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    rescan();
    try {
      thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
      // No thread to watch with: no change lines, but every answer still comes.
    }
  }

  ~ChangeWatch() override {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(stop_, &one, sizeof one);
    if (thread_.joinable()) thread_.join();
    ::close(inotify_);
    ::close(stop_);
  }

  bool running() const override { return inotify_ >= 0 && stop_ >= 0 && thread_.joinable(); }

 private:
  // Watches every place and the folders within its levels; for a place that
  // does not exist yet, its nearest existing ancestor, for the name on the
  // way to it. Watches no longer needed are removed.
  void rescan() {
    std::map<int, Role> roles;
    for (const WatchedPlace& place : places_()) {
      if (::access(place.path.c_str(), F_OK) == 0) {
        if (Role* role = roleOf(place.path, &roles)) {
          role->names.insert(role->names.end(), place.names.begin(), place.names.end());
        }
        if (place.levels >= 0) addTree(place.path, place.levels, &roles);
        continue;
      }
      std::string missing = place.path;
      while (missing.size() > 1 && ::access(parentFolder(missing).c_str(), F_OK) != 0) {
        missing = parentFolder(missing);
      }
      if (missing.size() <= 1) continue;
      const std::string name = baseName(missing);
      // A configuration folder that appears changes nothing until its file does.
      if (Role* role = roleOf(parentFolder(missing), &roles)) {
        (place.levels < 0 ? role->ways : role->names).push_back(name);
      }
    }
    for (const auto& [wd, role] : roles_) {
      if (!roles.count(wd)) inotify_rm_watch(inotify_, wd);
    }
    roles_ = std::move(roles);
  }

  // The role of a folder, now watched; none when it cannot be watched.
  Role* roleOf(const std::string& dir, std::map<int, Role>* roles) {
    int wd = inotify_add_watch(inotify_, dir.c_str(), kFolderEvents);
    return wd >= 0 ? &(*roles)[wd] : nullptr;
  }

  void addTree(const std::string& dir, int levels, std::map<int, Role>* roles) {
    Role* role = roleOf(dir, roles);
    if (!role) return;
    role->levels = std::max(role->levels, levels);
    if (levels == 0) return;
    bool ignored;
    for (const std::string& name : subfolders(dir, false, &ignored)) {
      addTree(dir + "/" + name, levels - 1, roles);
    }
  }

  // Whether the event concerns the calendar data; events that may change
  // what is watched also rescan, so that new folders are watched before
  // their items arrive.
  bool matters(const inotify_event& event) {
    if (event.mask & IN_Q_OVERFLOW) {
      rescan();
      return true;
    }
    if (event.mask & IN_IGNORED) {
      roles_.erase(event.wd);
      return false;
    }
    auto found = roles_.find(event.wd);
    if (found == roles_.end()) return false;
    const Role role = found->second;  // a rescan replaces the map
    const std::string name = event.len > 0 ? event.name : "";
    auto listed = [&name](const std::vector<std::string>& names) {
      return !name.empty() && std::find(names.begin(), names.end(), name) != names.end();
    };
    if (listed(role.names) || listed(role.ways)) {
      rescan();
      return listed(role.names);
    }
    if (role.levels < 0) return false;
    if (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
      rescan();
      return true;
    }
    if (event.mask & IN_ISDIR) {
      if (name.empty() || name[0] == '.' || role.levels == 0) return false;
      rescan();
      return true;
    }
    return isItemOrMetadata(name);
  }

  // Drains the inotify queue; returns whether anything mattered.
  bool readEvents() {
    alignas(inotify_event) char buffer[16384];
    bool any = false;
    for (;;) {
      ssize_t n = ::read(inotify_, buffer, sizeof buffer);
      if (n <= 0) return any;
      for (char* p = buffer; p < buffer + n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(p);
        if (matters(*event)) any = true;
        p += sizeof(inotify_event) + event->len;
      }
    }
  }

  void run() {
    ChangeBurst burst(window_);
    for (;;) {
      int timeout = -1;
      if (burst.pending()) {
        auto wait = std::chrono::ceil<std::chrono::milliseconds>(burst.due() - Clock::now()).count();
        timeout = static_cast<int>(std::max<long long>(0, wait));
      }
      pollfd fds[2] = {{inotify_, POLLIN, 0}, {stop_, POLLIN, 0}};
      int ready = ::poll(fds, 2, timeout);
      if (fds[1].revents) return;
      if (ready > 0 && (fds[0].revents & POLLIN) && readEvents()) {
        if (atOnce_) atOnce_();
        burst.add(Clock::now());
      }
      if (burst.take(Clock::now())) {
        try {
          onChange_();
        } catch (...) {
          // A change line that cannot be sent (no memory) is lost, not the watch.
        }
      }
    }
  }

  std::function<std::vector<WatchedPlace>()> places_;
  std::function<void()> onChange_;
  std::function<void()> atOnce_;
  MergeWindow window_;
  int inotify_;
  int stop_;
  std::map<int, Role> roles_;  // by watch descriptor
  std::thread thread_;
};

}  // namespace

std::unique_ptr<FolderWatch> watchCalendarFolders(
    std::function<std::vector<WatchedPlace>()> places, std::function<void()> onChange,
    MergeWindow window, std::function<void()> atOnce) {
  return std::make_unique<ChangeWatch>(std::move(places), std::move(onChange), window,
                                       std::move(atOnce));
}

std::unique_ptr<ChangeSubscription> watchCalendarFolders(const std::string& root,
                                                         std::function<void()> onChange,
                                                         MergeWindow window) {
  CalendarPlaces places{root, {}, {}, {}};
  return watchCalendarFolders([places] { return watchedPlaces(places); }, std::move(onChange),
                              window);
}

#include "change_watch.h"

#include "vdir_folder.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <map>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Sync tools add items by hard link or rename, rewrite them in place, and
// delete them; folders appear and disappear with calendars and accounts.
constexpr uint32_t kFolderEvents = IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_DELETE |
                                   IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// Calendars sit at most two levels below the root (account/calendar).
constexpr int kDeepestFolder = 2;

bool isItemOrMetadata(const std::string& name) {
  return isItemName(name) || name == "displayname" || name == "color";
}

class ChangeWatch : public ChangeSubscription {
 public:
  ChangeWatch(std::string root, std::function<void()> onChange, MergeWindow window)
      : root_(std::move(root)), onChange_(std::move(onChange)), window_(window),
        inotify_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
        stop_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    rescan();
    thread_ = std::thread([this] { run(); });
  }

  ~ChangeWatch() override {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(stop_, &one, sizeof one);
    thread_.join();
    ::close(inotify_);
    ::close(stop_);
  }

 private:
  // Watches every folder that can hold calendars, and the nearest existing
  // ancestor of a root that does not exist yet.
  void rescan() {
    if (::access(root_.c_str(), F_OK) != 0) {
      std::string ancestor = root_;
      while (ancestor.size() > 1 && ::access(ancestor.c_str(), F_OK) != 0) {
        size_t slash = ancestor.find_last_of('/');
        ancestor = slash == 0 || slash == std::string::npos ? "/" : ancestor.substr(0, slash);
      }
      add(ancestor, -1);
      return;
    }
    // The root exists: events beside it (in ~/.local/share, say) are no longer of interest.
    for (auto it = folders_.begin(); it != folders_.end();) {
      if (it->second < 0) {
        inotify_rm_watch(inotify_, it->first);
        it = folders_.erase(it);
      } else {
        ++it;
      }
    }
    addTree(root_, 0);
  }

  void addTree(const std::string& dir, int depth) {
    add(dir, depth);
    if (depth >= kDeepestFolder) return;
    bool ignored;
    for (const std::string& name : subfolders(dir, false, &ignored)) {
      addTree(dir + "/" + name, depth + 1);
    }
  }

  void add(const std::string& dir, int depth) {
    int wd = inotify_add_watch(inotify_, dir.c_str(), kFolderEvents);
    if (wd >= 0) folders_[wd] = depth;
  }

  // Whether the event concerns the calendar data; folder events also
  // rescan, so that new folders are watched before their items arrive.
  bool matters(const inotify_event& event) {
    if (event.mask & IN_Q_OVERFLOW) {
      rescan();
      return true;
    }
    if (event.mask & IN_IGNORED) {
      folders_.erase(event.wd);
      return false;
    }
    auto folder = folders_.find(event.wd);
    if (folder == folders_.end()) return false;
    const std::string name = event.len > 0 ? event.name : "";
    if (folder->second < 0) {  // an ancestor of the missing root
      rescan();
      return ::access(root_.c_str(), F_OK) == 0;
    }
    if (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
      rescan();
      return true;
    }
    if (event.mask & IN_ISDIR) {
      if (name.empty() || name[0] == '.' || folder->second >= kDeepestFolder) return false;
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
    bool pending = false;
    Clock::time_point first{}, last{};
    for (;;) {
      int timeout = -1;
      if (pending) {
        auto due = std::min(last + window_.quiet, first + window_.longest);
        auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now()).count();
        timeout = static_cast<int>(std::max<long long>(0, wait));
      }
      pollfd fds[2] = {{inotify_, POLLIN, 0}, {stop_, POLLIN, 0}};
      int ready = ::poll(fds, 2, timeout);
      if (fds[1].revents) return;
      if (ready > 0 && (fds[0].revents & POLLIN) && readEvents()) {
        last = Clock::now();
        if (!pending) first = last;
        pending = true;
      }
      if (pending) {
        auto now = Clock::now();
        if (now >= last + window_.quiet || now >= first + window_.longest) {
          pending = false;
          onChange_();
        }
      }
    }
  }

  std::string root_;
  std::function<void()> onChange_;
  MergeWindow window_;
  int inotify_;
  int stop_;
  std::map<int, int> folders_;  // watch descriptor → depth below the root (-1: ancestor)
  std::thread thread_;
};

}  // namespace

std::unique_ptr<ChangeSubscription> watchCalendarFolders(const std::string& root,
                                                         std::function<void()> onChange,
                                                         MergeWindow window) {
  return std::make_unique<ChangeWatch>(root, std::move(onChange), window);
}

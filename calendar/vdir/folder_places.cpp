#include "vdir/folder_places.h"

#include <glob.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>

#include "color.h"
#include "vdir/config_file.h"
#include "vdir/khal_config.h"
#include "vdir/task_list.h"
#include "text.h"
#include "utf8.h"
#include "vdir/vdir_folder.h"
#include "vdir/vdirsyncer_config.h"

namespace {

// A folder of accounts and calendars: calendars sit at most two levels down.
constexpr int kTreeLevels = 2;

// The first line of a small metadata file, white space trimmed.
std::optional<std::string> readMetadata(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line)) return std::nullopt;
  if (line.size() > 4096) line.resize(4096);
  line = trimmed(line);
  if (line.empty()) return std::nullopt;
  return repairUtf8(line);
}

std::optional<std::string> canonical(const std::string& path) {
  char resolved[PATH_MAX];
  if (!::realpath(path.c_str(), resolved)) return std::nullopt;
  return std::string(resolved);
}

// Sync tools name a calendar or account folder after the user's address
// (a CalDAV server's calendar home is often the address itself): such names
// are the addresses that make a participant "me".
std::vector<std::string> folderAddresses(const std::string& path) {
  std::vector<std::string> addresses;
  for (const std::string& name : {baseName(path), baseName(parentFolder(path))}) {
    if (name.find('@') != std::string::npos) addresses.push_back(lowerAscii(repairUtf8(name)));
  }
  return addresses;
}

void addAddresses(const std::vector<std::string>& more, std::vector<std::string>* addresses) {
  for (const std::string& address : more) {
    if (std::find(addresses->begin(), addresses->end(), address) == addresses->end()) {
      addresses->push_back(address);
    }
  }
}

// Collects the calendars, each folder once, in the order first found.
class Finder {
 public:
  explicit Finder(const std::string& dataRoot) : dataRoot_(canonical(dataRoot)) {}

  // The calendar in folder `path`, found or added; none when the folder does not exist.
  FolderCalendar* add(const std::string& path, std::optional<SourceRecord> source) {
    auto real = canonical(path);
    if (!real) return nullptr;
    auto known = byPath_.find(*real);
    if (known != byPath_.end()) return &calendars_[known->second];
    if (isTaskList(*real)) return nullptr;  // no event calendar
    FolderCalendar calendar;
    calendar.path = *real;
    // Folder names are bytes; identifiers and titles travel as UTF-8 text.
    calendar.record.id = repairUtf8(idOf(*real));
    calendar.record.title = readMetadata(*real + "/displayname").value_or(repairUtf8(baseName(*real)));
    // Calendars kept under an account were synced from a server; lone ones are local.
    calendar.record.type = source ? kCalDav : kLocal;
    calendar.record.source = std::move(source);
    if (auto color = readMetadata(*real + "/color")) calendar.record.color = parseHexColor(*color);
    calendar.addresses = folderAddresses(*real);
    byPath_[*real] = calendars_.size();
    calendars_.push_back(std::move(calendar));
    return &calendars_.back();
  }

  // A folder that holds items, or no folders, is a calendar; one that holds
  // folders but no items is an account, and its folders are its calendars.
  void addTree(const std::string& root) {
    bool ignored;
    for (const std::string& top : subfolders(root, false, &ignored)) {
      const std::string path = root + "/" + top;
      bool hasItem;
      const std::vector<std::string> inside = subfolders(path, true, &hasItem);
      if (hasItem || inside.empty()) {
        add(path, std::nullopt);
        continue;
      }
      SourceRecord account{repairUtf8(top),
                           readMetadata(path + "/displayname").value_or(repairUtf8(top))};
      for (const std::string& name : inside) add(path + "/" + name, account);
    }
  }

  std::vector<FolderCalendar> take() { return std::move(calendars_); }

 private:
  // Below the data root: the relative path, as always. Elsewhere: the full
  // path, which a relative one never equals.
  std::string idOf(const std::string& real) const {
    if (dataRoot_ && real.starts_with(*dataRoot_ + "/")) return real.substr(dataRoot_->size() + 1);
    return real;
  }

  std::optional<std::string> dataRoot_;
  std::vector<FolderCalendar> calendars_;
  std::map<std::string, size_t> byPath_;
};

std::string firstExisting(const std::vector<std::string>& candidates) {
  for (const std::string& path : candidates) {
    if (::access(path.c_str(), R_OK) == 0) return path;
  }
  return "";
}

void addSynced(const SyncedFolder& synced, Finder* finder) {
  const SourceRecord account{repairUtf8(synced.pair), repairUtf8(synced.pair)};
  std::vector<std::string> paths;
  if (synced.collections) {
    bool ignored;
    for (const std::string& name : subfolders(synced.path, false, &ignored)) {
      paths.push_back(synced.path + "/" + name);
    }
  } else {
    paths.push_back(synced.path);
  }
  for (const std::string& path : paths) {
    FolderCalendar* calendar = finder->add(path, account);
    if (!calendar) continue;
    calendar->record.type = synced.type;
    if (!calendar->record.source) calendar->record.source = account;
    addAddresses(synced.addresses, &calendar->addresses);
  }
}

// The folders, but hidden ones, that a discover glob matches.
std::vector<std::string> globFolders(const std::string& pattern) {
  std::vector<std::string> folders;
  glob_t found{};
  if (::glob(pattern.c_str(), GLOB_ONLYDIR | GLOB_NOESCAPE, nullptr, &found) == 0) {
    for (size_t i = 0; i < found.gl_pathc; ++i) {
      std::string path = found.gl_pathv[i];
      while (path.size() > 1 && path.back() == '/') path.pop_back();
      if (baseName(path)[0] != '.') folders.push_back(path);
    }
  }
  ::globfree(&found);
  return folders;
}

void applyKhal(const KhalCalendar& khal, FolderCalendar* calendar, bool discovered) {
  if (!discovered) calendar->record.title = repairUtf8(khal.displayname.value_or(khal.name));
  if (khal.color) {
    if (auto color = khalColor(*khal.color)) calendar->record.color = color;
  }
  // khal marks calendars the user follows but never edits as read only.
  if (khal.readonly && calendar->record.type == kLocal) calendar->record.type = kSubscription;
  addAddresses(khal.addresses, &calendar->addresses);
}

void addKhal(const KhalCalendar& khal, Finder* finder) {
  if (khal.type != KhalType::kDiscover) {
    FolderCalendar* calendar = finder->add(khal.path, std::nullopt);
    if (!calendar) return;
    if (khal.type == KhalType::kBirthdays) {
      calendar->contacts = true;
      calendar->record.type = kBirthday;
    }
    applyKhal(khal, calendar, false);
    return;
  }
  const size_t stars = khal.path.find("**");
  if (stars != std::string::npos) {
    // Recursive discovery: every calendar of the tree below.
    std::string root = khal.path.substr(0, stars);
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    finder->addTree(root);
    return;
  }
  for (const std::string& path : globFolders(khal.path)) {
    if (FolderCalendar* calendar = finder->add(path, std::nullopt)) applyKhal(khal, calendar, true);
  }
}

// The part of a glob before its first wild card, and how many folder levels follow it.
WatchedPlace globPlace(const std::string& pattern) {
  size_t wild = pattern.find_first_of("*?[");
  if (wild == std::string::npos) return {pattern, 0, {}};
  std::string prefix = parentFolder(pattern.substr(0, wild + 1));
  const std::string rest = pattern.substr(prefix.size());
  int levels = static_cast<int>(std::count(rest.begin(), rest.end(), '/'));
  if (rest.find("**") != std::string::npos) levels = kTreeLevels;
  return {prefix, std::max(levels, 1), {}};
}

}  // namespace

CalendarPlaces defaultCalendarPlaces(const EnvLookup& env) {
  CalendarPlaces places;
  const char* home = env("HOME");
  const std::string homeFolder = home ? home : "";
  const std::string config = xdgFolder(env, "XDG_CONFIG_HOME", ".config");
  places.dataRoot = xdgFolder(env, "XDG_DATA_HOME", ".local/share") + "/calendars";
  places.trees = {homeFolder + "/.calendars"};
  places.khalConfigs = {config + "/khal/config", homeFolder + "/.khal/khal.conf"};
  if (const char* own = env("VDIRSYNCER_CONFIG"); own && own[0]) places.vdirsyncerConfigs = {own};
  places.vdirsyncerConfigs.push_back(homeFolder + "/.vdirsyncer/config");
  places.vdirsyncerConfigs.push_back(config + "/vdirsyncer/config");
  return places;
}

std::vector<FolderCalendar> findFolderCalendars(const CalendarPlaces& places) {
  Finder finder(places.dataRoot);
  finder.addTree(places.dataRoot);
  for (const std::string& tree : places.trees) finder.addTree(tree);
  if (std::string path = firstExisting(places.vdirsyncerConfigs); !path.empty()) {
    for (const SyncedFolder& synced : readVdirsyncerConfig(readConfigFile(path), places.env)) {
      addSynced(synced, &finder);
    }
  }
  if (std::string path = firstExisting(places.khalConfigs); !path.empty()) {
    for (const KhalCalendar& khal : readKhalConfig(readConfigFile(path), places.env)) {
      addKhal(khal, &finder);
    }
  }
  return finder.take();
}

std::vector<WatchedPlace> watchedPlaces(const CalendarPlaces& places) {
  std::vector<WatchedPlace> watched{{places.dataRoot, kTreeLevels, {}}};
  for (const std::string& tree : places.trees) watched.push_back({tree, kTreeLevels, {}});
  for (const auto* configs : {&places.khalConfigs, &places.vdirsyncerConfigs}) {
    for (const std::string& path : *configs) {
      watched.push_back({parentFolder(path), -1, {baseName(path)}});
    }
  }
  if (std::string path = firstExisting(places.vdirsyncerConfigs); !path.empty()) {
    for (const SyncedFolder& synced : readVdirsyncerConfig(readConfigFile(path), places.env)) {
      watched.push_back({synced.path, synced.collections ? 1 : 0, {}});
    }
  }
  if (std::string path = firstExisting(places.khalConfigs); !path.empty()) {
    for (const KhalCalendar& khal : readKhalConfig(readConfigFile(path), places.env)) {
      watched.push_back(khal.type == KhalType::kDiscover ? globPlace(khal.path)
                                                         : WatchedPlace{khal.path, 0, {}});
    }
  }
  return watched;
}

#include "vdir_store.h"

#include <algorithm>
#include <fstream>
#include <mutex>
#include <thread>

#include "access.h"
#include "access_dialog.h"
#include "change_watch.h"
#include "item_index.h"
#include "utf8.h"
#include "vdir_folder.h"

namespace {

// Only one access dialog at a time: a second request waits and then finds
// the first one's answer recorded.
std::mutex dialogMutex;

// The first line of a small metadata file, white space trimmed.
std::optional<std::string> readMetadata(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line)) return std::nullopt;
  if (line.size() > 4096) line.resize(4096);
  const char* space = " \t\r\n";
  size_t first = line.find_first_not_of(space);
  if (first == std::string::npos) return std::nullopt;
  return repairUtf8(line.substr(first, line.find_last_not_of(space) - first + 1));
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "#RRGGBB" or "#RRGGBBAA"; the alpha is not used.
std::optional<Rgb> parseColor(const std::string& text) {
  if ((text.size() != 7 && text.size() != 9) || text[0] != '#') return std::nullopt;
  double components[3];
  for (int i = 0; i < 3; ++i) {
    int high = hexDigit(text[1 + 2 * i]), low = hexDigit(text[2 + 2 * i]);
    if (high < 0 || low < 0) return std::nullopt;
    components[i] = (high * 16 + low) / 255.0;
  }
  if (text.size() == 9 && (hexDigit(text[7]) < 0 || hexDigit(text[8]) < 0)) return std::nullopt;
  return Rgb{components[0], components[1], components[2]};
}

struct FolderCalendar {
  std::string path;
  CalendarRecord record;
};

FolderCalendar folderCalendar(const std::string& root, const std::string& id,
                              const std::string& name, std::optional<SourceRecord> source) {
  const std::string path = root + "/" + id;
  FolderCalendar calendar{path, {}};
  // Folder names are bytes; identifiers and titles travel as UTF-8 text.
  calendar.record.id = repairUtf8(id);
  calendar.record.title = readMetadata(path + "/displayname").value_or(repairUtf8(name));
  calendar.record.source = std::move(source);
  // Calendars kept under an account were synced from a server; lone ones are local.
  calendar.record.type = calendar.record.source ? kCalDav : kLocal;
  if (auto color = readMetadata(path + "/color")) calendar.record.color = parseColor(*color);
  return calendar;
}

// A folder that holds items, or no folders, is a calendar; one that holds
// folders but no items is an account, and its folders are its calendars.
std::vector<FolderCalendar> discoverCalendars(const std::string& root) {
  std::vector<FolderCalendar> calendars;
  bool ignored;
  for (const std::string& top : subfolders(root, false, &ignored)) {
    bool hasItem;
    const std::vector<std::string> inside = subfolders(root + "/" + top, true, &hasItem);
    if (hasItem || inside.empty()) {
      calendars.push_back(folderCalendar(root, top, top, std::nullopt));
      continue;
    }
    SourceRecord account{repairUtf8(top),
                         readMetadata(root + "/" + top + "/displayname").value_or(repairUtf8(top))};
    for (const std::string& name : inside) {
      calendars.push_back(folderCalendar(root, top + "/" + name, name, account));
    }
  }
  return calendars;
}

// Sync tools name a calendar or account folder after the user's address
// (a CalDAV server's calendar home is often the address itself): such names
// are the addresses that make a participant "me".
std::vector<std::string> ownerAddresses(const std::string& calendarId) {
  std::vector<std::string> addresses;
  size_t start = 0;
  while (start <= calendarId.size()) {
    size_t slash = calendarId.find('/', start);
    if (slash == std::string::npos) slash = calendarId.size();
    std::string name = calendarId.substr(start, slash - start);
    if (name.find('@') != std::string::npos) {
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      addresses.push_back(name);
    }
    start = slash + 1;
  }
  return addresses;
}

std::vector<ItemFolder> itemFolders(const std::vector<FolderCalendar>& calendars) {
  std::vector<ItemFolder> folders;
  for (const FolderCalendar& calendar : calendars) {
    folders.push_back({calendar.path,
                       ItemOwner{calendar.record.id, "", ownerAddresses(calendar.record.id)}});
  }
  return folders;
}

class VdirStore : public CalendarStore {
 public:
  VdirStore(std::string root, std::string accessPath, std::shared_ptr<ItemIndex> index)
      : root_(std::move(root)), accessPath_(std::move(accessPath)), index_(std::move(index)) {}

  AuthorizationStatus authorizationStatus() const override {
    return readAccessRecord(accessPath_);
  }

  void requestAccess(std::function<void()> completion) override {
    std::thread([path = accessPath_, completion = std::move(completion)] {
      {
        std::lock_guard<std::mutex> lock(dialogMutex);
        if (readAccessRecord(path) == kNotDetermined) {
          if (auto program = findDialogProgram(systemEnv)) {
            if (auto answer = askForAccess(*program)) writeAccessRecord(path, *answer);
          }
        }
      }
      completion();
    }).detach();
  }

  std::unique_ptr<CalendarStore> reopen() const override {
    // Handles share the index: a new handle need not read every file again.
    return std::make_unique<VdirStore>(root_, accessPath_, index_);
  }

  std::vector<CalendarRecord> calendars() override {
    std::vector<CalendarRecord> records;
    for (FolderCalendar& calendar : discoverCalendars(root_)) {
      records.push_back(std::move(calendar.record));
    }
    return records;
  }

  std::vector<EventRecord> events(Instant start, Instant end) override {
    return index_->events(itemFolders(discoverCalendars(root_)), start, end);
  }

  std::unique_ptr<ChangeSubscription> observeChanges(std::function<void()> onChange) override {
    return watchCalendarFolders(root_, std::move(onChange));
  }

 private:
  std::string root_;
  std::string accessPath_;
  std::shared_ptr<ItemIndex> index_;
};

}  // namespace

std::string defaultCalendarRoot(const EnvLookup& env) {
  return xdgFolder(env, "XDG_DATA_HOME", ".local/share") + "/calendars";
}

std::unique_ptr<CalendarStore> makeVdirStore(const std::string& root,
                                             const std::string& accessPath) {
  return std::make_unique<VdirStore>(root, accessPath, std::make_shared<ItemIndex>(root));
}

#include "vdir/item_index.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "vdir/vcard_birthdays.h"
#include "vdir/vdir_folder.h"

namespace {

// An item is one event with its overrides: far below this. A larger file is
// not read, so one stray export cannot exhaust memory.
constexpr off_t kLargestItem = 64 << 20;

// With plain calls: opening a stream cost a tenth of reading a large store.
bool readItem(const std::string& path, std::string* text) {
  // Non-blocking, so that a pipe put in an item's place cannot stall the read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info;
  bool read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kLargestItem;
  if (read) {
    text->resize(static_cast<size_t>(info.st_size));
    size_t got = 0;
    while (got < text->size()) {
      const ssize_t n = ::read(fd, text->data() + got, text->size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    text->resize(got);
  }
  ::close(fd);
  return read;
}

// The item file names in `folder`, sorted.
std::vector<std::string> itemNames(const std::string& folder, bool contacts) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return names;
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name[0] != '.' && (contacts ? isContactName(name) : isItemName(name))) {
      names.push_back(name);
    }
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

// Beyond this many threads the disk and the allocator, not parsing, set the pace.
constexpr unsigned kMostReaders = 4;
// Fewer files than this are read on the calling thread alone.
constexpr size_t kFilesWorthAThread = 64;

struct ItemFile {
  std::string path;
  ItemOwner owner;
};

// The items of `files`, in their order; none for a file that cannot be read.
// Parsed on every core (up to a few): reading a large store is nearly all of
// the first answer's time.
std::vector<std::shared_ptr<const IcsItem>> readItemFiles(const std::vector<ItemFile>& files) {
  std::vector<std::shared_ptr<const IcsItem>> items(files.size());
  std::atomic<size_t> next{0};
  std::mutex failureMutex;
  std::exception_ptr failure;
  auto readSome = [&] {
    std::string text;
    try {
      for (size_t i; (i = next++) < files.size();) {
        if (!readItem(files[i].path, &text)) continue;
        const ItemOwner& owner = files[i].owner;
        items[i] = readIcsItem(owner.birthdays ? birthdayCalendar(text) : text, owner);
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(failureMutex);
      failure = std::current_exception();
      next = files.size();
    }
  };
  std::vector<std::thread> helpers;
  const unsigned cores = std::min(std::max(1u, std::thread::hardware_concurrency()), kMostReaders);
  for (unsigned n = 1; n < cores && files.size() >= kFilesWorthAThread; ++n) {
    try {
      helpers.emplace_back(readSome);
    } catch (const std::system_error&) {
      break;  // no thread to be had: the calling thread reads the rest
    }
  }
  readSome();
  for (std::thread& helper : helpers) helper.join();
  // Failed as a read on this thread would have: the command goes unanswered.
  if (failure) std::rethrow_exception(failure);
  return items;
}

}  // namespace

bool ItemIndex::Stamp::operator==(const Stamp& other) const {
  return device == other.device && inode == other.inode && size == other.size &&
         modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

void ItemIndex::refresh(const std::vector<ItemFolder>& folders) {
  std::unordered_map<std::string, Entry> previous;
  for (auto& [path, entry] : entries_) previous.emplace(path, std::move(entry));
  entries_.clear();
  items_.clear();
  std::map<std::string, std::string> owners;
  std::vector<ItemFile> toRead;
  std::vector<size_t> readInto;  // the entry of each file to read
  for (const ItemFolder& folder : folders) {
    // Items carry their owner's values: a folder whose owner changed is read again.
    const std::string key = ownerKey(folder.owner);
    const bool sameOwner = owners_[folder.path] == key;
    owners[folder.path] = key;
    for (const std::string& name : itemNames(folder.path, folder.owner.birthdays)) {
      const std::string path = folder.path + "/" + name;
      struct stat info;
      // A file that cannot be read is skipped; it never hides the other events.
      if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
      Entry entry{{info.st_dev, info.st_ino, info.st_size, info.st_mtim}, nullptr};
      auto old = previous.find(path);
      if (sameOwner && old != previous.end() && old->second.stamp == entry.stamp) {
        entry.item = std::move(old->second.item);
      } else {
        ItemOwner owner = folder.owner;
        // Names are bytes; the id is the uid of events without one, and must be text.
        owner.itemId = owner.calendarId + "/" + nameText(name);
        toRead.push_back({path, std::move(owner)});
        readInto.push_back(entries_.size());
      }
      entries_.emplace_back(path, std::move(entry));
    }
  }
  owners_ = std::move(owners);
  std::vector<std::shared_ptr<const IcsItem>> read = readItemFiles(toRead);
  for (size_t i = 0; i < read.size(); ++i) entries_[readInto[i]].second.item = std::move(read[i]);
  std::erase_if(entries_, [](const auto& entry) { return !entry.second.item; });
  for (const auto& entry : entries_) items_.push_back(entry.second.item);
}

void ItemIndex::refreshIfStale(const std::vector<ItemFolder>& folders) {
  std::string key;
  for (const ItemFolder& folder : folders) key += folder.path + '\n' + ownerKey(folder.owner);
  // Cleared before reading, so a change during the refresh is read next time.
  if (stale_.exchange(false) || key != folderKey_) {
    window_.clear();
    refresh(folders);
    folderKey_ = key;
  }
}

std::vector<EventRecord> ItemIndex::events(const std::vector<ItemFolder>& folders, Instant start,
                                           Instant end) {
  refreshIfStale(folders);
  return window_.events(items_, start, end);
}

void ItemIndex::visitEvents(const std::vector<ItemFolder>& folders, Instant start, Instant end,
                            const CalendarStore::EventVisit& visit) {
  refreshIfStale(folders);
  window_.visit(items_, start, end, visit);
}

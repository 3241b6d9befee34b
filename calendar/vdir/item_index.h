#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "ical/ics_file.h"
#include "ical/occurrence_window.h"
#include "store.h"

#include "vdir/folder_places.h"

// A calendar folder whose items are listed: `*.ics` files, or `*.vcf`
// contacts for a birthday calendar (`owner.birthdays`).
struct ItemFolder {
  std::string path;
  ItemOwner owner;  // its item id is filled in per file
};

// The items of calendar folders, each file read once: after markStale, a
// query re-reads only the files whose size, time or inode changed; without
// it a query reads no file at all (the owner keeps it told of changes).
class ItemIndex {
 public:
  // The next query checks every file again. Callable from any thread.
  void markStale() { stale_ = true; }

  // The occurrences in [start, end) of the items in `folders`, by start, then
  // end; ties keep the order of folders and file names. Called on one thread
  // at a time.
  std::vector<EventRecord> events(const std::vector<ItemFolder>& folders, Instant start,
                                  Instant end);

  // The same occurrences handed to `visit` uncopied (see CalendarStore::visitEvents).
  void visitEvents(const std::vector<ItemFolder>& folders, Instant start, Instant end,
                   const CalendarStore::EventVisit& visit);

 private:
  struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    bool operator==(const Stamp& other) const;
  };
  struct Entry {
    Stamp stamp;
    std::shared_ptr<const IcsItem> item;
  };

  void refresh(const std::vector<ItemFolder>& folders);
  void refreshIfStale(const std::vector<ItemFolder>& folders);

  std::atomic<bool> stale_{true};
  std::string folderKey_;  // the folders the entries were read for
  std::map<std::string, std::string> owners_;  // each folder's owner, as read
  std::vector<std::pair<std::string, Entry>> entries_;  // in listing order
  std::vector<std::shared_ptr<const IcsItem>> items_;   // the same, for the window
  OccurrenceWindow window_;
};

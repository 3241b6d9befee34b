#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "change_merge.h"
#include "vdir/folder_places.h"
#include "store.h"

// A running watch; destroying it stops the watch.
class FolderWatch : public ChangeSubscription {
 public:
  // False when no watch could be started (no inotify instance or no thread):
  // then no change is ever reported.
  virtual bool running() const = 0;
};

// Watches the places that `places` gives and calls `onChange` on a thread of
// its own after items (`*.ics`, `*.vcf`) or calendar metadata (`displayname`,
// `color`) in them were added, replaced, changed or removed, after folders
// came or went within their levels, and after a named file changed. Places
// are asked for again after each such change (a configuration file may name
// new ones); a missing place is waited for. Folders whose names begin with a
// dot are ignored. `onChange` calls are merged under `window`; `atOnce`, when
// given, is called on the same thread as soon as each change is seen, unmerged.
// Destroying the result stops the watch; no call runs after that.
std::unique_ptr<FolderWatch> watchCalendarFolders(
    std::function<std::vector<WatchedPlace>()> places, std::function<void()> onChange,
    MergeWindow window = {}, std::function<void()> atOnce = {});

// The same for one vdir tree (accounts and calendars) at `root`.
std::unique_ptr<ChangeSubscription> watchCalendarFolders(const std::string& root,
                                                         std::function<void()> onChange,
                                                         MergeWindow window = {});

#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "store.h"

// How file events are merged into change calls: a call comes once no further
// event arrived for `quiet`, and never later than `longest` after the first
// event of a burst. A sync rewriting hundreds of files gives one call, or one
// per `longest` when it takes longer than that.
struct MergeWindow {
  std::chrono::milliseconds quiet{150};
  std::chrono::milliseconds longest{400};
};

// Watches the vdir tree under `root` (the root, its account folders and
// their calendar folders, following folders that come and go; a missing root
// is waited for) and calls `onChange` on a thread of its own after items
// (`*.ics`) or calendar metadata (`displayname`, `color`) were added,
// replaced, changed or removed. Folders whose names begin with a dot are
// ignored. Destroying the result stops the watch; no call runs after that.
std::unique_ptr<ChangeSubscription> watchCalendarFolders(const std::string& root,
                                                         std::function<void()> onChange,
                                                         MergeWindow window = {});

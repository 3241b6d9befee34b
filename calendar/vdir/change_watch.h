#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "change_merge.h"
#include "vdir/folder_places.h"
#include "store.h"

// Watches the places that `places` gives and calls `onChange` on a thread of
// its own after items (`*.ics`, `*.vcf`) or calendar metadata (`displayname`,
// `color`) in them were added, replaced, changed or removed, after folders
// came or went within their levels, and after a named file changed. Places
// are asked for again after each such change (a configuration file may name
// new ones); a missing place is waited for. Folders whose names begin with a
// dot are ignored. Destroying the result stops the watch; no call runs after that.
std::unique_ptr<ChangeSubscription> watchCalendarFolders(
    std::function<std::vector<WatchedPlace>()> places, std::function<void()> onChange,
    MergeWindow window = {});

// The same for one vdir tree (accounts and calendars) at `root`.
std::unique_ptr<ChangeSubscription> watchCalendarFolders(const std::string& root,
                                                         std::function<void()> onChange,
                                                         MergeWindow window = {});

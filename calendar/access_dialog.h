#pragma once

#include <functional>
#include <optional>
#include <string>

#include "env.h"

// The yes/no dialog program to ask with: zenity, else kdialog, from PATH; none
// when neither is installed or no display (DISPLAY or WAYLAND_DISPLAY) is set.
std::optional<std::string> findDialogProgram(const EnvLookup& env);

// Asks the user with `program`, titled with the bridge's name and showing the
// calendar usage text; blocks until answered. Gives true for allow, false for
// deny, nothing when the dialog could not be shown or was dismissed unanswered.
std::optional<bool> askForAccess(const std::string& program);

// Asks the user, on a thread of its own, when the access record at
// `accessPath` holds no answer yet, records the answer, then runs
// `completion`. One dialog at a time: a request that waited for another
// finds its answer recorded and asks nothing.
void requestAccessInBackground(const std::string& accessPath, std::function<void()> completion);

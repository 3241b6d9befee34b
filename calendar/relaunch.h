#pragma once

// Relaunches the executable once as a copy marked "--disclaimed", spawned with
// the responsibility-disclaim attribute, so that the copy is the process held
// responsible for calendar privacy. Returns when this process is to serve:
// it is the copy, or the disclaim function (looked up by name) is missing or
// fails, or the spawn fails. Otherwise never returns: this process becomes
// the launcher, waits for the copy and exits with its exit code (0 when a
// signal ended it), forwarding SIGTERM to it and exiting with 0 on SIGTERM.
void relaunchDisclaimed(int argc, char** argv);

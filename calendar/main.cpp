#include <signal.h>
#include <unistd.h>

#include <thread>

#include "access.h"
#include "globals.h"
#include "input_reader.h"
#include "protocol.h"
#include "relaunch.h"
#include "vdir_store.h"

int main(int argc, char** argv) {
  disclaimedChild = 0;
  relaunchDisclaimed(argc, argv);
  // A closed stdout shows as a failed write (send then exits) instead of killing us.
  ::signal(SIGPIPE, SIG_IGN);
  output = std::make_unique<SerialQueue>("zuna-calendar.output");
  work = std::make_unique<SerialQueue>("zuna-calendar.store");
  store = makeVdirStore(defaultCalendarPlaces(systemEnv), accessRecordPath(systemEnv));
  iso = InstantFormatter{kInternetDateTime};
  isoFractional = InstantFormatter{kInternetDateTime | kFractionalSeconds};
  changeObserver = nullptr;
  observeChanges();
  std::thread([] {
    readInputLines(STDIN_FILENO, handle);
    output->sync([] {});
    // Commands still on `work` are not waited for; _exit skips destructors
    // that would race with them.
    _exit(0);
  }).detach();
  for (;;) ::pause();
}

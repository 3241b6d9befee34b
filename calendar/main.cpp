#include <signal.h>
#include <unistd.h>

#include <thread>

#include "access.h"
#include "combined_store.h"
#include "eds/eds_store.h"
#include "eds/glib_logs.h"
#include "globals.h"
#include "input_reader.h"
#include "protocol.h"
#include "relaunch.h"
#include "send.h"
#include "vdir/vdir_store.h"

int main(int argc, char** argv) {
  disclaimedChild = 0;
  relaunchDisclaimed(argc, argv);
  // A closed stdout shows as a failed write (send then exits) instead of killing us.
  ::signal(SIGPIPE, SIG_IGN);
  widenOutputPipe(STDOUT_FILENO);
  keepGlibLogsOffStderr();
  output = std::make_unique<SerialQueue>("zuna-calendar.output");
  work = std::make_unique<SerialQueue>("zuna-calendar.store");
  std::vector<std::unique_ptr<CalendarStore>> stores;
  stores.push_back(makeVdirStore(defaultCalendarPlaces(systemEnv), accessRecordPath(systemEnv)));
  if (auto eds = makeEdsStore(systemEnv, accessRecordPath(systemEnv))) stores.push_back(std::move(eds));
  store = makeCombinedStore(std::move(stores));
  iso = InstantFormatter{kInternetDateTime};
  isoFractional = InstantFormatter{kInternetDateTime | kFractionalSeconds};
  changeObserver = nullptr;
  observeChanges();
  std::thread([] {
    readInputLines(STDIN_FILENO, handle);
    // Lines queued until now are written; a line that a command still on
    // `work` sends later is dropped whole rather than cut by the exit.
    output->close();
    // Commands still on `work` are not waited for; _exit skips destructors
    // that would race with them.
    _exit(0);
  }).detach();
  for (;;) ::pause();
}

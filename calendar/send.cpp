#include "send.h"

#include <unistd.h>

#include "globals.h"
#include "json_line.h"

void send(nlohmann::json object) {
  output->async([object = std::move(object)] {
    auto line = jsonLine(object);
    if (!line) return;
    // SIGPIPE is ignored by main, so a closed pipe shows here as a failed write.
    if (!writeAll(STDOUT_FILENO, *line)) _exit(0);
  });
}

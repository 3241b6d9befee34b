#include "send.h"

#include <unistd.h>

#include "globals.h"
#include "json_line.h"

void send(nlohmann::json object) {
  // Serialized on the caller's thread: the object is built and freed by the
  // same thread (freeing a large tree on another thread costs allocator
  // locks), and `output` only writes. The lines keep the order of the calls.
  auto line = jsonLine(object);
  if (!line) return;
  output->async([line = std::move(*line)] {
    // SIGPIPE is ignored by main, so a closed pipe shows here as a failed write.
    if (!writeAll(STDOUT_FILENO, line)) _exit(0);
  });
}

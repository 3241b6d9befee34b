#include "send.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>

#include "globals.h"
#include "json_line.h"

void send(nlohmann::json object) {
  // Serialized on the caller's thread: the object is built and freed by the
  // same thread (freeing a large tree on another thread costs allocator
  // locks), and `output` only writes. The lines keep the order of the calls.
  if (auto line = jsonLine(object)) sendLine(std::move(*line));
}

void sendLine(std::string line) {
  output->async([line = std::move(line)] {
    // SIGPIPE is ignored by main, so a closed pipe shows here as a failed write.
    if (!writeAll(STDOUT_FILENO, line)) _exit(0);
  });
}

void widenOutputPipe(int fd) {
  // A month's answer is about half a megabyte: with the pipe as large as an
  // unprivileged process may make it, it is written in one go instead of in
  // sixteen turns between the bridge and its reader.
  int largest = 0;
  std::ifstream("/proc/sys/fs/pipe-max-size") >> largest;
  if (largest > 0) ::fcntl(fd, F_SETPIPE_SZ, std::min(largest, 1 << 20));
}

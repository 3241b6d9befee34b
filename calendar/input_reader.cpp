#include "input_reader.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace {

void deliver(std::string line, bool terminated,
             const std::function<void(const std::string&)>& onLine) {
  if (terminated && !line.empty() && line.back() == '\r') line.pop_back();
  onLine(repairUtf8(line));
}

}  // namespace

void readInputLines(int fd, const std::function<void(const std::string&)>& onLine) {
  std::string pending;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // A non-blocking descriptor inherited from the application: no input
      // yet is not the end of it.
      pollfd ready{fd, POLLIN, 0};
      ::poll(&ready, 1, -1);
      continue;
    }
    if (n <= 0) break;
    size_t start = 0;
    for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
      if (buffer[i] != '\n') continue;
      pending.append(buffer + start, i - start);
      deliver(std::move(pending), true, onLine);
      pending.clear();
      start = i + 1;
    }
    pending.append(buffer + start, static_cast<size_t>(n) - start);
  }
  if (!pending.empty()) deliver(std::move(pending), false, onLine);
}

#include "standard_streams.h"

#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace {

bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

}  // namespace

void prepareStandardStreams() {
  // In this order each open takes the lowest free number: the closed one.
  for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (!isOpen(fd)) ::open("/dev/null", O_RDWR);
  }
  int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null >= 0) {
    ::dup2(null, STDERR_FILENO);
    ::close(null);
  }
  std::signal(SIGPIPE, SIG_IGN);
}

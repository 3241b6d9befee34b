#include "relaunch.h"

#include <dlfcn.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "globals.h"

extern char** environ;

namespace {

using DisclaimFunction = int (*)(posix_spawnattr_t*, int);

std::string executablePath(const char* argument0) {
  char path[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n > 0) return std::string(path, static_cast<size_t>(n));
  return argument0 ? argument0 : "";
}

void forwardTermination(int) {
  const pid_t child = disclaimedChild.load();
  if (child > 0) ::kill(child, SIGTERM);
  _exit(0);
}

}  // namespace

void relaunchDisclaimed(int argc, char** argv) {
  for (int i = 0; i < argc; ++i) {
    if (argv[i] && std::strcmp(argv[i], "--disclaimed") == 0) return;
  }
  auto disclaim = reinterpret_cast<DisclaimFunction>(
      ::dlsym(RTLD_DEFAULT, "responsibility_spawnattrs_setdisclaim"));
  if (!disclaim) return;
  const std::string path = executablePath(argc > 0 ? argv[0] : nullptr);
  if (path.empty()) return;  // nothing to relaunch: serve here
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (disclaim(&attributes, 1) != 0) {
    posix_spawnattr_destroy(&attributes);
    return;
  }
  // SIGTERM stays blocked from before the spawn until the handler is in
  // place: one arriving in between would end the launcher and orphan the copy.
  sigset_t term, previous;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  ::sigprocmask(SIG_BLOCK, &term, &previous);
  short flags = 0;
  posix_spawnattr_getflags(&attributes, &flags);
  posix_spawnattr_setflags(&attributes, flags | POSIX_SPAWN_SETSIGMASK);
  posix_spawnattr_setsigmask(&attributes, &previous);  // the copy starts as we did
  char* childArgv[] = {::strdup(path.c_str()), ::strdup("--disclaimed"), nullptr};
  pid_t child = 0;
  const int spawned =
      ::posix_spawn(&child, path.c_str(), nullptr, &attributes, childArgv, environ);
  std::free(childArgv[0]);
  std::free(childArgv[1]);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) {
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    return;
  }
  disclaimedChild = child;
  ::signal(SIGTERM, forwardTermination);
  ::sigprocmask(SIG_SETMASK, &previous, nullptr);
  int status = 0;
  ::waitpid(child, &status, 0);
  _exit((status >> 8) & 0xFF);
}

#include "run_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

extern char** environ;

namespace {

std::vector<std::string> environment(const std::vector<std::string>& added) {
  std::vector<std::string> all;
  for (char** e = environ; *e; ++e) all.push_back(*e);
  all.insert(all.end(), added.begin(), added.end());
  return all;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// Reads both pipes until they end, killing the child once `deadline` passes.
void collect(int outFd, int errFd, pid_t pid, int timeoutSeconds, ProcessResult* result) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* sinks[2] = {&result->out, &result->err};
  int open = 0;
  for (pollfd& fd : fds) open += fd.fd >= 0;
  while (open > 0) {
    int wait = -1;
    if (timeoutSeconds > 0 && !result->timedOut) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      wait = static_cast<int>(std::max<long long>(0, left.count()));
    }
    const int ready = poll(fds, 2, wait);
    if (ready < 0) break;
    if (ready == 0) {
      kill(pid, SIGKILL);
      result->timedOut = true;
      continue;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buffer[65536];
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
}

}  // namespace

ProcessResult runProcess(const std::vector<std::string>& argv, const RunOptions& options) {
  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (options.stdoutMode == ChildStdout::closed) {
    posix_spawn_file_actions_addclose(&actions, 1);
  } else {
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  }
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  if (!options.cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, options.cwd.c_str());
  if (options.stdoutMode != ChildStdout::collected) {
    close(outPipe[0]);
    outPipe[0] = -1;
  }
  // The test runner may ignore SIGPIPE; the child must meet the default.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

  std::vector<std::string> args = argv;
  std::vector<char*> argp = pointers(args);
  std::vector<std::string> env = environment(options.env);
  std::vector<char*> envp = pointers(env);

  pid_t pid = 0;
  int spawned = posix_spawn(&pid, argp[0], &actions, &attributes, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(outPipe[1]);
  close(errPipe[1]);
  ProcessResult result;
  if (spawned != 0) {
    if (outPipe[0] >= 0) close(outPipe[0]);
    close(errPipe[0]);
    return result;
  }
  collect(outPipe[0], errPipe[0], pid, options.timeoutSeconds, &result);
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

ProcessResult runProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& env, const std::string& cwd) {
  RunOptions options;
  options.env = env;
  options.cwd = cwd;
  return runProcess(argv, options);
}

#include "access_dialog.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>
#include <thread>
#include <vector>

#include "access.h"
#include "property_list.h"
#include "text.h"

extern char** environ;

namespace {

std::optional<std::string> onPath(const std::string& path, const std::string& name) {
  for (const std::string& dir : splitAt(path, ':')) {
    std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    struct stat info;
    if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return std::nullopt;
}

std::vector<std::string> dialogArguments(const std::string& program) {
  using namespace propertyList;
  if (program.ends_with("kdialog")) {
    return {program, "--title", bundleName, "--yes-label", "Allow", "--no-label", "Don't Allow",
            "--yesno", calendarsFullAccessUsageDescription};
  }
  return {program, "--question", std::string("--title=") + bundleName,
          std::string("--text=") + calendarsFullAccessUsageDescription, "--ok-label=Allow",
          "--cancel-label=Don't Allow"};
}

}  // namespace

std::optional<std::string> findDialogProgram(const EnvLookup& env) {
  const char* display = env("DISPLAY");
  const char* wayland = env("WAYLAND_DISPLAY");
  if (!(display && *display) && !(wayland && *wayland)) return std::nullopt;
  const char* path = env("PATH");
  if (!path) return std::nullopt;
  for (const char* name : {"zenity", "kdialog"}) {
    if (auto found = onPath(path, name)) return found;
  }
  return std::nullopt;
}

std::optional<bool> askForAccess(const std::string& program) {
  std::vector<std::string> args = dialogArguments(program);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  // The dialog must not read the protocol's stdin or write into its stdout.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return std::nullopt;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return std::nullopt;
  }
  if (!WIFEXITED(status)) return std::nullopt;
  // Both programs answer 0 for yes and 1 for no; anything else is no answer.
  if (WEXITSTATUS(status) == 0) return true;
  if (WEXITSTATUS(status) == 1) return false;
  return std::nullopt;
}

void requestAccessInBackground(const std::string& accessPath, std::function<void()> completion) {
  auto shared = std::make_shared<std::function<void()>>(std::move(completion));
  try {
    std::thread([accessPath, shared] {
      {
        static std::mutex dialogMutex;
        std::lock_guard<std::mutex> lock(dialogMutex);
        if (readAccessRecord(accessPath) == kNotDetermined) {
          if (auto program = findDialogProgram(systemEnv)) {
            if (auto answer = askForAccess(*program)) writeAccessRecord(accessPath, *answer);
          }
        }
      }
      (*shared)();
    }).detach();
  } catch (const std::system_error&) {
    // No thread for the dialog: no dialog can be shown, nothing is recorded,
    // and the request is still answered.
    (*shared)();
  }
}

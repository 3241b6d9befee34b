#pragma once

#include <string>
#include <vector>

// What a finished child process left behind.
struct ProcessResult {
  int status = -1;  // exit status, or 128 + signal number
  std::string out;
  std::string err;
  bool timedOut = false;  // killed after RunOptions::timeoutSeconds
};

// Where the child's stdout goes.
enum class ChildStdout {
  collected,     // a pipe read into ProcessResult::out
  readerClosed,  // a pipe whose reading end is closed before the child starts
  closed,        // no file descriptor 1 at all
};

struct RunOptions {
  std::vector<std::string> env;  // "NAME=value", added to the inherited environment
  std::string cwd;               // the child's working folder when not empty
  ChildStdout stdoutMode = ChildStdout::collected;
  int timeoutSeconds = 0;  // above 0: the child is killed when it runs longer
};

// Runs `argv` (argv[0] is the executable path) to completion with empty
// stdin and SIGPIPE at its default action, collecting stdout and stderr.
ProcessResult runProcess(const std::vector<std::string>& argv, const RunOptions& options);

// The same with `env` added to the inherited environment and a non-empty
// `cwd` as the child's working folder.
ProcessResult runProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& env = {}, const std::string& cwd = "");

#pragma once

#include <string>
#include <vector>

// What a finished child process left behind.
struct ProcessResult {
  int status = -1;  // exit status, or 128 + signal number
  std::string out;
  std::string err;
};

// Runs `argv` (argv[0] is the executable path) to completion with empty
// stdin, collecting stdout and stderr. `env` entries ("NAME=value") are added
// to the inherited environment; a non-empty `cwd` is the child's working folder.
ProcessResult runProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& env = {}, const std::string& cwd = "");

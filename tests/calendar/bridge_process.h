#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// A zuna-calendar (or any) child process with pipes on its standard streams.
class BridgeProcess {
 public:
  // `env` entries ("NAME=value") replace the whole environment.
  BridgeProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env);
  ~BridgeProcess();

  pid_t pid() const { return pid_; }

  // Writes raw bytes to the child's stdin.
  bool sendRaw(const std::string& bytes);
  bool sendLine(const std::string& line) { return sendRaw(line + "\n"); }
  void closeStdin();
  void closeStdout();

  // The next line of stdout, without its line feed; nothing on timeout or end.
  std::optional<std::string> nextLine(std::chrono::milliseconds timeout = std::chrono::seconds(5));

  // Every remaining line until stdout ends (or the timeout passes).
  std::vector<std::string> remainingLines(std::chrono::milliseconds timeout = std::chrono::seconds(10));

  // What was read after the last line feed: a cut line once stdout has ended.
  const std::string& unterminated() const { return buffered_; }

  // The exit status (128 + signal when killed), or nothing on timeout.
  std::optional<int> waitExit(std::chrono::milliseconds timeout = std::chrono::seconds(5));

  // Everything the child wrote to stderr so far.
  std::string errors();

 private:
  pid_t pid_ = -1;
  int in_ = -1, out_ = -1, err_ = -1;
  std::string buffered_;
  std::optional<int> status_;
};

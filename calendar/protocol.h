#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

// A request line that can be understood: an object whose "cmd" is a string.
struct Request {
  std::string cmd;
  nlohmann::json id;      // null when the line had none
  nlohmann::json object;  // the whole request
};

// Lines nested deeper than this are dropped unread: echoing such an "id"
// would recurse once per level and overflow the stack.
inline constexpr int kDeepestNesting = 512;

// The request in `line`, or nothing when the line is to be dropped: not one
// JSON object, "cmd" missing or not a string, or nested too deeply.
std::optional<Request> parseRequest(const std::string& line);

// The word for an authorization status ("granted", "notDetermined", ...).
std::string statusWord(int status);

// Parses one input line and queues its command on `work`; drops it silently
// when it cannot be understood. Called on the reader thread; never waits.
void handle(const std::string& line);

// Replaces the change subscription with one on the current `store` that sends
// the change line. Called by main, then only on `work`.
void observeChanges();

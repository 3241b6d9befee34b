#include "protocol.h"

#include <functional>

#include "calendars_answer.h"
#include "events_answer.h"
#include "events_line.h"
#include "globals.h"
#include "send.h"

using nlohmann::json;

namespace {

// The deepest nesting of arrays and objects in `text`, counted outside strings.
int nestingDepth(const std::string& text) {
  int depth = 0, deepest = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

void answer(const Request& request, const char* member, json value) {
  // Built member by member: an initializer list would copy the whole value.
  json line = json::object();
  line["id"] = request.id;
  line[member] = std::move(value);
  send(std::move(line));
}

std::string currentStatusWord() { return statusWord(store->authorizationStatus()); }

// Asks the store for access; when the user has answered, renews the store
// handle and the subscription on `work`, then runs `completion` there.
void requestAccess(std::function<void()> completion) {
  store->requestAccess([completion = std::move(completion)] {
    work->async([completion] {
      store = store->reopen();
      observeChanges();
      completion();
    });
  });
}

void statusCommand(const Request& request) { answer(request, "status", currentStatusWord()); }

void requestCommand(const Request& request) {
  if (currentStatusWord() != "notDetermined") {
    answer(request, "status", currentStatusWord());
    return;
  }
  requestAccess([id = request.id] { send(json{{"id", id}, {"status", currentStatusWord()}}); });
}

void calendarsCommand(const Request& request) {
  answer(request, "calendars", calendarsAnswer(store->calendars()));
}

void eventsCommand(const Request& request) {
  auto range = eventsRange(request.object, iso, isoFractional);
  if (!range) {
    answer(request, "error", "bad_range");
    return;
  }
  // Written straight into the line: a year's answer as a tree of values
  // costs more time and memory than all else the command does.
  if (auto line = eventsLine(request.id, *store, range->first, range->second, iso)) {
    sendLine(std::move(*line));
  }
}

struct Command {
  const char* name;
  bool needsAccess;
  void (*run)(const Request&);
};

const Command commandTable[] = {
    {"status", false, statusCommand},
    {"request", false, requestCommand},
    {"calendars", true, calendarsCommand},
    {"events", true, eventsCommand},
};

// One command job, on `work`.
void runCommand(const Request& request) {
  for (const Command& command : commandTable) {
    if (request.cmd != command.name) continue;
    if (command.needsAccess && currentStatusWord() != "granted") {
      answer(request, "error", "not_granted");
      return;
    }
    command.run(request);
    return;
  }
  answer(request, "error", "unknown_command");
}

}  // namespace

std::optional<Request> parseRequest(const std::string& line) {
  if (nestingDepth(line) > kDeepestNesting) return std::nullopt;
  json object = json::parse(line, nullptr, false);
  if (!object.is_object()) return std::nullopt;  // also a parse failure (discarded)
  auto cmd = object.find("cmd");
  if (cmd == object.end() || !cmd->is_string()) return std::nullopt;
  Request request;
  request.cmd = cmd->get<std::string>();
  auto id = object.find("id");
  if (id != object.end()) request.id = *id;
  request.object = std::move(object);
  return request;
}

std::string statusWord(int status) {
  switch (status) {
    case kNotDetermined: return "notDetermined";
    case kRestricted: return "restricted";
    case kDenied: return "denied";
    case kFullAccess: return "granted";
    case kWriteOnly: return "writeOnly";
    default: return "unknown";
  }
}

void handle(const std::string& line) {
  // A line that cannot even be parsed or queued (no memory) is dropped, as
  // one that cannot be understood is.
  try {
    auto request = parseRequest(line);
    if (!request) return;
    work->async([request = std::move(*request)] {
      // Nothing of a half-built answer is sent; the command goes unanswered.
      // The queue would catch this too; here it is the command's own rule.
      try {
        runCommand(request);
      } catch (...) {
      }
    });
  } catch (...) {
  }
}

void observeChanges() {
  changeObserver.reset();
  changeObserver = store->observeChanges([] { send(json{{"event", "changed"}}); });
}

#pragma once

#include <nlohmann/json.hpp>

// Queues `object` on `output` to be written to stdout as one whole JSON line.
// Returns at once; callable from any thread. An object with no JSON text is
// dropped. When stdout is closed, the process exits quietly with status 0:
// the application is gone and nothing more can reach it.
void send(nlohmann::json object);

// The same for a line already in jsonLine's form, line feed included.
void sendLine(std::string line);

// Makes the pipe at `fd` (stdout) larger when it is one; nothing otherwise.
void widenOutputPipe(int fd);

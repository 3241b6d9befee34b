#pragma once

#include <string>

// Whether the calendar folder `dir` is a task list: it holds items, at least
// one holds a to-do and none an event. Sync tools keep task lists beside the
// calendars of an account. A folder without items is no task list (it is a
// new calendar). Safe to call from any thread.
bool isTaskList(const std::string& dir);

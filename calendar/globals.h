#pragma once

// The bridge's process-wide state, created once by main in this order. Only
// main, the protocol layer (handle and the jobs it queues) and send touch it.

#include <atomic>
#include <memory>
#include <sys/types.h>

#include "instant.h"
#include "serial_queue.h"
#include "store.h"

// The relaunched copy's process id; 0 until a relaunch succeeded. Written once
// by relaunchDisclaimed before the SIGTERM handler that reads it is installed.
extern std::atomic<pid_t> disclaimedChild;

// Runs every write to stdout. Created by main; used by send from any thread.
extern std::unique_ptr<SerialQueue> output;

// Runs every command and every use or replacement of `store`. Created by main.
extern std::unique_ptr<SerialQueue> work;

// The calendar store handle. Opened by main; replaced on `work` after an access request.
extern std::unique_ptr<CalendarStore> store;

// Writes (and reads) whole-second instants; set by main, then only read on `work`.
extern InstantFormatter iso;

// Reads instants with a fraction of a second; set by main, then only read on `work`.
extern InstantFormatter isoFractional;

// The current change subscription. Set by observeChanges on main, then on `work`.
extern std::unique_ptr<ChangeSubscription> changeObserver;

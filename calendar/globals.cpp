#include "globals.h"

std::atomic<pid_t> disclaimedChild{0};
std::unique_ptr<SerialQueue> output;
std::unique_ptr<SerialQueue> work;
std::unique_ptr<CalendarStore> store;
InstantFormatter iso;
InstantFormatter isoFractional;
std::unique_ptr<ChangeSubscription> changeObserver;

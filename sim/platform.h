// The simulated platform's state, shared by the files that carry out the
// Win32 calls of sim/win32/windows.h: the recording (recording.cpp), the
// clock and counter (clock.cpp), the virtual driver (driver.cpp), the message
// box (message_box.cpp) and the rest (win32.cpp). One mutex guards it all.
#ifndef TORVEL_SIM_PLATFORM_H
#define TORVEL_SIM_PLATFORM_H

#include <windows.h>

#include "card.h"
#include "sim.h"

#include <chrono>
#include <mutex>
#include <vector>

namespace sim {
namespace platform {

struct State {
    bool present = true;
    int64_t acceptedLeft = -1;                     // requests still accepted; -1: no limit
    uint32_t rejectError = ERROR_INVALID_FUNCTION; // the next rejection's error
    uint32_t rejectErrorStep = 0;
    CounterMode counterMode = CounterMode::Usable;
    int64_t counterFrequency = DEFAULT_COUNTER_FREQUENCY;
    int64_t counterReadNs = DEFAULT_COUNTER_READ_NS;
    int64_t requestNs = DEFAULT_REQUEST_NS;
    bool realTime = false;
    std::chrono::steady_clock::time_point realStart = std::chrono::steady_clock::now();
    int64_t virtualNs = 0;
    bool echo = false;
    Card card; // the lines and the chips behind the driver
    std::vector<uintptr_t> openHandles;
    uintptr_t nextHandle = 0x100;
    int threads = 0;
    std::vector<Event> events;
};

extern std::mutex mutex;
extern State state;
// The calling thread's last error, as GetLastError gives it.
extern thread_local DWORD lastError;

// The rest is called with the mutex held.

// The clock now: virtual, or the host's monotonic clock in real time.
int64_t Now();
// Moves the virtual clock on; nothing in real time, where time passes anyway.
void Advance(int64_t nanoseconds);
// Time that the driver spends on a request beyond its usual cost: spun away
// in real time, so that the line changes keep their spacing.
void Spend(int64_t nanoseconds);

// The number of the calling thread: 1 for the first that called since Reset.
int ThisThread();
// Appends a platform call to the recording.
Event &Record(Call call);
// Completes a recorded call with its result and time; a failure sets the
// calling thread's last error.
void Finish(Event &event, bool ok, uint32_t error);

} // namespace platform
} // namespace sim

#endif

// The simulated card for the host: a virtual driver for "\\.\Torvel2007", a
// virtual high-resolution counter, and a recording of every platform call
// that the library makes, in order and with its time.
//
// The driver is exclusive (a second open while a handle is held fails with
// ERROR_ACCESS_DENIED), fails the open with ERROR_FILE_NOT_FOUND when absent,
// and keeps the levels of the card's lines between calls. IOCTL_LINE_RAISE and
// IOCTL_LINE_LOWER drive the lines in their byte high or low; the preset
// request frees the bus. Behind the driver sits the simulated card (card.h):
// open-drain bus lines, the transmitter chip and the RDS encoder, which read
// the bus and acknowledge what they take, and an analyser that decodes the
// bus and checks its timing. Any other request code is rejected with
// ERROR_INVALID_FUNCTION.
//
// The clock is virtual by default: it starts at 0 and moves only when the
// library calls the platform, so a test never waits. Every counter read
// advances it by a fixed step, every request by the request's cost, and
// Sleep by the milliseconds asked. In real-time mode it follows the host's
// monotonic clock instead and Sleep really sleeps; tools and benchmarks use it.
//
// All functions here are safe to call from several threads; the recording is
// kept in one order across threads.
#ifndef TORVEL_SIM_SIM_H
#define TORVEL_SIM_SIM_H

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

enum class Call {
    Open,               // CreateFileA
    Request,            // DeviceIoControl
    Close,              // CloseHandle
    FrequencyQuery,     // QueryPerformanceFrequency
    CounterRead,        // QueryPerformanceCounter
    Sleep,              // Sleep
    MessageBox,         // MessageBoxA
    DisableThreadCalls, // DisableThreadLibraryCalls
};

// One platform call. Fields that do not belong to the call are zero or empty.
struct Event {
    Call call = Call::Open;
    int64_t timeNs = 0; // clock when the call returned
    int thread = 0;     // 1 for the first thread that called, 2 for the next...
    bool ok = false;    // the call's result: a handle, TRUE, or a box shown
    uint32_t error = 0; // the last error that a failed call set
    uintptr_t handle = 0;

    // Open: the path and the open parameters.
    std::string path;
    uint32_t access = 0, share = 0, disposition = 0, flags = 0;
    bool securityAttributes = false, templateFile = false;

    // Request: the code, the byte in the input buffer, the buffer sizes,
    // whether input and output were one buffer, and the levels of the lines on
    // the board after it (a chip that acknowledges holds the data line low).
    uint32_t code = 0;
    uint8_t byte = 0;
    uint32_t inputSize = 0, outputSize = 0;
    bool sameBuffer = false, bytesReturned = false, overlapped = false;
    uint8_t lines = 0;

    // FrequencyQuery: the frequency given; CounterRead: the counter value;
    // Sleep: the milliseconds asked; MessageBox: the style.
    int64_t value = 0;

    // CounterRead: a spin reads the counter thousands of times, so a run of
    // reads on one thread is kept as two events: the first read, and one that
    // stands for all the reads after it, with the last value in `value`, the
    // value read just before it in `previousValue`, and their number in `reads`.
    int64_t previousValue = 0;
    int64_t reads = 1;

    // MessageBox: the text, the caption and the owner window.
    std::string text, caption;
    uintptr_t owner = 0;
};

enum class CounterMode {
    Usable,  // QueryPerformanceFrequency gives the set frequency
    Zero,    // it succeeds but gives 0
    Failing, // it fails
};

// Line levels of a fresh card: the bus idle (data and clock high), stereo.
const uint8_t INITIAL_LINES = 0x0C;
const int64_t DEFAULT_COUNTER_FREQUENCY = 10000000; // 10 MHz
const int64_t DEFAULT_COUNTER_READ_NS = 5000;
const int64_t DEFAULT_REQUEST_NS = 3000;

// Starts afresh: driver present and accepting, lines as on a fresh card, the
// virtual clock at 0 with the default counter, nothing recorded, no handle
// open, no message box echo.
void Reset();

// The driver: present or absent.
void SetDriverPresent(bool present);
// Accepts the next `accepted` requests, then rejects every request until Reset
// or AcceptAllRequests: the first with `error`, each after it with `errorStep`
// more than the one before (0: all with the same error; 1: each its own).
// RejectRequestsAfter(0) rejects all. An error of 0 is a rejection that
// leaves no reason.
void RejectRequestsAfter(int64_t accepted, uint32_t error = 1 /* ERROR_INVALID_FUNCTION */,
                         uint32_t errorStep = 0);
void AcceptAllRequests();

// The counter and the clock.
void SetCounter(CounterMode mode, int64_t frequency = DEFAULT_COUNTER_FREQUENCY);
void SetCounterReadCost(int64_t nanoseconds);
void SetRequestCost(int64_t nanoseconds);
void SetRealTime(bool realTime);
int64_t NowNs();

// Prints every message box to standard error as well (for tools).
void SetMessageBoxEcho(bool echo);

// What happened so far.
std::vector<Event> Events();
void ClearEvents();
// Only the requests, in order.
std::vector<Event> Requests();
int OpenHandles();
// The levels of the lines on the board.
uint8_t Lines();

} // namespace sim

#endif

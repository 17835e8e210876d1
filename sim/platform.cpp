// The Win32 calls of sim/windows.h, carried out on the simulated card.
#include <windows.h>

#include "card.h"
#include "sim.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

namespace sim {
namespace {

struct State {
    bool present = true;
    int64_t acceptedLeft = -1; // requests still accepted; -1: no limit
    uint32_t rejectError = ERROR_INVALID_FUNCTION;
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

std::mutex mutex;
State state;
std::atomic<int> threadGeneration{0};
thread_local DWORD lastError = ERROR_SUCCESS;
thread_local int threadNumber = 0;
thread_local int threadNumberGeneration = -1;

// Callers hold the mutex.
int64_t Now() {
    if (state.realTime)
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now() - state.realStart)
            .count();
    return state.virtualNs;
}

void Advance(int64_t nanoseconds) {
    if (!state.realTime)
        state.virtualNs += nanoseconds;
}

// Time that the driver spends on a request beyond its usual cost: spun away
// in real time, so that the line changes keep their spacing.
void Spend(int64_t nanoseconds) {
    if (nanoseconds <= 0)
        return;
    if (!state.realTime) {
        state.virtualNs += nanoseconds;
        return;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::nanoseconds(nanoseconds);
    while (std::chrono::steady_clock::now() < end) {
    }
}

int ThisThread() {
    if (threadNumberGeneration != threadGeneration.load()) {
        threadNumberGeneration = threadGeneration.load();
        threadNumber = ++state.threads;
    }
    return threadNumber;
}

Event &Record(Call call) {
    Event event;
    event.call = call;
    event.thread = ThisThread();
    state.events.push_back(event);
    return state.events.back();
}

void Finish(Event &event, bool ok, uint32_t error) {
    event.ok = ok;
    event.error = ok ? 0 : error;
    event.timeNs = Now();
    if (!ok)
        lastError = error;
}

bool IsOpen(uintptr_t handle) {
    return std::find(state.openHandles.begin(), state.openHandles.end(), handle) !=
           state.openHandles.end();
}

} // namespace

void Reset() {
    std::lock_guard<std::mutex> lock(mutex);
    state = State();
    ++threadGeneration;
}

void SetDriverPresent(bool present) {
    std::lock_guard<std::mutex> lock(mutex);
    state.present = present;
}

void RejectRequestsAfter(int64_t accepted, uint32_t error) {
    std::lock_guard<std::mutex> lock(mutex);
    state.acceptedLeft = accepted < 0 ? 0 : accepted;
    state.rejectError = error;
}

void AcceptAllRequests() {
    std::lock_guard<std::mutex> lock(mutex);
    state.acceptedLeft = -1;
}

void SetCounter(CounterMode mode, int64_t frequency) {
    std::lock_guard<std::mutex> lock(mutex);
    state.counterMode = mode;
    state.counterFrequency = frequency;
}

void SetCounterReadCost(int64_t nanoseconds) {
    std::lock_guard<std::mutex> lock(mutex);
    state.counterReadNs = nanoseconds;
}

void SetRequestCost(int64_t nanoseconds) {
    std::lock_guard<std::mutex> lock(mutex);
    state.requestNs = nanoseconds;
}

void SetRealTime(bool realTime) {
    std::lock_guard<std::mutex> lock(mutex);
    state.realTime = realTime;
    state.realStart = std::chrono::steady_clock::now() - std::chrono::nanoseconds(state.virtualNs);
}

int64_t NowNs() {
    std::lock_guard<std::mutex> lock(mutex);
    return Now();
}

void SetMessageBoxEcho(bool echo) {
    std::lock_guard<std::mutex> lock(mutex);
    state.echo = echo;
}

std::vector<Event> Events() {
    std::lock_guard<std::mutex> lock(mutex);
    return state.events;
}

void ClearEvents() {
    std::lock_guard<std::mutex> lock(mutex);
    state.events.clear();
    state.card.ClearRecord();
}

std::vector<Event> Requests() {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<Event> requests;
    for (const Event &event : state.events)
        if (event.call == Call::Request)
            requests.push_back(event);
    return requests;
}

int OpenHandles() {
    std::lock_guard<std::mutex> lock(mutex);
    return (int)state.openHandles.size();
}

uint8_t Lines() {
    std::lock_guard<std::mutex> lock(mutex);
    return state.card.Lines();
}

Card CurrentCard() {
    std::lock_guard<std::mutex> lock(mutex);
    return state.card;
}

} // namespace sim

using namespace sim;

extern "C" {

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                          DWORD flagsAndAttributes, HANDLE templateFile) {
    std::lock_guard<std::mutex> lock(mutex);
    Event &event = Record(Call::Open);
    event.path = fileName != NULL ? fileName : "";
    event.access = desiredAccess;
    event.share = shareMode;
    event.securityAttributes = securityAttributes != NULL;
    event.disposition = creationDisposition;
    event.flags = flagsAndAttributes;
    event.templateFile = templateFile != NULL;
    if (fileName == NULL || std::strcmp(fileName, DEVICE_PATH) != 0 || !state.present) {
        Finish(event, false, ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (!state.openHandles.empty()) { // the device is exclusive
        Finish(event, false, ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    event.handle = state.nextHandle;
    state.nextHandle += 4;
    state.openHandles.push_back(event.handle);
    Finish(event, true, 0);
    return (HANDLE)event.handle;
}

BOOL WINAPI DeviceIoControl(HANDLE device, DWORD ioControlCode, LPVOID inBuffer, DWORD inBufferSize,
                            LPVOID outBuffer, DWORD outBufferSize, LPDWORD bytesReturned,
                            LPOVERLAPPED overlapped) {
    std::lock_guard<std::mutex> lock(mutex);
    Event &event = Record(Call::Request);
    event.handle = (uintptr_t)device;
    event.code = ioControlCode;
    event.inputSize = inBufferSize;
    event.outputSize = outBufferSize;
    event.sameBuffer = inBuffer != NULL && inBuffer == outBuffer;
    event.bytesReturned = bytesReturned != NULL;
    event.overlapped = overlapped != NULL;
    if (inBuffer != NULL && inBufferSize >= 1)
        event.byte = *(const uint8_t *)inBuffer;
    Advance(state.requestNs);

    uint32_t error = 0;
    if (!IsOpen(event.handle))
        error = ERROR_INVALID_HANDLE;
    else if (state.acceptedLeft == 0)
        error = state.rejectError;
    else if (ioControlCode != IOCTL_LINE_PRESET && ioControlCode != IOCTL_LINE_RAISE &&
             ioControlCode != IOCTL_LINE_LOWER)
        error = ERROR_INVALID_FUNCTION;
    else if (inBuffer == NULL || inBufferSize < 1 || outBuffer == NULL || outBufferSize < 1)
        error = ERROR_INVALID_PARAMETER;
    if (state.acceptedLeft > 0 && IsOpen(event.handle))
        --state.acceptedLeft;
    if (error != 0) {
        event.lines = state.card.Lines();
        Finish(event, false, error);
        return FALSE;
    }

    Spend(state.card.RequestDuration(ioControlCode, event.byte));
    const int64_t done = Now();
    state.card.Request(done, ioControlCode, event.byte);
    // The driver answers with the levels of the lines in the same buffer.
    *(uint8_t *)outBuffer = state.card.Lines();
    if (bytesReturned != NULL)
        *bytesReturned = 1;
    event.lines = state.card.Lines();
    Finish(event, true, 0);
    event.timeNs = done; // the time the card saw the request
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE object) {
    std::lock_guard<std::mutex> lock(mutex);
    Event &event = Record(Call::Close);
    event.handle = (uintptr_t)object;
    auto found = std::find(state.openHandles.begin(), state.openHandles.end(), event.handle);
    if (found == state.openHandles.end()) {
        Finish(event, false, ERROR_INVALID_HANDLE);
        return FALSE;
    }
    state.openHandles.erase(found);
    Finish(event, true, 0);
    return TRUE;
}

DWORD WINAPI GetLastError(void) {
    return lastError;
}

void WINAPI SetLastError(DWORD errorCode) {
    lastError = errorCode;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER *frequency) {
    std::lock_guard<std::mutex> lock(mutex);
    Event &event = Record(Call::FrequencyQuery);
    if (state.counterMode == CounterMode::Failing) {
        Finish(event, false, ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    frequency->QuadPart = state.counterMode == CounterMode::Zero ? 0 : state.counterFrequency;
    event.value = frequency->QuadPart;
    Finish(event, true, 0);
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER *count) {
    std::lock_guard<std::mutex> lock(mutex);
    Advance(state.counterReadNs);
    const int64_t now = Now();
    const int64_t frequency = state.counterFrequency > 0 ? state.counterFrequency : 0;
    // Whole seconds and the rest apart, so that the product cannot overflow.
    const int64_t second = 1000000000;
    count->QuadPart = now / second * frequency + now % second * frequency / second;

    const size_t size = state.events.size();
    const int thread = ThisThread();
    if (size >= 2 && state.events[size - 1].call == Call::CounterRead &&
        state.events[size - 2].call == Call::CounterRead &&
        state.events[size - 1].thread == thread && state.events[size - 2].thread == thread) {
        Event &last = state.events[size - 1];
        last.previousValue = last.value;
        last.value = count->QuadPart;
        ++last.reads;
        last.timeNs = now;
        return TRUE;
    }
    Event &event = Record(Call::CounterRead);
    if (size >= 1 && state.events[size - 1].call == Call::CounterRead)
        event.previousValue = state.events[size - 1].value;
    event.value = count->QuadPart;
    Finish(event, true, 0);
    return TRUE;
}

void WINAPI Sleep(DWORD milliseconds) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!state.realTime) {
            Event &event = Record(Call::Sleep);
            event.value = milliseconds;
            Advance((int64_t)milliseconds * 1000000);
            Finish(event, true, 0);
            return;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    std::lock_guard<std::mutex> lock(mutex);
    Event &event = Record(Call::Sleep);
    event.value = milliseconds;
    Finish(event, true, 0);
}

BOOL WINAPI DisableThreadLibraryCalls(HINSTANCE module) {
    std::lock_guard<std::mutex> lock(mutex);
    Event &event = Record(Call::DisableThreadCalls);
    event.handle = (uintptr_t)module;
    Finish(event, true, 0);
    return TRUE;
}

int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    // Like the platform's, it writes at most 1024 characters and the NUL.
    va_list arguments;
    va_start(arguments, format);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int written = std::vsnprintf(buffer, 1025, format, arguments);
#pragma GCC diagnostic pop
    va_end(arguments);
    return written < 1024 ? written : 1024;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    std::lock_guard<std::mutex> lock(mutex);
    Event &event = Record(Call::MessageBox);
    event.text = text != NULL ? text : "";
    event.caption = caption != NULL ? caption : "Error";
    event.value = type;
    event.owner = (uintptr_t)owner;
    if (state.echo)
        std::fprintf(stderr, "[%s] %s\n", event.caption.c_str(), event.text.c_str());
    Finish(event, true, 0);
    // Showing a window may change the thread's last error; the simulated box
    // clears it, so that callers who need the error must keep it themselves.
    lastError = ERROR_SUCCESS;
    return IDOK;
}

} // extern "C"

// The clock and the high-resolution counter: virtual by default, or the
// host's monotonic clock in real time.
#include "platform.h"

#include <thread>

namespace sim {
namespace platform {

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

} // namespace platform

using namespace platform;

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

} // namespace sim

using namespace sim;
using namespace sim::platform;

extern "C" {

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

} // extern "C"

// The recording of every platform call, and starting afresh.
#include "platform.h"

#include <atomic>

namespace sim {
namespace platform {

std::mutex mutex;
State state;
thread_local DWORD lastError = ERROR_SUCCESS;

namespace {
std::atomic<int> threadGeneration{0};
thread_local int threadNumber = 0;
thread_local int threadNumberGeneration = -1;
} // namespace

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

} // namespace platform

using namespace platform;

void Reset() {
    std::lock_guard<std::mutex> lock(mutex);
    state = State();
    ++threadGeneration;
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

} // namespace sim

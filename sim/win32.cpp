// The thread's last error and the module calls.
#include "platform.h"

using namespace sim;
using namespace sim::platform;

extern "C" {

DWORD WINAPI GetLastError(void) {
    return lastError;
}

void WINAPI SetLastError(DWORD errorCode) {
    lastError = errorCode;
}

BOOL WINAPI DisableThreadLibraryCalls(HINSTANCE module) {
    std::lock_guard<std::mutex> lock(mutex);
    Event &event = Record(Call::DisableThreadCalls);
    event.handle = (uintptr_t)module;
    Finish(event, true, 0);
    return TRUE;
}

} // extern "C"

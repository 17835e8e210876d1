// The thread's last error, the module calls and the interlocked operations.
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

LONG WINAPI InterlockedExchange(LONG volatile *target, LONG value) {
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

LONG WINAPI InterlockedCompareExchange(LONG volatile *target, LONG exchange, LONG comparand) {
    __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return comparand; // the value found, whether or not it was replaced
}

} // extern "C"

// The virtual driver for the card's device: exclusive, present or absent,
// accepting or rejecting requests, with the simulated card behind it.
#include "platform.h"

#include <algorithm>
#include <cstring>

namespace sim {
namespace {

using namespace platform;

bool IsOpen(uintptr_t handle) {
    return std::find(state.openHandles.begin(), state.openHandles.end(), handle) !=
           state.openHandles.end();
}

} // namespace

using namespace platform;

void SetDriverPresent(bool present) {
    std::lock_guard<std::mutex> lock(mutex);
    state.present = present;
}

void RejectRequestsAfter(int64_t accepted, uint32_t error, uint32_t errorStep) {
    std::lock_guard<std::mutex> lock(mutex);
    state.acceptedLeft = accepted < 0 ? 0 : accepted;
    state.rejectError = error;
    state.rejectErrorStep = errorStep;
}

void AcceptAllRequests() {
    std::lock_guard<std::mutex> lock(mutex);
    state.acceptedLeft = -1;
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

Card TakeCurrentCard(std::vector<Event> *events) {
    std::lock_guard<std::mutex> lock(mutex);
    Card card = state.card;
    events->swap(state.events);
    state.events.clear();
    state.card.ClearRecord();
    return card;
}

} // namespace sim

using namespace sim;
using namespace sim::platform;

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

    bool rejected = true;
    uint32_t error = 0;
    if (!IsOpen(event.handle)) {
        error = ERROR_INVALID_HANDLE;
    } else if (state.acceptedLeft == 0) {
        error = state.rejectError; // may be 0: a rejection without a reason
        state.rejectError += state.rejectErrorStep;
    } else if (ioControlCode != IOCTL_LINE_PRESET && ioControlCode != IOCTL_LINE_RAISE &&
               ioControlCode != IOCTL_LINE_LOWER) {
        error = ERROR_INVALID_FUNCTION;
    } else if (inBuffer == NULL || inBufferSize < 1 || outBuffer == NULL || outBufferSize < 1) {
        error = ERROR_INVALID_PARAMETER;
    } else {
        rejected = false;
    }
    if (state.acceptedLeft > 0 && IsOpen(event.handle))
        --state.acceptedLeft;
    if (rejected) {
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

} // extern "C"

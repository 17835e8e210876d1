// The card's driver: its device, its control requests and the lines they move.
#ifndef TORVEL_CARD_DRIVER_H
#define TORVEL_CARD_DRIVER_H

// On Windows this is the platform's own header; on the host build it is the
// simulated card's stand-in, sim/win32/windows.h.
#include <windows.h>

#include "card/protocol.h"

// One open device, owned by one exported call from its open to its close.
// It remembers the error of the first request that the driver rejected, so
// that the call can send the rest of its sequence and still report failure.
struct DeviceSession {
    HANDLE handle;
    DWORD firstError;
};

// Opens the driver's device for exclusive reading and writing. On failure the
// session's handle is INVALID_HANDLE_VALUE and GetLastError() tells why.
DeviceSession OpenDevice();

// Closes the device. Returns 1 when every request of the session was taken;
// otherwise sets the last error to the first rejected request's error and
// returns 0.
int CloseDevice(DeviceSession *session);

// Sends one control request with its byte. A rejected request is remembered
// in the session and otherwise ignored: the caller carries on.
void SendLineRequest(DeviceSession *session, DWORD code, BYTE mask);

#endif

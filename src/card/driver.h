// The card's driver: its device, its control requests and the lines they move.
#ifndef TORVEL_CARD_DRIVER_H
#define TORVEL_CARD_DRIVER_H

#include <windows.h>

// The driver's device, opened anew by every exported call.
extern const char DEVICE_PATH[];

// Control requests: device type 0x22 (unknown device), METHOD_BUFFERED,
// read-and-write access, functions 0x802 to 0x804. Each carries one byte,
// passed as both the input and the output buffer.
const DWORD IOCTL_LINE_PRESET = 0x0022E008;
const DWORD IOCTL_LINE_RAISE = 0x0022E00C;
const DWORD IOCTL_LINE_LOWER = 0x0022E010;

// Line masks for IOCTL_LINE_RAISE and IOCTL_LINE_LOWER.
const BYTE LINE_MODE = 0x02;  // raised: mono; lowered: stereo
const BYTE LINE_DATA = 0x04;  // data line of the two-wire bus
const BYTE LINE_CLOCK = 0x08; // clock line of the two-wire bus

// The byte sent with IOCTL_LINE_PRESET before every tuning message.
const BYTE PRESET_LINES = 0x0F;

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

// The frame every exported call runs in: open the device, do the work, close it.
#ifndef TORVEL_API_CALL_FRAME_H
#define TORVEL_API_CALL_FRAME_H

#include "card/driver.h"

// Opens the device for one call. Returns 1 with an open session, or 0 with
// the open's error as the last error. When `caption` is not null, a failed
// open is also reported to the user in a message box with that caption.
int BeginCall(DeviceSession *session, const char *caption);

// Shows "CreateFile Failed!" with the open's error code in a message box.
void ReportOpenFailure(const char *caption, DWORD error);

#endif

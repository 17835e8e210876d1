#include "commands/mode.h"

void SelectStereo(DeviceSession *session) {
    SendLineRequest(session, IOCTL_LINE_LOWER, LINE_MODE);
}

void SelectMono(DeviceSession *session) {
    SendLineRequest(session, IOCTL_LINE_RAISE, LINE_MODE);
}

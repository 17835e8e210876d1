#include "api/call_frame.h"

int BeginCall(DeviceSession *session, const char *caption) {
    *session = OpenDevice();
    if (session->handle != INVALID_HANDLE_VALUE)
        return 1;
    const DWORD error = GetLastError(); // read before anything else can change it
    if (caption != NULL) {
        ReportOpenFailure(caption, error);
        SetLastError(error); // the message box may have changed it
    }
    return 0;
}

void ReportOpenFailure(const char *caption, DWORD error) {
    char text[100];
    wsprintfA(text, "CreateFile Failed!\nError code=%d", (int)error);
    MessageBoxA(NULL, text, caption, MB_OK);
}

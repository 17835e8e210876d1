#include "card/driver.h"

DeviceSession OpenDevice() {
    DeviceSession session;
    session.handle =
        CreateFileA(DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    session.firstError = ERROR_SUCCESS;
    return session;
}

int CloseDevice(DeviceSession *session) {
    CloseHandle(session->handle);
    session->handle = INVALID_HANDLE_VALUE;
    if (session->firstError != ERROR_SUCCESS) {
        SetLastError(session->firstError);
        return 0;
    }
    return 1;
}

void SendLineRequest(DeviceSession *session, DWORD code, BYTE mask) {
    // The driver reads the byte from the buffer and writes its answer back
    // into the same byte; the answer is not needed.
    BYTE buffer = mask;
    DWORD returned = 0;
    if (DeviceIoControl(session->handle, code, &buffer, 1, &buffer, 1, &returned, NULL))
        return;
    if (session->firstError == ERROR_SUCCESS) {
        DWORD error = GetLastError();
        // A rejection must be reported even if the driver gave no reason.
        session->firstError = error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
    }
}

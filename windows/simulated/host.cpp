// The simulated torvelapi.dll's reach into the real platform, and its module
// entry: the card is set up as the DLL loads and the waveform written as it
// unloads.
#include "host.h"
#include "simulation.h"

#include <windows.h>

namespace host {

std::string Environment(const char *name) {
    char text[512];
    const DWORD length = GetEnvironmentVariableA(name, text, sizeof text);
    if (length < sizeof text)
        return std::string(text, length); // 0 when not set
    std::string value(length, '\0');      // `length` counts the NUL
    value.resize(GetEnvironmentVariableA(name, &value[0], length));
    return value;
}

std::string FullPath(const std::string &path) {
    if (path.empty())
        return path;
    char text[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof text, text, NULL);
    if (length == 0)
        return path;
    if (length < sizeof text)
        return std::string(text, length);
    std::string full(length, '\0'); // `length` counts the NUL
    full.resize(GetFullPathNameA(path.c_str(), length, &full[0], NULL));
    return full.empty() ? path : full;
}

void DebugOutput(const std::string &line) {
    OutputDebugStringA((line + "\n").c_str());
}

namespace {

bool WriteAll(HANDLE file, const std::string &text) {
    size_t done = 0;
    while (done < text.size()) {
        DWORD written = 0;
        if (!WriteFile(file, text.data() + done, (DWORD)(text.size() - done), &written, NULL) ||
            written == 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

bool AppendLine(const std::string &path, const std::string &line) {
    // Opened once, for appending only: every line goes to the end of the
    // file in one write, so processes sharing the file keep their lines whole.
    static HANDLE file = INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE)
        file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    return file != INVALID_HANDLE_VALUE && WriteAll(file, line + "\r\n");
}

bool WriteWholeFile(const std::string &path, const std::string &text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool written = WriteAll(file, text);
    return CloseHandle(file) && written;
}

void ShowMessageBox(const std::string &text, const std::string &caption) {
    MessageBoxA(NULL, text.c_str(), caption.c_str(), MB_OK);
}

uint32_t CallerError() {
    return GetLastError();
}

void SetCallerError(uint32_t error) {
    SetLastError(error);
}

} // namespace host

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        simulated::Start();
    else if (reason == DLL_PROCESS_DETACH)
        simulated::Finish();
    return TRUE;
}

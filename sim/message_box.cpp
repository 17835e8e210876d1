// The message box and the text formatting that goes with it.
#include "platform.h"

#include <cstdarg>
#include <cstdio>

namespace sim {

using namespace platform;

void SetMessageBoxEcho(bool echo) {
    std::lock_guard<std::mutex> lock(mutex);
    state.echo = echo;
}

} // namespace sim

using namespace sim;
using namespace sim::platform;

extern "C" {

int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    // Like the platform's, it writes at most 1024 characters and the NUL.
    va_list arguments;
    va_start(arguments, format);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int written = std::vsnprintf(buffer, 1025, format, arguments);
#pragma GCC diagnostic pop
    va_end(arguments);
    return written < 1024 ? written : 1024;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    std::lock_guard<std::mutex> lock(mutex);
    Event &event = Record(Call::MessageBox);
    event.text = text != NULL ? text : "";
    event.caption = caption != NULL ? caption : "Error";
    event.value = type;
    event.owner = (uintptr_t)owner;
    if (state.echo)
        std::fprintf(stderr, "[%s] %s\n", event.caption.c_str(), event.text.c_str());
    Finish(event, true, 0);
    // Showing a window may change the thread's last error; the simulated box
    // clears it, so that callers who need the error must keep it themselves.
    lastError = ERROR_SUCCESS;
    return IDOK;
}

} // extern "C"

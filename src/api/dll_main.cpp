// The module entry. The library's one value between calls, the bus mark,
// starts clear with the module, so there is nothing to set up or tear down;
// per-thread notifications are switched off because nothing needs them.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(instance);
    return TRUE;
}

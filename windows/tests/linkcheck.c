/* Linked against torvelapi.lib: every export must be bound through the
 * import library, by name, to the function that the DLL exports under that
 * name and under its ordinal. Prints one line per export and exits non-zero
 * when any differs. */
#include "torvelapi.h"

#include <stdio.h>

/* The import address table's entries that the import library made the
 * loader fill in, under the names a caller's compiler gives them: on 32-bit
 * x86 stdcall-decorated with the argument bytes (__imp__SetFrequency@8), on
 * x86-64 undecorated (__imp_SetFrequency). */
#ifdef _WIN64
#define IMPORTED(name, bytes) extern FARPROC imported##name __asm__("__imp_" #name)
#else
#define IMPORTED(name, bytes) extern FARPROC imported##name __asm__("__imp__" #name "@" #bytes)
#endif
IMPORTED(IsTorvel2007, 0);
IMPORTED(SetFrequency, 8);
IMPORTED(SetMono, 0);
IMPORTED(SetRDS, 8);
IMPORTED(SetRDSPower, 4);
IMPORTED(SetStereo, 0);

typedef struct Export {
    const char *name;
    int ordinal;
    FARPROC linked;
} Export;

int main(void) {
    const Export exports[] = {
        {"IsTorvel2007", 1, importedIsTorvel2007}, {"SetFrequency", 2, importedSetFrequency},
        {"SetMono", 3, importedSetMono},           {"SetRDS", 4, importedSetRDS},
        {"SetRDSPower", 5, importedSetRDSPower},   {"SetStereo", 6, importedSetStereo},
    };
    HMODULE module = GetModuleHandleA("torvelapi.dll");
    int failures = 0;
    if (module == NULL) {
        printf("FAIL torvelapi.dll is not loaded\n");
        return 1;
    }
    for (size_t i = 0; i < sizeof exports / sizeof exports[0]; ++i) {
        const Export *e = &exports[i];
        FARPROC byName = GetProcAddress(module, e->name);
        FARPROC byOrdinal = GetProcAddress(module, (LPCSTR)(ULONG_PTR)e->ordinal);
        const int ok = byName != NULL && byName == byOrdinal && byName == e->linked;
        printf("%s %s @%d\n", ok ? "ok" : "FAIL", e->name, e->ordinal);
        failures += !ok;
    }
    return failures != 0;
}

/* Linked against torvelapi.lib: every export must be bound through the
 * import library, by name, to the function that the DLL exports under that
 * name and under its ordinal. Prints one line per export and exits non-zero
 * when any differs. */
#include "torvelapi.h"

#include <stdio.h>

/* The import address table's entries that the import library made the
 * loader fill in, under their decorated names. */
#define IMPORTED(name, decorated) extern FARPROC imported##name __asm__("__imp__" decorated)
IMPORTED(IsTorvel2007, "IsTorvel2007@0");
IMPORTED(SetFrequency, "SetFrequency@8");
IMPORTED(SetMono, "SetMono@0");
IMPORTED(SetRDS, "SetRDS@8");
IMPORTED(SetRDSPower, "SetRDSPower@4");
IMPORTED(SetStereo, "SetStereo@0");

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

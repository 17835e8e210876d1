/* Built against the release package with CMake: every call must go through
 * on the simulated card driver. Prints "ok" or "FAIL" per call. */
#include <stdio.h>

#include "torvelapi.h"

static int failures;

static void Expect(int result, const char *call) {
    if (result == 1) {
        printf("ok %s\n", call);
    } else {
        printf("FAIL %s returned %d, error %lu\n", call, result, (unsigned long)GetLastError());
        ++failures;
    }
}

int main(void) {
    Expect(IsTorvel2007(), "IsTorvel2007()");
    Expect(SetFrequency(98500, 0), "SetFrequency(98500, 0)");
    Expect(SetStereo(), "SetStereo()");
    Expect(SetRDS("PS", "PACKAGE"), "SetRDS(\"PS\", \"PACKAGE\")");
    Expect(SetRDSPower(1), "SetRDSPower(1)");
    return failures != 0;
}

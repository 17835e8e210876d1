// The six exported functions. Each is the same frame: open the device, run
// its command, close the device.
#include "torvelapi.h"

#include "api/call_frame.h"
#include "commands/mode.h"
#include "commands/rds.h"
#include "commands/tuning.h"

int WINAPI IsTorvel2007(void) {
    DeviceSession session;
    if (!BeginCall(&session, NULL))
        return 0;
    return CloseDevice(&session);
}

int WINAPI SetFrequency(unsigned int frequency, int control) {
    DeviceSession session;
    if (!BeginCall(&session, "SetFrequency"))
        return 0;
    TuneTransmitter(&session, frequency, (DWORD)control);
    return CloseDevice(&session);
}

int WINAPI SetMono(void) {
    DeviceSession session;
    if (!BeginCall(&session, "SetMono"))
        return 0;
    SelectMono(&session);
    return CloseDevice(&session);
}

int WINAPI SetRDS(const char *key, const char *value) {
    if (!IsRDSText(key) || !IsRDSText(value)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    DeviceSession session;
    if (!BeginCall(&session, NULL))
        return 0;
    WriteRDSSetting(&session, key, value);
    return CloseDevice(&session);
}

int WINAPI SetRDSPower(int enable) {
    DeviceSession session;
    if (!BeginCall(&session, NULL))
        return 0;
    WriteRDSPower(&session, enable);
    return CloseDevice(&session);
}

int WINAPI SetStereo(void) {
    DeviceSession session;
    if (!BeginCall(&session, "SetStereo"))
        return 0;
    SelectStereo(&session);
    return CloseDevice(&session);
}

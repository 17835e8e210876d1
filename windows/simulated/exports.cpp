// The simulated torvelapi.dll's six exports (torvelapi.def gives them their
// names and ordinals): each runs the library's own function, which drives the
// simulated card, and reports the call.
#include "torvelapi.h"

#include "simulation.h"

#include <string>

using simulated::Call;
using simulated::Quoted;

extern "C" {

int WINAPI SimulatedIsTorvel2007(void) {
    Call call;
    return call.End(IsTorvel2007(), [] { return std::string("IsTorvel2007()"); });
}

int WINAPI SimulatedSetFrequency(unsigned int frequency, int control) {
    Call call;
    return call.End(SetFrequency(frequency, control), [&] {
        return "SetFrequency(" + std::to_string(frequency) + ", " + std::to_string(control) + ")";
    });
}

int WINAPI SimulatedSetMono(void) {
    Call call;
    return call.End(SetMono(), [] { return std::string("SetMono()"); });
}

int WINAPI SimulatedSetRDS(const char *key, const char *value) {
    Call call;
    return call.End(SetRDS(key, value),
                    [&] { return "SetRDS(" + Quoted(key) + ", " + Quoted(value) + ")"; });
}

int WINAPI SimulatedSetRDSPower(int enable) {
    Call call;
    return call.End(SetRDSPower(enable),
                    [&] { return "SetRDSPower(" + std::to_string(enable) + ")"; });
}

int WINAPI SimulatedSetStereo(void) {
    Call call;
    return call.End(SetStereo(), [] { return std::string("SetStereo()"); });
}

} // extern "C"

// The simulated torvelapi.dll's own part around the library: its settings
// from the environment, and the report of every exported call.
//
//   TORVEL_SIM_FAST=1      waits are instant (the card's virtual clock);
//                          by default they take real time
//   TORVEL_SIM_LOG=FILE    every report line is also appended to FILE
//   TORVEL_SIM_VCD=FILE    the process's waveform is written to FILE as the
//                          DLL unloads
//   TORVEL_SIM_CARD=absent|busy|rejecting
//                          no driver; the card held by another program; every
//                          request rejected with ERROR_IO_DEVICE (1117)
//   TORVEL_SIM_NOBOX=1     a message box's text goes to the report instead
//
// Report lines go to the debug output (and the log file), one as the DLL
// loads, one for every value it does not know (the default is used), and
// one for every call: the call with its arguments, its result and last
// error, its requests and time, the bus messages it sent as the card's
// analyser decoded them, any bus fault, and the card's state after it.
#ifndef TORVEL_SIMULATED_SIMULATION_H
#define TORVEL_SIMULATED_SIMULATION_H

#include <cstdint>
#include <string>

namespace simulated {

// Reads the settings and sets the card up; once, as the DLL loads.
void Start();

// Writes the waveform when TORVEL_SIM_VCD asks for it; as the DLL unloads.
void Finish();

// One exported call, from just before the library's function to just after it.
class Call {
  public:
    Call(); // notes the caller's last error and the card's clock

    // Reports the call, described by `describe()` (its name and arguments),
    // and leaves the caller the last error that the library's function set
    // on the simulated platform after a 0, or the caller's own after a 1.
    // Returns `result`.
    template <typename Describe> int End(int result, Describe describe) noexcept {
        std::string call;
        try {
            call = describe();
        } catch (...) {
        }
        Report(result, call);
        return result;
    }

  private:
    void Report(int result, const std::string &call) noexcept;

    uint32_t callerError;
    int64_t startNs;
};

// A key or value as an argument: in quotes, anything unprintable as \xNN;
// NULL for a null pointer.
std::string Quoted(const char *text);

} // namespace simulated

#endif

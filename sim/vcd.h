// The card's waveform as a value change dump (VCD), which waveform viewers
// and logic analyser software open: one scope, "card", with the signals scl,
// sda and mode.
#ifndef TORVEL_SIM_VCD_H
#define TORVEL_SIM_VCD_H

#include "waveform.h"

#include <string>
#include <vector>

namespace sim {

// The dump of `waveform` (its first change gives the levels at the start).
// The time unit is the coarsest of 1 ns, 10 ns, 100 ns and 1 us that keeps
// every time exact, and the dump runs on 10 microseconds past the last change.
std::string Vcd(const std::vector<LineChange> &waveform);

// Writes the dump to `path`; false when the file cannot be written.
bool WriteVcd(const std::string &path, const std::vector<LineChange> &waveform);

// Reads a dump of the three signals back into the line changes it holds, one
// per time stamp at which the levels changed; the dump's closing time stamp,
// with no change, adds none. False when it is not such a dump.
bool ParseVcd(const std::string &text, std::vector<LineChange> *waveform);

// The same from the file at `path`; false also when it cannot be read.
bool ReadVcd(const std::string &path, std::vector<LineChange> *waveform);

} // namespace sim

#endif

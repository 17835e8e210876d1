// What a run adds when it drives the simulated card on this machine: the
// options --trace, --vcd and --realtime, the message boxes echoed to standard
// error, and the card's state at the end. A build for the real card has none
// of it: there every function here does nothing.
#ifndef TORVELCTL_SIMULATED_CARD_H
#define TORVELCTL_SIMULATED_CARD_H

#include "command_line.h"

#include <cstddef>
#include <ostream>

namespace torvelctl {

struct SimulatedRun {
    SimulatorOptions options;
    size_t messagesShown = 0; // bus messages already printed by --trace
};

// True when this build drives the simulated card.
bool SimulatedCard();

// Before the first command: the clock, the echo of message boxes.
void BeginSimulatedRun(SimulatedRun *run, const SimulatorOptions &options);

// After each command: with --trace, prints the bus messages it sent.
void AfterSimulatedCommand(SimulatedRun *run, std::ostream &out);

// At the end: prints the card's state and any bus fault, and writes the
// waveform. Returns false, with a line on `err`, when the waveform could not
// be written.
bool EndSimulatedRun(SimulatedRun *run, std::ostream &out, std::ostream &err);

} // namespace torvelctl

#endif

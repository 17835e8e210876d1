#include "simulated_card.h"

#ifdef TORVEL_SIMULATED_CARD
#include "sim.h"
#endif

namespace torvelctl {

#ifdef TORVEL_SIMULATED_CARD

bool SimulatedCard() {
    return true;
}

void BeginSimulatedRun(SimulatedRun *run, const SimulatorOptions &options) {
    run->options = options;
    run->messagesShown = 0;
    if (options.realTime)
        sim::SetRealTime(true);
    sim::SetMessageBoxEcho(true);
}

void AfterSimulatedCommand(SimulatedRun *run, std::ostream &out) {
    (void)run;
    (void)out;
}

bool EndSimulatedRun(SimulatedRun *run, std::ostream &out, std::ostream &err) {
    (void)run;
    (void)out;
    (void)err;
    sim::SetMessageBoxEcho(false);
    return true;
}

#else

bool SimulatedCard() {
    return false;
}

void BeginSimulatedRun(SimulatedRun *run, const SimulatorOptions &options) {
    run->options = options;
}

void AfterSimulatedCommand(SimulatedRun *, std::ostream &) {}

bool EndSimulatedRun(SimulatedRun *, std::ostream &, std::ostream &) {
    return true;
}

#endif

} // namespace torvelctl

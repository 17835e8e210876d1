#include "simulated_card.h"

#ifdef TORVEL_SIMULATED_CARD
#include "card.h"
#include "sim.h"
#include "vcd.h"

#include <sstream>
#endif

namespace torvelctl {

#ifdef TORVEL_SIMULATED_CARD

bool SimulatedCard() {
    return true;
}

void BeginSimulatedRun(SimulatedRun *run, const SimulatorOptions &options) {
    run->options = options;
    run->messagesShown = sim::CurrentCard().Messages().size();
    if (options.realTime)
        sim::SetRealTime(true);
    sim::SetMessageBoxEcho(true);
}

void AfterSimulatedCommand(SimulatedRun *run, std::ostream &out) {
    if (!run->options.trace)
        return;
    const std::vector<sim::Message> messages = sim::CurrentCard().Messages();
    for (size_t i = run->messagesShown; i < messages.size(); ++i)
        out << "  bus: " << sim::Describe(messages[i]) << "\n";
    run->messagesShown = messages.size();
}

bool EndSimulatedRun(SimulatedRun *run, std::ostream &out, std::ostream &err) {
    sim::SetMessageBoxEcho(false);
    const sim::Card card = sim::CurrentCard();
    out << "simulated card:\n";
    std::istringstream state(sim::Describe(card.State()));
    std::string line;
    while (std::getline(state, line))
        out << "  " << line << "\n";
    const std::string &path = run->options.vcdPath;
    if (path.empty())
        return true;
    if (!sim::WriteVcd(path, card.Waveform())) {
        err << "torvelctl: cannot write the waveform to " << Quote(path) << "\n";
        return false;
    }
    out << "waveform written to " << path << "\n";
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

// What the simulated card objects to on its bus: protocol faults and timing
// found by the bus analyser, and messages that a chip refused.
#ifndef TORVEL_SIM_FAULTS_H
#define TORVEL_SIM_FAULTS_H

#include <cstdint>
#include <string>

namespace sim {

enum class FaultKind {
    // The data line changed while the clock was high, and the bus went on as
    // if nothing had happened: neither a START nor a STOP.
    DataChangeUnderHighClock,
    // A START or STOP, or the end of the recording, came after 1 to 8 clocks
    // of a byte, or during its acknowledge clock.
    ByteCutShort,
    // A message ended without a STOP: by a repeated START (the card's chips
    // take a message only on its STOP), or by the end of the recording.
    MissingStop,
    // The clock pulsed while no message was open.
    ClockOutsideMessage,
    // An interval shorter than its standard-mode minimum (see TimingLimit).
    Timing,
    // A chip refused a message or part of it (reported by the chips, not by
    // the analyser).
    Refused,
};

struct Fault {
    FaultKind kind = FaultKind::Timing;
    int64_t timeNs = 0; // when it was seen on the bus
    int message = -1;   // the message it belongs to, -1 for none
    // Timing: which interval, how long it was, and its minimum.
    std::string parameter;
    int64_t measuredNs = 0, minimumNs = 0;
    std::string detail; // what exactly, in words
};

// The standard-mode minima (100 kHz) of the I2C bus, in nanoseconds.
struct TimingLimit {
    const char *name;
    int64_t minimumNs;
    const char *meaning;
};
extern const TimingLimit T_HD_STA; // START to the clock's first fall
extern const TimingLimit T_LOW;    // clock low
extern const TimingLimit T_HIGH;   // clock high, for a bit
extern const TimingLimit T_SU_STA; // clock rise to a repeated START
extern const TimingLimit T_SU_DAT; // data change to the clock's rise
extern const TimingLimit T_SU_STO; // clock rise to STOP
extern const TimingLimit T_BUF;    // STOP to the next START

// "timing: tHIGH 3.000 us, at least 4.000 us (clock high), at 1234.000 us in message 2".
std::string Describe(const Fault &fault);
// Times in microseconds with three decimals.
std::string Microseconds(int64_t ns);

} // namespace sim

#endif

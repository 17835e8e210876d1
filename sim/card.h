// The simulated card behind the driver: its lines, its chips, and a logic
// analyser on its bus.
//
// The driver drives the card's three lines from the requests it takes. The
// mode line is the driver's alone: low for stereo, high for mono. The bus's
// clock and data lines are open-drain, as on a real board: each is low while
// the driver or any chip pulls it low, so a chip that acknowledges a byte holds
// the data line low through the acknowledge clock although the driver has
// released it, and a byte that nobody takes reads as NACK.
//
// The preset request frees the bus. It names lines in its byte; the mode line
// is never touched (a tune must not switch between stereo and mono). With both
// bus lines named, the driver makes sure that the bus is idle and that no
// chip is still reading a message that an interrupted call left unfinished:
// when the bus is not idle (both lines high), or a START it made has had no
// STOP yet (the driver follows the lines it moves), it lowers the clock, releases
// the data line, clocks until no chip holds the data line for an acknowledge
// (at most three pulses), raises the clock, and sends a START, which makes
// every chip drop what it was reading, and a STOP. Its steps are 5
// microseconds apart, and such a preset takes 100 microseconds. So an
// interrupted message is never taken, even when only its STOP was missing,
// and the tuning message after the preset begins from an idle bus. The card
// counts the presets and, of them, the bus recoveries. A bus line named alone
// is simply raised.
//
// Whatever runs the card (the simulated platform, or a replay of a recording)
// hands it every request that the driver took, with the time at which the
// request returned.
#ifndef TORVEL_SIM_CARD_H
#define TORVEL_SIM_CARD_H

#include "bus_decoder.h"
#include "chips.h"
#include "sim.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

// A preset that has to free the bus takes this long; its steps are this far apart.
const int64_t BUS_RECOVERY_NS = 100000;
const int64_t BUS_RECOVERY_STEP_NS = 5000;

// The card as a listener would know it, and what went wrong on the way.
struct CardState {
    bool tuned = false;   // a tuning message has been taken
    unsigned channel = 0; // 50 kHz steps: 1970 is 98.50 MHz
    uint8_t control = 0;
    bool mono = false;
    bool rdsPower = false;
    std::map<std::string, std::string> rds; // the encoder's settings, key to value
    int64_t presets = 0, busRecoveries = 0;
    // Protocol and timing faults on the bus, and refusals of the chips, in
    // order of time; each names its message in Messages() where it has one.
    std::vector<Fault> faults;

    unsigned FrequencyKHz() const { return channel * 50; }
};

// Key and value bytes as text: printable ASCII as it is, anything else, the
// double quote and the backslash as \xNN.
std::string Printable(const std::string &bytes);

// "frequency 98.500 MHz, control 0x0", one line per part of the state, and
// one per fault.
std::string Describe(const CardState &state);

class Card {
  public:
    // A fresh card whose lines stand at `lines` at `timeNs`, its chips
    // untouched: not tuned, RDS power off, no settings.
    explicit Card(uint8_t lines = INITIAL_LINES, int64_t timeNs = 0);

    // How much longer than usual the driver needs for this request now
    // (a preset that has to free the bus); 0 for most requests.
    int64_t RequestDuration(uint32_t code, uint8_t byte) const;
    // A request the driver took, returning at `timeNs`. Other codes than the
    // three requests are ignored (the driver rejects them).
    void Request(int64_t timeNs, uint32_t code, uint8_t byte);

    // The levels of the lines on the board now.
    uint8_t Lines() const { return bus; }
    // The state, with the recording taken as ended now: a message still open
    // is reported as missing its STOP.
    CardState State() const;
    // The messages so far, in the same way.
    std::vector<Message> Messages() const;
    // Every change of the lines on the board, beginning with their levels at
    // the start of the recording.
    const std::vector<LineChange> &Waveform() const { return waveform; }

    // Forgets the recording (waveform, messages, faults) but not the state of
    // the lines and chips; the waveform starts again from the lines' levels.
    void ClearRecord();

  private:
    void Drive(int64_t t, uint8_t line, bool high);
    void Settle(int64_t t);
    void Preset(int64_t t, uint8_t byte);
    bool BusIdle() const { return (bus & (LINE_DATA | LINE_CLOCK)) == (LINE_DATA | LINE_CLOCK); }
    bool BusFree() const { return BusIdle() && !messageOpen; }

    uint8_t driven; // the driver's levels; a released bus line is high
    uint8_t bus;    // the levels on the board
    int64_t lastChangeNs;
    bool messageOpen = false; // a START since the last STOP
    Transmitter transmitter;
    RdsEncoder encoder;
    BusDecoder decoder;
    std::vector<LineChange> waveform;
    int64_t presets = 0, busRecoveries = 0;
};

// Runs a fresh card through the requests of a recording that the driver took
// (other events are skipped). The card starts at `lines` at time `startNs`,
// or at the first event's time if that is earlier.
Card Replay(const std::vector<Event> &events, uint8_t lines = INITIAL_LINES, int64_t startNs = 0);

// The simulated platform's card as it is now: its state since sim::Reset,
// its recording since Reset or ClearEvents.
Card CurrentCard();

// The same, together with the platform calls recorded since Reset or
// ClearEvents (into `events`), and then ClearEvents, all in one step: for a
// caller that hands the recording on piece by piece and must lose nothing
// that another thread records in between.
Card TakeCurrentCard(std::vector<Event> *events);

} // namespace sim

#endif

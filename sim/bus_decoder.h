// A logic analyser on the card's two-wire bus: it reads the line changes as
// they come and turns them into bus messages (START or repeated START, the
// address byte, data bytes, ACK or NACK after each, STOP), and it reports what
// a careful listener would object to: protocol faults, and every interval that
// is shorter than the standard-mode minimum of the I2C bus.
//
// It only listens. The chips on the card (chips.h) read the same lines on
// their own and decide what to take; the analyser sees their answers as the
// acknowledge bits on the data line.
#ifndef TORVEL_SIM_BUS_DECODER_H
#define TORVEL_SIM_BUS_DECODER_H

#include "card/protocol.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// The levels of the card's lines from `timeNs` on, as a probe on the board
// sees them: a bus line is low when the driver or any chip pulls it low.
struct LineChange {
    int64_t timeNs = 0;
    uint8_t lines = 0;
};

// One byte on the bus and the acknowledge bit that followed it.
struct BusByte {
    uint8_t value = 0;
    bool ack = false;   // a receiver held the data line low on the ninth clock
    int64_t timeNs = 0; // the rising clock of its first bit
};

// One message: from its START (or repeated START) to its STOP, or to whatever
// ended it instead.
struct Transaction {
    bool repeatedStart = false; // began while the previous message was open
    bool stopped = false;       // ended with a STOP
    int64_t startNs = 0, endNs = 0;
    std::vector<BusByte> bytes; // the address byte first, then the data bytes

    bool HasAddress() const { return !bytes.empty(); }
    uint8_t Address() const { return bytes.empty() ? 0 : (uint8_t)(bytes[0].value >> 1); }
    bool Read() const { return !bytes.empty() && (bytes[0].value & 1) != 0; }
    // Every byte's value, the address byte included.
    std::vector<uint8_t> Values() const;
};

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
    int64_t timeNs = 0;   // when it was seen on the bus
    int transaction = -1; // the message it belongs to, -1 for none
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

class BusDecoder {
  public:
    // A bus whose lines have been at `lines` since before `timeNs`.
    explicit BusDecoder(uint8_t lines = LINE_DATA | LINE_CLOCK, int64_t timeNs = 0);

    // The next levels of the lines. Times never go back. Where the clock and
    // the data line change at once, the data line is taken to change while
    // the clock is low: before a rising clock, after a falling one.
    void Feed(const LineChange &change);

    // The end of the recording: a STOP still waiting for the next change is
    // taken as a STOP; an open message is reported as missing its STOP.
    void Finish();

    // The messages ended so far, in order, and the faults seen so far.
    const std::vector<Transaction> &Transactions() const { return transactions; }
    const std::vector<Fault> &Faults() const { return faults; }
    // Forgets the messages and faults so far (a STOP still waiting for the
    // next change is taken as a STOP first); decoding goes on where it was.
    void ClearRecord();

    uint8_t Lines() const { return levels; }

  private:
    void ClockRises(int64_t t);
    void ClockFalls(int64_t t);
    void DataFalls(int64_t t);
    void DataRises(int64_t t);
    void Start(int64_t t);
    void ConfirmStop();
    void EndMessage(int64_t t, bool stopped);
    void Check(const TimingLimit &limit, int64_t measuredNs, int64_t t);
    void Report(FaultKind kind, int64_t t, const std::string &detail);

    uint8_t levels;
    int64_t lastTime;
    bool open = false;       // a message is open
    bool afterStart = false; // the clock has not fallen since its START
    bool pendingStop = false;
    int64_t pendingStopNs = 0, pendingSetupNs = -1;
    Transaction current;
    int clocks = 0;       // clocks of the current byte so far
    unsigned bits = 0;    // its bits so far
    bool sampled = false; // the data level at the last rising clock
    int64_t byteStartNs = 0;
    int64_t lastClockRise, lastClockFall, lastDataChange, lastStop;
    std::vector<Transaction> transactions;
    std::vector<Fault> faults;
};

// "START 60 write ACK, 07 ACK, B2 ACK, STOP": the message in one line.
std::string Describe(const Transaction &transaction);
// "timing: tHIGH 3.000 us, at least 4.000 us (clock high), at 1234.000 us in message 2".
std::string Describe(const Fault &fault);
// Times in microseconds with three decimals.
std::string Microseconds(int64_t ns);

} // namespace sim

#endif

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
#include "faults.h"
#include "waveform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// One byte on the bus and the acknowledge bit that followed it.
struct BusByte {
    uint8_t value = 0;
    bool ack = false;   // a receiver held the data line low on the ninth clock
    int64_t timeNs = 0; // the rising clock of its first bit
};

// One message: from its START (or repeated START) to its STOP, or to whatever
// ended it instead.
struct Message {
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
    const std::vector<Message> &Messages() const { return messages; }
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
    Message current;
    int clocks = 0;       // clocks of the current byte so far
    unsigned bits = 0;    // its bits so far
    bool sampled = false; // the data level at the last rising clock
    int64_t byteStartNs = 0;
    int64_t lastClockRise, lastClockFall, lastDataChange, lastStop;
    std::vector<Message> messages;
    std::vector<Fault> faults;
};

// "START 60 write ACK, 07 ACK, B2 ACK, STOP": the message in one line.
std::string Describe(const Message &message);

} // namespace sim

#endif

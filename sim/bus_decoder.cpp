#include "bus_decoder.h"

#include <cstdio>

namespace sim {

namespace {
const int64_t NEVER = INT64_MIN;
}

std::vector<uint8_t> Message::Values() const {
    std::vector<uint8_t> values;
    for (const BusByte &byte : bytes)
        values.push_back(byte.value);
    return values;
}

BusDecoder::BusDecoder(uint8_t lines, int64_t timeNs)
    : levels(lines), lastTime(timeNs), lastClockRise(NEVER), lastClockFall(NEVER),
      lastDataChange(NEVER), lastStop(NEVER) {}

void BusDecoder::Feed(const LineChange &change) {
    const int64_t t = change.timeNs;
    lastTime = t;
    const uint8_t changed = (uint8_t)(levels ^ change.lines);
    levels = (uint8_t)((levels & ~LINE_MODE) | (change.lines & LINE_MODE));
    const bool clockRises = (changed & LINE_CLOCK) && (change.lines & LINE_CLOCK);
    const bool clockFalls = (changed & LINE_CLOCK) && !(change.lines & LINE_CLOCK);
    if (clockFalls)
        ClockFalls(t);
    if (changed & LINE_DATA) {
        if (change.lines & LINE_DATA)
            DataRises(t);
        else
            DataFalls(t);
    }
    if (clockRises)
        ClockRises(t);
}

void BusDecoder::ClockRises(int64_t t) {
    levels |= LINE_CLOCK;
    if (open) {
        if (lastClockFall != NEVER)
            Check(T_LOW, t - lastClockFall, t);
        // A data change in this low phase must settle before the clock rises.
        if (lastDataChange != NEVER && lastDataChange > lastClockFall)
            Check(T_SU_DAT, t - lastDataChange, t);
        sampled = (levels & LINE_DATA) != 0;
        if (clocks == 0)
            byteStartNs = t;
    }
    lastClockRise = t;
}

void BusDecoder::ClockFalls(int64_t t) {
    levels &= (uint8_t)~LINE_CLOCK;
    if (pendingStop) {
        // The data line rose under the high clock, but the clock goes on:
        // the bus never went idle, so it was no STOP.
        pendingStop = false;
        Report(FaultKind::DataChangeUnderHighClock, pendingStopNs,
               "the data line rose while the clock was high, and the clock fell again");
    }
    if (!open) {
        Report(FaultKind::ClockOutsideMessage, t, "the clock fell with no message open");
    } else if (afterStart) {
        afterStart = false; // the START's own high phase carries no bit
        Check(T_HD_STA, t - current.startNs, t);
    } else {
        Check(T_HIGH, t - lastClockRise, t);
        ++clocks;
        if (clocks <= 8) {
            bits = (bits << 1) | (sampled ? 1u : 0u);
        } else {
            BusByte byte;
            byte.value = (uint8_t)bits;
            byte.ack = !sampled; // a receiver held the data line low
            byte.timeNs = byteStartNs;
            current.bytes.push_back(byte);
            clocks = 0;
            bits = 0;
        }
    }
    lastClockFall = t;
}

void BusDecoder::DataFalls(int64_t t) {
    levels &= (uint8_t)~LINE_DATA;
    if (!(levels & LINE_CLOCK)) {
        lastDataChange = t;
        return;
    }
    if (pendingStop)
        ConfirmStop();
    Start(t);
}

void BusDecoder::DataRises(int64_t t) {
    levels |= LINE_DATA;
    if (!(levels & LINE_CLOCK)) {
        lastDataChange = t;
        return;
    }
    // A STOP, if the bus now stays idle until the next START; the next change
    // decides (see ClockFalls and DataFalls).
    if (open) {
        pendingStop = true;
        pendingStopNs = t;
        pendingSetupNs = lastClockRise != NEVER ? t - lastClockRise : -1;
    }
}

void BusDecoder::Start(int64_t t) {
    const bool repeated = open;
    if (repeated) {
        if (clocks > 0)
            Report(FaultKind::ByteCutShort, t,
                   "a repeated START after " + std::to_string(clocks) + " of the byte's 9 clocks");
        Report(FaultKind::MissingStop, t, "the message was ended by a repeated START");
        EndMessage(t, false);
    }
    current = Message();
    current.repeatedStart = repeated;
    current.startNs = t;
    open = true;
    afterStart = true;
    clocks = 0;
    bits = 0;
    if (!repeated && lastStop != NEVER)
        Check(T_BUF, t - lastStop, t);
    // The clock's rise before a START counts when it belongs to this START:
    // always for a repeated START, and for a START whose clock rose after the
    // last STOP.
    if (lastClockRise != NEVER && (repeated || lastClockRise > lastStop))
        Check(T_SU_STA, t - lastClockRise, t);
}

void BusDecoder::ConfirmStop() {
    pendingStop = false;
    if (pendingSetupNs >= 0)
        Check(T_SU_STO, pendingSetupNs, pendingStopNs);
    if (clocks > 0)
        Report(FaultKind::ByteCutShort, pendingStopNs,
               "a STOP after " + std::to_string(clocks) + " of the byte's 9 clocks");
    EndMessage(pendingStopNs, true);
    lastStop = pendingStopNs;
}

void BusDecoder::EndMessage(int64_t t, bool stopped) {
    current.stopped = stopped;
    current.endNs = t;
    messages.push_back(current);
    current = Message();
    open = false;
    afterStart = false;
    clocks = 0;
    bits = 0;
}

void BusDecoder::Finish() {
    if (pendingStop)
        ConfirmStop();
    if (open) {
        if (clocks > 0)
            Report(FaultKind::ByteCutShort, lastTime,
                   "the recording ended after " + std::to_string(clocks) +
                       " of the byte's 9 clocks");
        Report(FaultKind::MissingStop, lastTime, "the message was still open at the end");
        EndMessage(lastTime, false);
    }
}

void BusDecoder::ClearRecord() {
    // A STOP waiting for the next change is taken as a STOP here, so that its
    // message goes with the record it belongs to.
    if (pendingStop)
        ConfirmStop();
    messages.clear();
    faults.clear();
}

void BusDecoder::Check(const TimingLimit &limit, int64_t measuredNs, int64_t t) {
    if (measuredNs >= limit.minimumNs)
        return;
    Fault fault;
    fault.kind = FaultKind::Timing;
    fault.timeNs = t;
    fault.message = (int)messages.size();
    fault.parameter = limit.name;
    fault.measuredNs = measuredNs;
    fault.minimumNs = limit.minimumNs;
    fault.detail = limit.meaning;
    faults.push_back(fault);
}

void BusDecoder::Report(FaultKind kind, int64_t t, const std::string &detail) {
    Fault fault;
    fault.kind = kind;
    fault.timeNs = t;
    fault.message = open ? (int)messages.size() : -1;
    fault.detail = detail;
    faults.push_back(fault);
}

std::string Describe(const Message &message) {
    std::string text = message.repeatedStart ? "REPEATED START" : "START";
    char word[32];
    for (size_t i = 0; i < message.bytes.size(); ++i) {
        const BusByte &byte = message.bytes[i];
        if (i == 0)
            std::snprintf(word, sizeof word, " %02X %s", byte.value >> 1,
                          (byte.value & 1) ? "read" : "write");
        else
            std::snprintf(word, sizeof word, ", %02X", byte.value);
        text += word;
        text += byte.ack ? " ACK" : " NACK";
    }
    text += message.stopped ? ", STOP" : ", no STOP";
    return text;
}

} // namespace sim

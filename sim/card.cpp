#include "card.h"

#include <algorithm>
#include <cstdio>

namespace sim {

namespace {
const int MOST_RECOVERY_PULSES = 3;
} // namespace

std::string Printable(const std::string &bytes) {
    std::string text;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            text += (char)c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            text += escape;
        }
    }
    return text;
}

Card::Card(uint8_t lines, int64_t timeNs)
    : driven(lines), bus(lines), lastChangeNs(timeNs), decoder(lines, timeNs) {
    waveform.push_back({timeNs, bus});
}

int64_t Card::RequestDuration(uint32_t code, uint8_t byte) const {
    if (code == IOCTL_LINE_PRESET && (byte & LINE_BUS) == LINE_BUS && !BusFree())
        return BUS_RECOVERY_NS;
    return 0;
}

void Card::Request(int64_t timeNs, uint32_t code, uint8_t byte) {
    // One line at a time, and a bus data line only while the clock is low:
    // the clock falls first and rises last.
    if (code == IOCTL_LINE_RAISE) {
        if (byte & LINE_MODE)
            Drive(timeNs, LINE_MODE, true);
        if (byte & LINE_DATA)
            Drive(timeNs, LINE_DATA, true);
        if (byte & LINE_CLOCK)
            Drive(timeNs, LINE_CLOCK, true);
    } else if (code == IOCTL_LINE_LOWER) {
        if (byte & LINE_MODE)
            Drive(timeNs, LINE_MODE, false);
        if (byte & LINE_CLOCK)
            Drive(timeNs, LINE_CLOCK, false);
        if (byte & LINE_DATA)
            Drive(timeNs, LINE_DATA, false);
    } else if (code == IOCTL_LINE_PRESET) {
        Preset(timeNs, byte);
    }
}

void Card::Preset(int64_t t, uint8_t byte) {
    ++presets;
    if ((byte & LINE_BUS) != LINE_BUS) {
        if (byte & LINE_DATA)
            Drive(t, LINE_DATA, true);
        if (byte & LINE_CLOCK)
            Drive(t, LINE_CLOCK, true);
        return;
    }
    if (BusFree())
        return;
    ++busRecoveries;
    int64_t step = t - BUS_RECOVERY_NS;
    auto next = [&](uint8_t line, bool high) {
        step += BUS_RECOVERY_STEP_NS;
        Drive(step, line, high);
    };
    next(LINE_CLOCK, false); // ends whatever bit was being clocked
    next(LINE_DATA, true);
    // A chip in the middle of an acknowledge lets go of the data line when
    // the clock falls after it.
    for (int pulse = 0; pulse < MOST_RECOVERY_PULSES && !(bus & LINE_DATA); ++pulse) {
        next(LINE_CLOCK, true);
        next(LINE_CLOCK, false);
    }
    next(LINE_CLOCK, true);
    next(LINE_DATA, false); // START: every chip drops the message it was reading
    next(LINE_DATA, true);  // STOP: the bus is idle
}

void Card::Drive(int64_t t, uint8_t line, bool high) {
    const uint8_t next = high ? (uint8_t)(driven | line) : (uint8_t)(driven & ~line);
    if (next == driven)
        return;
    driven = next;
    Settle(t);
}

// Brings the board's levels in line with the driver and the chips, one change
// at a time, and lets every chip and the analyser see each change. A chip may
// answer a change with one of its own (an acknowledge on the clock's fall).
void Card::Settle(int64_t t) {
    for (;;) {
        uint8_t level = driven;
        if (transmitter.PullsData() || encoder.PullsData())
            level &= (uint8_t)~LINE_DATA;
        if (level == bus)
            return;
        const uint8_t before = bus;
        bus = level;
        // The driver follows the bus as it moves it: a message is open from a
        // START to a STOP.
        if ((before & bus & LINE_CLOCK) && ((before ^ bus) & LINE_DATA))
            messageOpen = (bus & LINE_DATA) == 0;
        lastChangeNs = t;
        waveform.push_back({t, bus});
        decoder.Feed({t, bus});
        transmitter.Watch(before, bus, t);
        encoder.Watch(before, bus, t);
    }
}

CardState Card::State() const {
    CardState state;
    state.tuned = transmitter.tuned;
    state.channel = transmitter.channel;
    state.control = transmitter.control;
    state.mono = (bus & LINE_MODE) != 0;
    state.rdsPower = encoder.power;
    state.rds = encoder.settings;
    state.presets = presets;
    state.busRecoveries = busRecoveries;

    BusDecoder ended = decoder;
    ended.Finish();
    const std::vector<Message> &messages = ended.Messages();
    state.faults = ended.Faults();
    for (const Chip *chip : {(const Chip *)&transmitter, (const Chip *)&encoder}) {
        for (Fault refusal : chip->Refusals()) {
            for (size_t i = 0; i < messages.size() && refusal.message < 0; ++i)
                if (messages[i].startNs <= refusal.timeNs && refusal.timeNs <= messages[i].endNs)
                    refusal.message = (int)i;
            state.faults.push_back(refusal);
        }
    }
    std::stable_sort(state.faults.begin(), state.faults.end(),
                     [](const Fault &a, const Fault &b) { return a.timeNs < b.timeNs; });
    return state;
}

std::vector<Message> Card::Messages() const {
    BusDecoder ended = decoder;
    ended.Finish();
    return ended.Messages();
}

void Card::ClearRecord() {
    waveform.clear();
    waveform.push_back({lastChangeNs, bus});
    decoder.ClearRecord();
    transmitter.ClearRefusals();
    encoder.ClearRefusals();
}

std::string Describe(const CardState &state) {
    char line[96];
    std::string text;
    if (state.tuned) {
        const unsigned khz = state.FrequencyKHz();
        std::snprintf(line, sizeof line, "frequency %u.%03u MHz (channel %u), control 0x%X\n",
                      khz / 1000, khz % 1000, state.channel, state.control);
        text += line;
    } else {
        text += "frequency: not tuned\n";
    }
    text += state.mono ? "mono\n" : "stereo\n";
    text += state.rdsPower ? "RDS power on\n" : "RDS power off\n";
    for (const auto &setting : state.rds)
        text += "RDS " + Printable(setting.first) + " = \"" + Printable(setting.second) + "\"\n";
    std::snprintf(line, sizeof line, "presets %lld, bus recoveries %lld\n",
                  (long long)state.presets, (long long)state.busRecoveries);
    text += line;
    if (state.faults.empty())
        text += "no bus faults\n";
    for (const Fault &fault : state.faults)
        text += "fault: " + Describe(fault) + "\n";
    return text;
}

Card Replay(const std::vector<Event> &events, uint8_t lines, int64_t startNs) {
    if (!events.empty())
        startNs = std::min(startNs, events.front().timeNs);
    Card card(lines, startNs);
    for (const Event &event : events)
        if (event.call == Call::Request && event.ok)
            card.Request(event.timeNs, event.code, event.byte);
    return card;
}

} // namespace sim

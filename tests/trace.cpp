#include "trace.h"

#include "card.h"

#include <cstdio>

namespace {
// The simulated driver's request codes and line masks.
const uint32_t PRESET = IOCTL_LINE_PRESET, RAISE = IOCTL_LINE_RAISE, LOWER = IOCTL_LINE_LOWER;
const uint8_t MODE = LINE_MODE, DATA = LINE_DATA, CLOCK = LINE_CLOCK;

std::string RequestWord(const sim::Event &event) {
    const char *sign = event.code == RAISE ? "+" : event.code == LOWER ? "-" : nullptr;
    char word[16];
    if (sign != nullptr && (event.byte == DATA || event.byte == CLOCK || event.byte == MODE)) {
        const char *line = event.byte == DATA ? "D" : event.byte == CLOCK ? "C" : "M";
        std::snprintf(word, sizeof word, "%s%s", line, sign);
    } else if (event.code == PRESET) {
        std::snprintf(word, sizeof word, "P%02X", event.byte);
    } else {
        std::snprintf(word, sizeof word, "?%X:%02X", event.code, event.byte);
    }
    return word;
}
} // namespace

std::string Trace(const std::vector<sim::Event> &events) {
    std::vector<std::string> words;
    for (const sim::Event &event : events) {
        if (event.call == sim::Call::Request)
            words.push_back(RequestWord(event));
        else if (event.call == sim::Call::FrequencyQuery)
            words.push_back("w");
    }
    return Join(words);
}

std::string ByteTrace(unsigned byte) {
    std::vector<std::string> words;
    for (int bit = 7; bit >= 0; --bit) {
        const bool one = (byte >> bit) & 1;
        words.push_back(std::string("w w ") + (one ? "D+" : "D-") + " w C+ w C- w" +
                        (one ? " D-" : ""));
    }
    words.push_back("D+ w C+ w C- w");
    return Join(words);
}

std::string Join(const std::vector<std::string> &parts) {
    std::string joined;
    for (const std::string &part : parts) {
        if (part.empty())
            continue;
        if (!joined.empty())
            joined += ' ';
        joined += part;
    }
    return joined;
}

std::vector<std::vector<uint8_t>> BusMessages(const std::vector<sim::Event> &events) {
    std::vector<std::vector<uint8_t>> messages;
    uint8_t lines = sim::INITIAL_LINES;
    bool inMessage = false;
    unsigned bits = 0, count = 0;
    for (const sim::Event &event : events) {
        if (event.call != sim::Call::Request || !event.ok)
            continue;
        const uint8_t before = lines;
        lines = event.lines;
        const bool clockHigh = (before & CLOCK) && (lines & CLOCK);
        if (clockHigh && (before & DATA) && !(lines & DATA)) {
            messages.emplace_back();
            inMessage = true;
            bits = count = 0;
        } else if (clockHigh && !(before & DATA) && (lines & DATA)) {
            inMessage = false;
        } else if (inMessage && !(before & CLOCK) && (lines & CLOCK)) {
            bits = (bits << 1) | ((lines & DATA) ? 1 : 0);
            if (++count == 9) {
                messages.back().push_back((uint8_t)(bits >> 1));
                bits = count = 0;
            }
        }
    }
    return messages;
}

int Count(const std::vector<sim::Event> &events, sim::Call call) {
    int count = 0;
    for (const sim::Event &event : events)
        count += event.call == call;
    return count;
}

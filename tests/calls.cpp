#include "calls.h"

#include "torvelapi.h"

#include "card/bus.h"
#include "sim.h"

const std::vector<ExportCall> EXPORTS = {
    {"IsTorvel2007", [] { return IsTorvel2007(); }, nullptr, 0, {}},
    {"SetFrequency",
     [] { return SetFrequency(98500, 0); },
     "SetFrequency",
     154,
     {0xC0, 0x07, 0xB2, 0xC0, 0x00}},
    {"SetMono", [] { return SetMono(); }, "SetMono", 1, {}},
    {"SetRDS",
     [] { return SetRDS("AB", "12"); },
     nullptr,
     239,
     {0xAC, 0x00, 0x41, 0x42, 0x01, 0x31, 0x32, 0x02}},
    {"SetRDSPower",
     [] { return SetRDSPower(1); },
     nullptr,
     209,
     {0x00, 0x50, 0x57, 0x52, 0x01, 0x01, 0x02}},
    {"SetStereo", [] { return SetStereo(); }, "SetStereo", 1, {}},
};

Bytes SettingMessage(const std::string &key, const std::string &value) {
    Bytes bytes = {0xAC, 0x00};
    bytes.insert(bytes.end(), key.begin(), key.end());
    bytes.push_back(0x01);
    bytes.insert(bytes.end(), value.begin(), value.end());
    bytes.push_back(0x02);
    return bytes;
}

Bytes PowerMessage(bool on) {
    return {0x00, 'P', 'W', 'R', 0x01, (uint8_t)(on ? 0x01 : 0x00), 0x02};
}

Bytes TuningMessage(unsigned channel, uint8_t control) {
    return {0xC0, (uint8_t)(channel >> 8), (uint8_t)channel, 0xC0, control};
}

std::vector<Bytes> Values(const std::vector<sim::Message> &messages) {
    std::vector<Bytes> values;
    for (const sim::Message &message : messages)
        values.push_back(message.Values());
    return values;
}

void FreshCard() {
    sim::Reset();
    MarkBusHeld(0);
}

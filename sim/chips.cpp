#include "chips.h"

#include <cstdio>

namespace sim {

namespace {
std::string Hex(unsigned byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte & 0xFF);
    return text;
}
} // namespace

void Chip::Watch(uint8_t before, uint8_t after, int64_t timeNs) {
    const bool clockBefore = (before & LINE_CLOCK) != 0, clockAfter = (after & LINE_CLOCK) != 0;
    const bool dataBefore = (before & LINE_DATA) != 0, dataAfter = (after & LINE_DATA) != 0;

    if (clockBefore && clockAfter && dataBefore != dataAfter) {
        if (phase == Phase::Answered) {
            if (dataAfter)
                Stop(timeNs);
            else
                Abandon(timeNs);
        }
        // A START makes every chip read the address; a STOP frees the bus.
        phase = dataAfter ? Phase::Idle : Phase::Address;
        clocks = 0;
        bits = 0;
        pulling = false;
        return;
    }
    if (phase == Phase::Idle)
        return;
    if (!clockBefore && clockAfter) {
        ++clocks;
        if (clocks <= 8)
            bits = (bits << 1) | (dataAfter ? 1u : 0u);
    } else if (clockBefore && !clockAfter) {
        if (clocks == 8) {
            // The byte is in: answer it on the ninth clock.
            const uint8_t byte = (uint8_t)bits;
            bool ack = false;
            if (phase == Phase::Address) {
                ack = TakeAddress(timeNs, byte);
                phase = ack ? Phase::Answered : Phase::Ignoring;
            } else if (phase == Phase::Answered) {
                ack = TakeByte(timeNs, byte);
            }
            pulling = ack;
        } else if (clocks >= 9) {
            pulling = false; // released after the acknowledge clock
            clocks = 0;
            bits = 0;
        }
    }
}

void Chip::Refuse(int64_t t, const std::string &detail) {
    Fault fault;
    fault.kind = FaultKind::Refused;
    fault.timeNs = t;
    fault.detail = detail;
    refusals.push_back(fault);
}

bool Transmitter::TakeAddress(int64_t t, uint8_t addressByte) {
    if (addressByte >> 1 != ADDRESS)
        return false;
    if (addressByte & 1) {
        Refuse(t, "the transmitter chip cannot be read");
        return false;
    }
    message.clear();
    return true;
}

bool Transmitter::TakeByte(int64_t t, uint8_t value) {
    if (message.size() == 4) {
        Refuse(t, "the transmitter chip takes four bytes; " + Hex(value) + " was one too many");
        return false;
    }
    message.push_back(value);
    return true;
}

void Transmitter::Stop(int64_t t) {
    if (message.size() < 4) {
        Refuse(t, "a tuning message of " + std::to_string(message.size()) +
                      " bytes, not four: not taken");
        return;
    }
    tuned = true;
    channel = (unsigned)message[0] << 8 | message[1];
    control = message[3];
}

void Transmitter::Abandon(int64_t t) {
    Refuse(t, "a tuning message without its STOP: not taken");
}

bool RdsEncoder::TakeAddress(int64_t t, uint8_t addressByte) {
    const uint8_t address = addressByte >> 1;
    if (address != ADDRESS && addressByte != GENERAL_CALL)
        return false;
    if (addressByte & 1) {
        Refuse(t, "the RDS encoder cannot be read");
        return false;
    }
    generalCall = address == GENERAL_CALL;
    phase = generalCall ? Phase::Key : Phase::KeyOpen; // the general call opens the key
    key.clear();
    value.clear();
    received.clear();
    return true;
}

bool RdsEncoder::Break(int64_t t, const std::string &why) {
    phase = Phase::Broken;
    Refuse(t, "RDS message dropped: " + why);
    return false;
}

bool RdsEncoder::TakeByte(int64_t t, uint8_t byte) {
    switch (phase) {
    case Phase::KeyOpen:
        if (byte != 0x00)
            return Break(t, Hex(byte) + " where 0x00 should open a key");
        phase = Phase::Key;
        key.clear();
        return true;
    case Phase::Key:
        if (byte == 0x01) {
            if (key.empty())
                return Break(t, "an empty key");
            phase = Phase::Value;
            value.clear();
            return true;
        }
        if (byte == 0x00 || byte == 0x02)
            return Break(t, Hex(byte) + " inside a key");
        key += (char)byte;
        return true;
    case Phase::Value:
        if (byte == 0x02) {
            received.emplace_back(key, value);
            phase = Phase::KeyOpen;
            return true;
        }
        value += (char)byte;
        return true;
    case Phase::Broken:
        break;
    }
    return false;
}

void RdsEncoder::Stop(int64_t t) {
    if (phase == Phase::Broken)
        return; // already reported
    if (phase != Phase::KeyOpen) {
        Refuse(t, "RDS message dropped: it ended inside a setting");
        return;
    }
    if (received.empty()) {
        Refuse(t, "RDS message dropped: it carried no setting");
        return;
    }
    for (const auto &setting : received) {
        if (!generalCall) {
            settings[setting.first] = setting.second;
        } else if (setting.first == "PWR" && setting.second.size() == 1 &&
                   (uint8_t)setting.second[0] <= 1) {
            power = setting.second[0] == 1;
        } else {
            Refuse(t, "general call setting \"" + setting.first + "\" is not the power: not taken");
        }
    }
}

void RdsEncoder::Abandon(int64_t t) {
    if (phase != Phase::Broken)
        Refuse(t, "RDS message dropped: no STOP");
}

} // namespace sim

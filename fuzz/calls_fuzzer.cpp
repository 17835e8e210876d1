// Fuzz target: turns its input into a run of exported calls with arbitrary
// arguments under changing driver and counter conditions, and checks after
// every call that
// - a call that answered 1 put on the bus exactly the message its arguments
//   ask for, whole, acknowledged and stopped, as the bus analyser reads it,
//   and the card's chips took it;
// - a call that answered 0 says why in the last error, and a refused or
//   unopened call touched no line;
// - no handle is left open.
// The sanitizers report anything else.
//
// This holds for every call, also right after a call that the driver cut off
// in the middle of a byte: the library then clears the bus before the next
// message.
#include "torvelapi.h"

#include "calls.h"
#include "card.h"
#include "commands/rds.h"
#include "commands/tuning.h"
#include "sim.h"
#include "trace.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Input {
    const uint8_t *data;
    size_t size;

    uint8_t Byte() {
        if (size == 0)
            return 0;
        --size;
        return *data++;
    }
    uint32_t Word() {
        uint32_t word = 0;
        for (int i = 0; i < 4; ++i)
            word = word << 8 | Byte();
        return word;
    }
    // A string of up to 255 bytes; a 0 byte ends it early, as in C.
    std::string Text() {
        const size_t length = Byte();
        std::string text;
        for (size_t i = 0; i < length && size > 0; ++i)
            text += (char)Byte();
        return text;
    }
};

void Check(bool condition, const char *what) {
    if (!condition) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FreshCard();
    // Few counter reads per wait keep the runs fast; the wait rule itself is
    // tested on its own.
    sim::SetCounterReadCost(20000);
    Input input{data, size};
    bool present = true;
    bool rejecting = false;
    uint32_t rejectError = 0;

    for (int calls = 0; input.size > 0 && calls < 16; ++calls) {
        const uint8_t operation = input.Byte();
        // Conditions first: they are not calls.
        switch (operation % 10) {
        case 6:
            present = !present;
            sim::SetDriverPresent(present);
            continue;
        case 7: {
            const uint32_t accepted = input.Byte();
            rejectError = 1000 + input.Byte();
            rejecting = true;
            sim::RejectRequestsAfter(accepted, rejectError);
            continue;
        }
        case 8:
            rejecting = false;
            sim::AcceptAllRequests();
            continue;
        case 9: {
            const uint8_t mode = input.Byte() % 3;
            sim::SetCounter(mode == 0   ? sim::CounterMode::Usable
                            : mode == 1 ? sim::CounterMode::Zero
                                        : sim::CounterMode::Failing,
                            1000000 + input.Word() % 99000000);
            continue;
        }
        default:
            break;
        }

        sim::ClearEvents();
        SetLastError(0);
        int result = 0;
        bool refused = false;
        bool bus = true;
        Bytes expected;
        size_t keyLength = 0;
        switch (operation % 10) {
        case 0: {
            const uint32_t frequency = input.Word(), control = input.Word();
            result = SetFrequency(frequency, (int)control);
            expected = TuningMessage(ChannelOf(frequency), (uint8_t)(control & 0x0F));
            break;
        }
        case 1: {
            const std::string key = input.Text(), value = input.Text();
            // Half the time a null pointer instead of an empty string.
            const char *k = key.empty() && (operation & 0x80) ? nullptr : key.c_str();
            const char *v = value.empty() && (operation & 0x40) ? nullptr : value.c_str();
            result = SetRDS(k, v);
            refused = !IsRDSText(k) || !IsRDSText(v);
            if (!refused) {
                expected = SettingMessage(k, v);
                keyLength = std::strlen(k);
            }
            break;
        }
        case 2: {
            const int enable = (int)input.Word();
            result = SetRDSPower(enable);
            expected = PowerMessage(enable != 0);
            break;
        }
        case 3:
            result = SetStereo();
            bus = false;
            break;
        case 4:
            result = SetMono();
            bus = false;
            break;
        default:
            result = IsTorvel2007();
            bus = false;
            break;
        }

        const DWORD error = GetLastError();
        const std::vector<sim::Event> events = sim::Events();
        Check(sim::OpenHandles() == 0, "a handle was left open");
        Check(result == 0 || result == 1, "a result other than 0 or 1");
        if (refused) {
            Check(result == 0 && error == ERROR_INVALID_PARAMETER, "refused arguments accepted");
            Check(events.empty(), "a refused call touched the platform");
        } else if (!present) {
            Check(result == 0 && error == ERROR_FILE_NOT_FOUND, "no driver, yet no failure");
            Check(Count(events, sim::Call::Request) == 0, "a request without a driver");
        } else if (result == 1) {
            Check(events.front().call == sim::Call::Open, "a call began with something else");
            const sim::Card card = sim::CurrentCard();
            const sim::CardState state = card.State();
            if (bus) {
                // The call's message is the last one; an earlier one can only
                // be the rest of a message that a failed call left open.
                const std::vector<sim::Message> messages = card.Messages();
                Check(!messages.empty(), "no message on the bus");
                const sim::Message &message = messages.back();
                Check(message.startNs >= events.front().timeNs, "no message of this call");
                Check(message.Values() == expected, "the bus does not carry the message asked for");
                Check(message.stopped, "the message has no STOP");
                for (const sim::BusByte &byte : message.bytes)
                    Check(byte.ack, "a byte of the message was not acknowledged");
                for (const sim::Fault &fault : state.faults)
                    Check(fault.message != (int)messages.size() - 1,
                          "a fault in the call's message");
                Check((sim::Lines() & 0x0C) == 0x0C, "the bus was not left idle");
            }
            // What the chips took; the mode line is the driver's alone.
            switch (operation % 10) {
            case 0:
                Check(state.tuned && state.channel == ((uint32_t)expected[1] << 8 | expected[2]) &&
                          state.control == expected[4],
                      "the transmitter was not tuned as asked");
                break;
            case 1: {
                const auto found = state.rds.find(
                    std::string(expected.begin() + 2, expected.begin() + 2 + keyLength));
                Check(found != state.rds.end() &&
                          found->second ==
                              std::string(expected.begin() + 3 + keyLength, expected.end() - 1),
                      "the encoder does not hold the setting");
                break;
            }
            case 2:
                Check(state.rdsPower == (expected[5] != 0), "the encoder's power is not as asked");
                break;
            case 3:
            case 4:
                Check(state.mono == (operation % 10 == 4), "the mode is not as asked");
                break;
            default:
                break;
            }
        } else {
            Check(rejecting && error == rejectError, "a failure without its reason");
            Check(events.back().call == sim::Call::Close, "a failed call did not close");
        }
    }
    return 0;
}

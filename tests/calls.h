// The six exports and the bus messages they send, written out as literal
// bytes: the tests' own expectations, kept apart from the library's code.
#ifndef TORVEL_TESTS_CALLS_H
#define TORVEL_TESTS_CALLS_H

#include "bus_decoder.h"

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct ExportCall {
    const char *name;
    int (*call)();       // the export, with arguments where it takes any
    const char *caption; // the message box of a failed open, or null
    int requests;        // the requests it sends to a present driver
    Bytes message;       // what it puts on the bus; empty for none
};

// The six exports in the order of their ordinals: SetFrequency(98500, 0),
// SetRDS("AB", "12") and SetRDSPower(1) for those that take arguments.
extern const std::vector<ExportCall> EXPORTS;

// A setting for the RDS encoder: its address byte 0xAC, 0x00, the key, 0x01,
// the value, 0x02.
Bytes SettingMessage(const std::string &key, const std::string &value);

// The RDS encoder's power: general call, key "PWR", the raw byte 1 or 0.
Bytes PowerMessage(bool on);

// A tune of the transmitter: address byte 0xC0, the channel's high and low
// byte, the fixed 0xC0, the control value.
Bytes TuningMessage(unsigned channel, uint8_t control);

// A fresh simulated card (sim::Reset), and a library that has seen no call
// cut off part-way: the bus is not marked as possibly held.
void FreshCard();

// The bytes of each message, the address byte included.
std::vector<Bytes> Values(const std::vector<sim::Message> &messages);

#endif

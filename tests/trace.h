// Readable forms of the simulated card's recording for the tests.
#ifndef TORVEL_TESTS_TRACE_H
#define TORVEL_TESTS_TRACE_H

#include "sim.h"

#include <cstdint>
#include <string>
#include <vector>

// One word per line step and per wait, in order: "D+" / "D-" data raised or
// lowered, "C+" / "C-" the clock, "M+" / "M-" the mode line, "P0F" a preset
// with its byte, "w" a wait (each wait asks the counter frequency once).
std::string Trace(const std::vector<sim::Event> &events);

// The trace of a byte written on the bus, built from the waveform: per bit
// two waits, the data level, a clock pulse between waits, and "D-" after a 1;
// then the acknowledge clock with the data line released.
std::string ByteTrace(unsigned byte);

// Joins traces with single spaces, skipping empty ones.
std::string Join(const std::vector<std::string> &parts);

// The bytes of every message on the bus, read from the line levels the way a
// chip reads them: a start condition opens a message, each rising clock
// samples a bit, every ninth bit is the acknowledge, a stop closes it.
std::vector<std::vector<uint8_t>> BusMessages(const std::vector<sim::Event> &events);

int Count(const std::vector<sim::Event> &events, sim::Call call);

#endif

// The command line of torvelctl, read into the commands of one run. Reading
// checks everything: a run whose line reads without error sends only what the
// library accepts, and a line with any error sends nothing.
#ifndef TORVELCTL_COMMAND_LINE_H
#define TORVELCTL_COMMAND_LINE_H

#include <cstdint>
#include <string>
#include <vector>

namespace torvelctl {

enum class CommandKind { Status, Frequency, Stereo, Mono, RDS, RDSPower };

struct Command {
    CommandKind kind = CommandKind::Status;
    std::string text;       // the command as given, for messages: "freq 98.5"
    uint32_t kHz = 0;       // Frequency
    int control = 0;        // Frequency
    std::string key, value; // RDS
    bool on = false;        // RDSPower
};

// Options that only the simulated card offers.
struct SimulatorOptions {
    bool trace = false;
    bool realTime = false;
    std::string vcdPath; // empty: no waveform
};

struct CommandLine {
    bool help = false;
    bool version = false;
    SimulatorOptions simulator;
    std::vector<Command> commands;
};

// Reads the arguments after the program name. Returns false with a one-line
// reason in `error` when anything is wrong. `simulatorOptions` says whether
// --trace, --vcd and --realtime are offered.
bool ReadCommandLine(const std::vector<std::string> &arguments, bool simulatorOptions,
                     CommandLine *line, std::string *error);

// A frequency in MHz with up to three decimals ("98.5", "98.525", "100") or
// in kHz with a k suffix ("98500k"), in kHz, exactly. Returns false with the
// reason in `error` when it does not read or does not fit 32 bits.
bool ParseFrequency(const std::string &text, uint32_t *kHz, std::string *error);

// A control value from 0 to 15, decimal ("12") or hexadecimal ("0xC").
bool ParseControl(const std::string &text, int *control, std::string *error);

// The frequency that the card is tuned to for `kHz`: the library truncates
// to a 50 kHz step and holds it within 86000 to 108000 kHz.
uint32_t TunedKHz(uint32_t kHz);

// A warning when the card will not use `kHz` as given, else empty.
std::string FrequencyWarning(uint32_t kHz);

// "98.50 MHz": kHz as MHz with two decimals, or three when they are needed.
std::string FormatMHz(uint32_t kHz);

// Text for a message: printable ASCII as it is, quotes, backslashes and other
// bytes escaped ("\x01"), all in double quotes.
std::string Quote(const std::string &text);

} // namespace torvelctl

#endif

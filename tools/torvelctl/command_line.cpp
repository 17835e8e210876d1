#include "command_line.h"

#include "commands/rds.h"
#include "commands/tuning.h"

#include <cstdio>

namespace torvelctl {
namespace {

// The band's edges, as the library holds a frequency within it.
const uint32_t BAND_LOWEST_KHZ = CHANNEL_LOWEST * CHANNEL_STEP_KHZ;
const uint32_t BAND_HIGHEST_KHZ = CHANNEL_HIGHEST * CHANNEL_STEP_KHZ;
const uint64_t LARGEST_KHZ = 0xFFFFFFFFu; // the library takes an unsigned 32-bit figure

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads the digits from `begin` to `end` as a decimal number. Returns false
// when there are none or anything else is there, and also, with `tooLarge`
// set, when the number exceeds `limit`.
bool ReadDecimal(const std::string &text, size_t begin, size_t end, uint64_t limit,
                 uint64_t *number, bool *tooLarge) {
    *tooLarge = false;
    if (begin >= end)
        return false;
    for (size_t i = begin; i < end; ++i) {
        if (!IsDigit(text[i]))
            return false;
    }
    uint64_t n = 0;
    for (size_t i = begin; i < end; ++i) {
        n = n * 10 + (uint64_t)(text[i] - '0');
        if (n > limit) {
            *tooLarge = true;
            return false;
        }
    }
    *number = n;
    return true;
}

const char FREQUENCY_FORMS[] = "give MHz with up to three decimals (98.5) or kHz with a k suffix "
                               "(98500k)";

} // namespace

bool ParseFrequency(const std::string &text, uint32_t *kHz, std::string *error) {
    const std::string bad = Quote(text) + " is not a frequency: " + FREQUENCY_FORMS;
    const std::string large = Quote(text) + " is too large a frequency for the card";
    uint64_t value = 0;
    bool tooLarge = false;
    if (!text.empty() && text.back() == 'k') {
        if (!ReadDecimal(text, 0, text.size() - 1, LARGEST_KHZ, &value, &tooLarge)) {
            *error = tooLarge ? large : bad;
            return false;
        }
        *kHz = (uint32_t)value;
        return true;
    }
    const size_t point = text.find('.');
    const size_t wholeEnd = point == std::string::npos ? text.size() : point;
    uint64_t mhz = 0;
    if (!ReadDecimal(text, 0, wholeEnd, LARGEST_KHZ / 1000, &mhz, &tooLarge)) {
        *error = tooLarge ? large : bad;
        return false;
    }
    uint64_t fraction = 0;
    if (point != std::string::npos) {
        const size_t decimals = text.size() - point - 1;
        for (size_t i = point + 1; i < text.size(); ++i) {
            if (!IsDigit(text[i])) {
                *error = bad;
                return false;
            }
        }
        if (decimals == 0) {
            *error = bad;
            return false;
        }
        if (decimals > 3) {
            *error = Quote(text) + " has more than three decimals: the card is tuned in kHz";
            return false;
        }
        ReadDecimal(text, point + 1, text.size(), 999, &fraction, &tooLarge);
        for (size_t i = decimals; i < 3; ++i)
            fraction *= 10;
    }
    value = mhz * 1000 + fraction;
    if (value > LARGEST_KHZ) {
        *error = large;
        return false;
    }
    *kHz = (uint32_t)value;
    return true;
}

bool ParseControl(const std::string &text, int *control, std::string *error) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const size_t begin = hex ? 2 : 0;
    const uint64_t base = hex ? 16 : 10;
    uint64_t value = 0;
    bool read = begin < text.size();
    for (size_t i = begin; i < text.size() && read; ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0 || (!hex && !IsDigit(text[i])))
            read = false;
        else if ((value = value * base + (uint64_t)digit) > 16)
            value = 16; // out of range already; kept small so that it cannot overflow
    }
    if (!read) {
        *error = Quote(text) + " is not a control value: give 0 to 15, or 0x0 to 0xF";
        return false;
    }
    if (value > 15) {
        *error = "control value " + text + " is out of 0 to 15";
        return false;
    }
    *control = (int)value;
    return true;
}

uint32_t TunedKHz(uint32_t kHz) {
    return ChannelOf(kHz) * CHANNEL_STEP_KHZ;
}

std::string FrequencyWarning(uint32_t kHz) {
    const std::string tuned = "the card will use " + FormatMHz(TunedKHz(kHz));
    if (kHz < BAND_LOWEST_KHZ || kHz > BAND_HIGHEST_KHZ)
        return FormatMHz(kHz) + " is outside 86.00 to 108.00 MHz: " + tuned;
    if (kHz % CHANNEL_STEP_KHZ != 0)
        return FormatMHz(kHz) + " is not on a 50 kHz step: " + tuned;
    return "";
}

std::string FormatMHz(uint32_t kHz) {
    char text[32];
    if (kHz % 10 == 0)
        std::snprintf(text, sizeof text, "%u.%02u MHz", (unsigned)(kHz / 1000),
                      (unsigned)(kHz % 1000 / 10));
    else
        std::snprintf(text, sizeof text, "%u.%03u MHz", (unsigned)(kHz / 1000),
                      (unsigned)(kHz % 1000));
    return text;
}

std::string Quote(const std::string &text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const unsigned char byte = (unsigned char)c;
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte >= 0x20 && byte < 0x7F) {
            quoted += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", (unsigned)byte);
            quoted += escape;
        }
    }
    return quoted + "\"";
}

bool ReadCommandLine(const std::vector<std::string> &arguments, bool simulatorOptions,
                     CommandLine *line, std::string *error) {
    *line = CommandLine();
    for (const std::string &argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            line->help = true;
            return true;
        }
    }
    const size_t count = arguments.size();
    for (size_t i = 0; i < count; ++i) {
        const std::string &word = arguments[i];
        const bool more = i + 1 < count;
        if (word == "--version") {
            line->version = true;
        } else if (word == "--trace" || word == "--realtime" || word == "--vcd") {
            if (!simulatorOptions) {
                *error = word + " is only offered with the simulated card";
                return false;
            }
            if (word == "--trace") {
                line->simulator.trace = true;
            } else if (word == "--realtime") {
                line->simulator.realTime = true;
            } else {
                if (!more || arguments[i + 1].empty()) {
                    *error = "--vcd needs a file name";
                    return false;
                }
                line->simulator.vcdPath = arguments[++i];
            }
        } else if (word == "--control") {
            *error = "--control belongs right after freq MHZ";
            return false;
        } else if (word.size() > 1 && word[0] == '-') {
            *error = "unknown option " + Quote(word) + " (see torvelctl --help)";
            return false;
        } else if (word == "status" || word == "stereo" || word == "mono") {
            Command command;
            command.kind = word == "status"   ? CommandKind::Status
                           : word == "stereo" ? CommandKind::Stereo
                                              : CommandKind::Mono;
            command.text = word;
            line->commands.push_back(command);
        } else if (word == "freq") {
            if (!more) {
                *error = "freq needs a frequency in MHz, e.g. freq 98.5";
                return false;
            }
            Command command;
            command.kind = CommandKind::Frequency;
            command.text = "freq " + arguments[++i];
            if (!ParseFrequency(arguments[i], &command.kHz, error)) {
                *error = "freq: " + *error;
                return false;
            }
            if (i + 1 < count && arguments[i + 1] == "--control") {
                if (i + 2 >= count) {
                    *error = "freq: --control needs a value from 0 to 15";
                    return false;
                }
                i += 2;
                if (!ParseControl(arguments[i], &command.control, error)) {
                    *error = "freq: " + *error;
                    return false;
                }
                command.text += " --control " + arguments[i];
            }
            line->commands.push_back(command);
        } else if (word == "rds") {
            if (i + 2 >= count) {
                *error = "rds needs a KEY and a VALUE, e.g. rds PS \"RADIO 1\"";
                return false;
            }
            Command command;
            command.kind = CommandKind::RDS;
            command.key = arguments[i + 1];
            command.value = arguments[i + 2];
            command.text = "rds " + Quote(command.key) + " " + Quote(command.value);
            i += 2;
            const struct {
                const char *name;
                const std::string &text;
            } parts[] = {{"key", command.key}, {"value", command.value}};
            for (const auto &part : parts) {
                if (IsRDSText(part.text.c_str()))
                    continue;
                if (part.text.empty()) {
                    *error = std::string("rds: the ") + part.name + " is empty";
                } else {
                    const char framing = part.text[part.text.find_first_of("\x01\x02")];
                    *error = std::string("rds: the ") + part.name + " " + Quote(part.text) +
                             " holds the byte " + (framing == '\x01' ? "0x01" : "0x02") +
                             ", which the RDS encoder reads as framing";
                }
                return false;
            }
            line->commands.push_back(command);
        } else if (word == "rds-power") {
            if (!more || (arguments[i + 1] != "on" && arguments[i + 1] != "off")) {
                *error = "rds-power takes on or off";
                if (more)
                    *error += ", not " + Quote(arguments[i + 1]);
                return false;
            }
            Command command;
            command.kind = CommandKind::RDSPower;
            command.on = arguments[++i] == "on";
            command.text = "rds-power " + arguments[i];
            line->commands.push_back(command);
        } else {
            *error = Quote(word) + " is not a command (see torvelctl --help)";
            return false;
        }
    }
    if (!line->version && line->commands.empty()) {
        *error = "no command given (see torvelctl --help)";
        return false;
    }
    return true;
}

} // namespace torvelctl

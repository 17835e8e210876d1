#include "vcd.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace sim {

namespace {
const int64_t TAIL_NS = 10000;

struct Signal {
    uint8_t line;
    char code;
    const char *name;
};
const Signal SIGNALS[] = {
    {LINE_CLOCK, '!', "scl"}, {LINE_DATA, '"', "sda"}, {LINE_MODE, '#', "mode"}};

void Level(std::string &out, const Signal &signal, uint8_t lines) {
    out += (lines & signal.line) ? '1' : '0';
    out += signal.code;
    out += '\n';
}
} // namespace

std::string Vcd(const std::vector<LineChange> &waveform) {
    int64_t unit = 1000;
    for (const LineChange &change : waveform)
        while (unit > 1 && change.timeNs % unit != 0)
            unit /= 10;
    const char *unitName = unit == 1000  ? "1 us"
                           : unit == 100 ? "100 ns"
                           : unit == 10  ? "10 ns"
                                         : "1 ns";

    std::string out = "$version torvelapi simulated card $end\n$timescale ";
    out += unitName;
    out += " $end\n$scope module card $end\n";
    for (const Signal &signal : SIGNALS)
        out += std::string("$var wire 1 ") + signal.code + " " + signal.name + " $end\n";
    out += "$upscope $end\n$enddefinitions $end\n";
    if (waveform.empty())
        return out;

    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "#%lld\n", (long long)(waveform[0].timeNs / unit));
    out += stamp;
    out += "$dumpvars\n";
    for (const Signal &signal : SIGNALS)
        Level(out, signal, waveform[0].lines);
    out += "$end\n";

    // Changes at one time go under one time stamp.
    uint8_t lines = waveform[0].lines;
    int64_t stamped = waveform[0].timeNs;
    for (const LineChange &change : waveform) {
        const uint8_t changed = (uint8_t)(lines ^ change.lines);
        lines = change.lines;
        if (changed == 0)
            continue;
        if (change.timeNs != stamped) {
            std::snprintf(stamp, sizeof stamp, "#%lld\n", (long long)(change.timeNs / unit));
            out += stamp;
            stamped = change.timeNs;
        }
        for (const Signal &signal : SIGNALS)
            if (changed & signal.line)
                Level(out, signal, lines);
    }
    const int64_t end = waveform.back().timeNs + TAIL_NS;
    std::snprintf(stamp, sizeof stamp, "#%lld\n", (long long)(end / unit));
    out += stamp;
    return out;
}

bool WriteVcd(const std::string &path, const std::vector<LineChange> &waveform) {
    std::FILE *file = std::fopen(path.c_str(), "w");
    if (file == nullptr)
        return false;
    const std::string text = Vcd(waveform);
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

bool ParseVcd(const std::string &text, std::vector<LineChange> *waveform) {
    std::istringstream in(text);
    std::string word;
    std::map<std::string, uint8_t> lineOf; // identifier code to line mask
    int64_t unitNs = 0;
    while (in >> word && word != "$enddefinitions") {
        if (word == "$timescale") {
            std::string size, unit;
            in >> size >> unit;
            const int64_t scale = unit == "ms"   ? 1000000
                                  : unit == "us" ? 1000
                                  : unit == "ns" ? 1
                                                 : 0;
            unitNs = std::atoll(size.c_str()) * scale;
        } else if (word == "$var") {
            std::string type, width, code, name;
            in >> type >> width >> code >> name;
            for (const Signal &signal : SIGNALS)
                if (name == signal.name)
                    lineOf[code] = signal.line;
        }
    }
    if (unitNs <= 0 || lineOf.size() != sizeof SIGNALS / sizeof SIGNALS[0])
        return false;

    // Changes under one time stamp make one change of the lines.
    waveform->clear();
    LineChange now;
    bool timed = false;
    auto flush = [&] {
        if (timed && (waveform->empty() || waveform->back().lines != now.lines))
            waveform->push_back(now);
    };
    while (in >> word) {
        if (word[0] == '#') {
            flush();
            now.timeNs = std::atoll(word.c_str() + 1) * unitNs;
            timed = true;
        } else if ((word[0] == '0' || word[0] == '1') && lineOf.count(word.substr(1)) != 0) {
            const uint8_t line = lineOf[word.substr(1)];
            now.lines = word[0] == '1' ? (uint8_t)(now.lines | line) : (uint8_t)(now.lines & ~line);
        }
    }
    flush();
    return true;
}

bool ReadVcd(const std::string &path, std::vector<LineChange> *waveform) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return file.is_open() && ParseVcd(text.str(), waveform);
}

} // namespace sim

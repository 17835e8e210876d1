// The waveform of real calls, written as VCD and read back by sigrok-cli's I2C
// decoder: its annotations must match the card's own decoded messages one for
// one, STOPs and acknowledges included.
#include "torvelapi.h"

#include "calls.h"
#include "card.h"
#include "sim.h"
#include "vcd.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The card's messages in the words of the decoder's annotations.
std::vector<std::string> Annotations(const std::vector<sim::Message> &messages) {
    std::vector<std::string> lines;
    char text[32];
    for (const sim::Message &message : messages) {
        lines.push_back(message.repeatedStart ? "Start repeat" : "Start");
        for (size_t i = 0; i < message.bytes.size(); ++i) {
            const sim::BusByte &byte = message.bytes[i];
            if (i == 0) {
                lines.push_back(message.Read() ? "Read" : "Write");
                std::snprintf(text, sizeof text, "Address %s: %02X",
                              message.Read() ? "read" : "write", message.Address());
            } else {
                std::snprintf(text, sizeof text, "Data write: %02X", byte.value);
            }
            lines.push_back(text);
            lines.push_back(byte.ack ? "ACK" : "NACK");
        }
        if (message.stopped)
            lines.push_back("Stop");
    }
    return lines;
}

// Runs the decoder on `path`; the annotations without their "i2c-1: " prefix.
std::vector<std::string> Decode(const std::string &path, int *status) {
    const std::string command =
        "sigrok-cli -I vcd -i '" + path +
        "' -P i2c:scl=scl:sda=sda -A i2c=start:repeat-start:stop:address-write:data-write:ack:nack";
    std::vector<std::string> lines;
    std::FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        *status = -1;
        return lines;
    }
    char line[256];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::string text = line;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        const std::string prefix = "i2c-1: ";
        if (text.compare(0, prefix.size(), prefix) == 0)
            text.erase(0, prefix.size());
        lines.push_back(text);
    }
    *status = pclose(pipe);
    return lines;
}

TEST(Vcd, NamesTheLinesInOneScope) {
    FreshCard();
    SetMono();
    const std::string vcd = sim::Vcd(sim::CurrentCard().Waveform());
    EXPECT_NE(vcd.find("$scope module card $end\n"
                       "$var wire 1 ! scl $end\n"
                       "$var wire 1 \" sda $end\n"
                       "$var wire 1 # mode $end\n"
                       "$upscope $end\n"),
              std::string::npos)
        << vcd;
    // Idle bus and stereo at the start, then the mode line rises.
    EXPECT_NE(vcd.find("$dumpvars\n1!\n1\"\n0#\n$end\n#3\n1#\n"), std::string::npos) << vcd;
}

TEST(Vcd, ReadsBackTheWaveformItWrote) {
    FreshCard();
    SetFrequency(98500, 0);
    SetMono();
    // Changes at one time are written under one time stamp: they read back as
    // one change to the last levels.
    const sim::Card card = sim::CurrentCard();
    std::vector<std::pair<int64_t, int>> expected;
    for (const sim::LineChange &change : card.Waveform()) {
        if (!expected.empty() && expected.back().first == change.timeNs)
            expected.back().second = change.lines;
        else if (expected.empty() || expected.back().second != change.lines)
            expected.push_back({change.timeNs, change.lines});
    }
    std::vector<sim::LineChange> read;
    ASSERT_TRUE(sim::ParseVcd(sim::Vcd(card.Waveform()), &read));
    std::vector<std::pair<int64_t, int>> actual;
    for (const sim::LineChange &change : read)
        actual.push_back({change.timeNs, change.lines});
    EXPECT_EQ(actual, expected);

    EXPECT_FALSE(sim::ParseVcd("$timescale 1 us $end\n$enddefinitions $end\n#0\n", &read));
    EXPECT_FALSE(sim::ReadVcd(::testing::TempDir() + "torvel_no_such.vcd", &read));
}

TEST(Vcd, AnIndependentDecoderReadsTheSameMessages) {
    ASSERT_EQ(std::system("command -v sigrok-cli >/dev/null 2>&1"), 0)
        << "sigrok-cli is missing: scripts/install-deps installs it";
    const struct {
        const char *name;
        void (*calls)();
        size_t messages;
    } cases[] = {
        {"tune", [] { SetFrequency(98500, 0); }, 1},
        {"setting", [] { SetRDS("PS", "Hi"); }, 1},
        {"power", [] { SetRDSPower(1); }, 1},
        {"a station",
         [] {
             SetFrequency(87525, 3);
             SetStereo();
             SetRDS("PS", "RADIO 1");
             SetRDSPower(1);
         },
         3},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FreshCard();
        c.calls();
        const sim::Card card = sim::CurrentCard();
        const std::vector<sim::Message> messages = card.Messages();
        ASSERT_EQ(messages.size(), c.messages);

        const std::string path = ::testing::TempDir() + "torvel_" + c.name + ".vcd";
        ASSERT_TRUE(sim::WriteVcd(path, card.Waveform()));
        int status = 0;
        const std::vector<std::string> decoded = Decode(path, &status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(decoded, Annotations(messages));
        std::remove(path.c_str());
    }
}

} // namespace

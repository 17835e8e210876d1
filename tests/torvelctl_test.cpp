// torvelctl run in-process on the simulated card: exit status, what reached
// the card, and what was printed.
#include "command_line.h"
#include "torvelctl.h"

#include "calls.h"
#include "card.h"
#include "sim.h"
#include "trace.h"
#include "vcd.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using Args = std::vector<std::string>;

struct Outcome {
    int status = -1;
    std::string out, err;
};

Outcome RunLine(const Args &arguments) {
    std::ostringstream out, err;
    Outcome run;
    run.status = RunTorvelctl(arguments, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

std::string Describe(const Args &arguments) {
    std::string text = "torvelctl";
    for (const std::string &argument : arguments)
        text += " " + torvelctl::Quote(argument);
    return text;
}

// The mode line's changes, in order: "M-" stereo, "M+" mono.
std::string ModeChanges(const std::vector<sim::Event> &events) {
    std::istringstream words(Trace(events));
    std::string word, changes;
    while (words >> word)
        if (word == "M+" || word == "M-")
            changes += (changes.empty() ? "" : " ") + word;
    return changes;
}

const Bytes TUNE_98_5 = TuningMessage(1970, 0);
const Bytes PS_RADIO_1 = SettingMessage("PS", "RADIO 1");
const Bytes POWER_ON = PowerMessage(true);
const Bytes POWER_OFF = PowerMessage(false);

std::string Warning(const std::string &command, const std::string &text) {
    return "torvelctl: warning: " + command + ": " + text + "\n";
}

class Torvelctl : public ::testing::Test {
  protected:
    void SetUp() override { FreshCard(); }
    void TearDown() override { EXPECT_EQ(sim::OpenHandles(), 0); }
};

TEST_F(Torvelctl, CommandsReachTheCardAndSayWhatTheyDid) {
    const struct {
        Args arguments;
        std::vector<Bytes> messages;
        std::string modeChanges;
        std::string out; // printed on standard output, whole
        std::string err; // printed on standard error, whole
    } cases[] = {
        {{"status"}, {}, "", "status: the card's driver can be reached\n", ""},
        {{"freq", "98.5"}, {TUNE_98_5}, "", "freq 98.5: tuned to 98.50 MHz, control 0\n", ""},
        {{"freq", "98500k", "--control", "0xC"},
         {{0xC0, 0x07, 0xB2, 0xC0, 0x0C}},
         "",
         "freq 98500k --control 0xC: tuned to 98.50 MHz, control 12\n",
         ""},
        {{"freq", "87.6", "--control", "15"},
         {{0xC0, 0x06, 0xD8, 0xC0, 0x0F}},
         "",
         "freq 87.6 --control 15: tuned to 87.60 MHz, control 15\n",
         ""},
        // Off a 50 kHz step: truncated, never rounded up.
        {{"freq", "107.999"},
         {{0xC0, 0x08, 0x6F, 0xC0, 0x00}},
         "",
         "freq 107.999: tuned to 107.95 MHz, control 0\n",
         Warning("freq 107.999",
                 "107.999 MHz is not on a 50 kHz step: the card will use 107.95 MHz")},
        {{"freq", "86"},
         {{0xC0, 0x06, 0xB8, 0xC0, 0x00}},
         "",
         "freq 86: tuned to 86.00 MHz, control 0\n",
         ""},
        {{"freq", "108.000"},
         {{0xC0, 0x08, 0x70, 0xC0, 0x00}},
         "",
         "freq 108.000: tuned to 108.00 MHz, control 0\n",
         ""},
        // Outside the band: held at its edges, with a warning.
        {{"freq", "85.999"},
         {{0xC0, 0x06, 0xB8, 0xC0, 0x00}},
         "",
         "freq 85.999: tuned to 86.00 MHz, control 0\n",
         Warning("freq 85.999",
                 "85.999 MHz is outside 86.00 to 108.00 MHz: the card will use 86.00 MHz")},
        {{"freq", "108049k"},
         {{0xC0, 0x08, 0x70, 0xC0, 0x00}},
         "",
         "freq 108049k: tuned to 108.00 MHz, control 0\n",
         Warning("freq 108049k",
                 "108.049 MHz is outside 86.00 to 108.00 MHz: the card will use 108.00 MHz")},
        {{"freq", "0"},
         {{0xC0, 0x06, 0xB8, 0xC0, 0x00}},
         "",
         "freq 0: tuned to 86.00 MHz, control 0\n",
         Warning("freq 0", "0.00 MHz is outside 86.00 to 108.00 MHz: the card will use 86.00 MHz")},
        {{"stereo"}, {}, "M-", "stereo: stereo selected\n", ""},
        {{"mono"}, {}, "M+", "mono: mono selected\n", ""},
        {{"rds", "PS", "RADIO 1"}, {PS_RADIO_1}, "", "rds \"PS\" \"RADIO 1\": sent\n", ""},
        // Bytes above 0x7F go out unchanged and are shown escaped.
        {{"rds", "RT", "Caf\xE9"},
         {SettingMessage("RT", "Caf\xE9")},
         "",
         "rds \"RT\" \"Caf\\xE9\": sent\n",
         ""},
        {{"rds-power", "on"}, {POWER_ON}, "", "rds-power on: RDS encoder switched on\n", ""},
        {{"rds-power", "off"}, {POWER_OFF}, "", "rds-power off: RDS encoder switched off\n", ""},
        // Several commands, in order; options may stand anywhere.
        {{"freq", "98.5", "stereo", "rds", "PS", "RADIO 1", "rds-power", "on", "mono"},
         {TUNE_98_5, PS_RADIO_1, POWER_ON},
         "M- M+",
         "freq 98.5: tuned to 98.50 MHz, control 0\n"
         "stereo: stereo selected\n"
         "rds \"PS\" \"RADIO 1\": sent\n"
         "rds-power on: RDS encoder switched on\n"
         "mono: mono selected\n",
         ""},
        // An RDS value is taken as it is, even when it looks like a command.
        {{"rds", "PS", "stereo", "rds-power", "off"},
         {SettingMessage("PS", "stereo"), POWER_OFF},
         "",
         "rds \"PS\" \"stereo\": sent\nrds-power off: RDS encoder switched off\n",
         ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(Describe(c.arguments));
        FreshCard();
        const Outcome run = RunLine(c.arguments);
        EXPECT_EQ(run.status, 0) << run.err;
        const std::vector<sim::Event> events = sim::Events();
        EXPECT_EQ(BusMessages(events), c.messages);
        EXPECT_EQ(ModeChanges(events), c.modeChanges);
        EXPECT_EQ(Count(events, sim::Call::MessageBox), 0);
        // The simulated card's report follows the commands' lines.
        EXPECT_EQ(run.out.substr(0, c.out.size()), c.out);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(sim::OpenHandles(), 0);
    }
}

// Every mistake is found before anything is sent, wherever it stands.
TEST_F(Torvelctl, BadInputSendsNothingAndExitsWithTwo) {
    const struct {
        Args arguments;
        std::string err; // the one line on standard error, after "torvelctl: "
    } cases[] = {
        {{}, "no command given (see torvelctl --help)"},
        {{"--trace"}, "no command given (see torvelctl --help)"},
        {{"tune", "98.5"}, "\"tune\" is not a command (see torvelctl --help)"},
        {{"Stereo"}, "\"Stereo\" is not a command (see torvelctl --help)"},
        {{"stereo", "now"}, "\"now\" is not a command (see torvelctl --help)"},
        {{"--frob", "stereo"}, "unknown option \"--frob\" (see torvelctl --help)"},
        {{"freq"}, "freq needs a frequency in MHz, e.g. freq 98.5"},
        {{"freq", "98.5000"},
         "freq: \"98.5000\" has more than three decimals: the card is tuned in kHz"},
        {{"freq", "98,5"},
         "freq: \"98,5\" is not a frequency: give MHz with up to three decimals (98.5) or kHz with "
         "a k suffix (98500k)"},
        {{"freq", "stereo"},
         "freq: \"stereo\" is not a frequency: give MHz with up to three decimals (98.5) or kHz "
         "with a k suffix (98500k)"},
        {{"freq", "4294967.296"}, "freq: \"4294967.296\" is too large a frequency for the card"},
        {{"freq", "4294967296k"}, "freq: \"4294967296k\" is too large a frequency for the card"},
        {{"freq", "98.5", "--control"}, "freq: --control needs a value from 0 to 15"},
        {{"freq", "98.5", "--control", "16"}, "freq: control value 16 is out of 0 to 15"},
        {{"freq", "98.5", "--control", "0x10"}, "freq: control value 0x10 is out of 0 to 15"},
        {{"freq", "98.5", "--control", "-1"},
         "freq: \"-1\" is not a control value: give 0 to 15, or 0x0 to 0xF"},
        {{"freq", "98.5", "--control", "1", "--control", "2"},
         "--control belongs right after freq MHZ"},
        {{"stereo", "--control", "1"}, "--control belongs right after freq MHZ"},
        {{"rds", "PS"}, "rds needs a KEY and a VALUE, e.g. rds PS \"RADIO 1\""},
        {{"rds", "", "RADIO 1"}, "rds: the key is empty"},
        {{"rds", "PS", ""}, "rds: the value is empty"},
        {{"rds", "P\x01S", "RADIO 1"},
         "rds: the key \"P\\x01S\" holds the byte 0x01, which the RDS encoder reads as framing"},
        {{"rds", "PS", "RADIO\x02"},
         "rds: the value \"RADIO\\x02\" holds the byte 0x02, which the RDS encoder reads as "
         "framing"},
        {{"rds-power"}, "rds-power takes on or off"},
        {{"rds-power", "1"}, "rds-power takes on or off, not \"1\""},
        {{"status", "--vcd"}, "--vcd needs a file name"},
        {{"status", "--vcd", ""}, "--vcd needs a file name"},
        // The mistake in the last command stops the first ones too.
        {{"freq", "98.5", "stereo", "rds", "PS", "RADIO 1", "rds-power", "of"},
         "rds-power takes on or off, not \"of\""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(Describe(c.arguments));
        FreshCard();
        const Outcome run = RunLine(c.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "torvelctl: " + c.err + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(sim::Events().empty());
    }
}

// A failed call is named with the reason its last error gives, and ends the
// run with status 1; the commands before it went through.
TEST_F(Torvelctl, AFailedCallSaysWhyAndStopsTheRun) {
    const char *const ABSENT = "the card's driver is not present (error 2)";
    const struct {
        const char *name;
        void (*setUp)();
        Args arguments;
        std::string out;
        std::string err;
        int opens; // the calls made
    } cases[] = {
        {"no driver",
         [] { sim::SetDriverPresent(false); },
         {"status"},
         "",
         std::string("torvelctl: status: IsTorvel2007 failed: ") + ABSENT + "\n",
         1},
        {"no driver",
         [] { sim::SetDriverPresent(false); },
         {"freq", "98.5", "stereo"},
         "",
         std::string("torvelctl: freq 98.5: SetFrequency failed: ") + ABSENT + "\n",
         1},
        {"no driver",
         [] { sim::SetDriverPresent(false); },
         {"rds", "PS", "X"},
         "",
         std::string("torvelctl: rds \"PS\" \"X\": SetRDS failed: ") + ABSENT + "\n",
         1},
        {"rejecting driver",
         [] { sim::RejectRequestsAfter(0, ERROR_GEN_FAILURE); },
         {"rds-power", "on"},
         "",
         "torvelctl: rds-power on: SetRDSPower failed: the driver rejected a request (error 31)\n",
         1},
        {"driver answering 87",
         [] { sim::RejectRequestsAfter(0, ERROR_INVALID_PARAMETER); },
         {"mono"},
         "",
         "torvelctl: mono: SetMono failed: invalid parameter (error 87)\n",
         1},
        // The tune's 154 requests go through, stereo's is rejected, mono is never tried.
        {"rejecting from the second call",
         [] { sim::RejectRequestsAfter(154); },
         {"freq", "98.5", "stereo", "mono"},
         "freq 98.5: tuned to 98.50 MHz, control 0\n",
         "torvelctl: stereo: SetStereo failed: the driver rejected a request (error 1)\n",
         2},
        // Rejected in the middle of the message: still a failure, not a success.
        {"rejecting within the call",
         [] { sim::RejectRequestsAfter(100); },
         {"rds", "PS", "RADIO 1", "rds-power", "on"},
         "",
         "torvelctl: rds \"PS\" \"RADIO 1\": SetRDS failed: the driver rejected a request "
         "(error 1)\n",
         1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.name) + ": " + Describe(c.arguments));
        FreshCard();
        c.setUp();
        const Outcome run = RunLine(c.arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out.substr(0, c.out.size()), c.out);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(Count(sim::Events(), sim::Call::Open), c.opens);
        EXPECT_EQ(sim::OpenHandles(), 0);
    }
}

TEST_F(Torvelctl, ACardInUseIsReportedAsSuch) {
    const HANDLE other =
        CreateFileA(DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    const Outcome run = RunLine({"rds", "PS", "RADIO 1"});
    CloseHandle(other);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "torvelctl: rds \"PS\" \"RADIO 1\": SetRDS failed: the card is in use by "
                       "another program (error 5)\n");
    EXPECT_TRUE(sim::Requests().empty());
}

TEST_F(Torvelctl, HelpAndVersionSendNothing) {
    Outcome run = RunLine({"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("usage: torvelctl ", 0), 0u) << run.out;
    for (const char *word :
         {"status", "freq MHZ [--control N]", "stereo", "mono", "rds KEY VALUE", "rds-power on|off",
          "--trace", "--vcd FILE", "--realtime", "--version", "Exit status"})
        EXPECT_NE(run.out.find(word), std::string::npos) << word;
    // Help wins over anything else on the line, even a mistake.
    run = RunLine({"freq", "bad", "-h"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");

    run = RunLine({"--version", "stereo"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "torvelctl " TORVELCTL_VERSION "\n");
    EXPECT_TRUE(sim::Events().empty());
}

TEST_F(Torvelctl, TraceShowsEachBusMessageAndTheRunEndsWithTheCardState) {
    const Outcome run = RunLine({"--trace", "freq", "98.5", "--control", "3", "mono", "rds", "PS",
                                 "RADIO 1", "rds-power", "on"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "freq 98.5 --control 3: tuned to 98.50 MHz, control 3\n"
              "  bus: START 60 write ACK, 07 ACK, B2 ACK, C0 ACK, 03 ACK, STOP\n"
              "mono: mono selected\n"
              "rds \"PS\" \"RADIO 1\": sent\n"
              "  bus: START 56 write ACK, 00 ACK, 50 ACK, 53 ACK, 01 ACK, 52 ACK, 41 ACK, 44 ACK, "
              "49 ACK, 4F ACK, 20 ACK, 31 ACK, 02 ACK, STOP\n"
              "rds-power on: RDS encoder switched on\n"
              "  bus: START 00 write ACK, 50 ACK, 57 ACK, 52 ACK, 01 ACK, 01 ACK, 02 ACK, STOP\n"
              "simulated card:\n"
              "  frequency 98.500 MHz (channel 1970), control 0x3\n"
              "  mono\n"
              "  RDS power on\n"
              "  RDS PS = \"RADIO 1\"\n"
              "  presets 1, bus recoveries 0\n"
              "  no bus faults\n");
}

// A call cut off by the driver leaves a message without its STOP: the card
// does not take it, and the report says what the bus saw.
TEST_F(Torvelctl, ABrokenMessageShowsInTheCardState) {
    sim::RejectRequestsAfter(100);
    const Outcome run = RunLine({"--trace", "rds", "PS", "RADIO 1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("  bus: START 56 write ACK, 00 ACK, 50 ACK, no STOP\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("RDS PS"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("no bus faults"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  fault: missing STOP: "), std::string::npos) << run.out;
}

std::vector<std::string> Described(const std::vector<sim::Message> &messages) {
    std::vector<std::string> described;
    for (const sim::Message &message : messages)
        described.push_back(sim::Describe(message));
    return described;
}

TEST_F(Torvelctl, TheWaveformReadsBackToTheSameMessages) {
    const std::string path = ::testing::TempDir() + "torvelctl_test.vcd";
    std::remove(path.c_str());
    const Outcome run = RunLine({"--vcd", path, "freq", "98.5", "stereo", "rds", "PS", "RADIO 1",
                                 "rds-power", "on", "mono"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("waveform written to " + path + "\n"), std::string::npos);

    std::vector<sim::LineChange> waveform;
    ASSERT_TRUE(sim::ReadVcd(path, &waveform));
    ASSERT_FALSE(waveform.empty());
    EXPECT_EQ(waveform.front().lines, sim::INITIAL_LINES);   // idle bus, stereo
    EXPECT_EQ(waveform.back().lines & LINE_MODE, LINE_MODE); // mono at the end
    sim::BusDecoder decoder(waveform.front().lines, waveform.front().timeNs);
    for (size_t i = 1; i < waveform.size(); ++i)
        decoder.Feed(waveform[i]);
    decoder.Finish();
    EXPECT_TRUE(decoder.Faults().empty());
    EXPECT_EQ(Described(decoder.Messages()), Described(sim::CurrentCard().Messages()));
    const std::vector<Bytes> messages = {TUNE_98_5, PS_RADIO_1, POWER_ON};
    std::vector<Bytes> decoded;
    for (const sim::Message &message : decoder.Messages())
        decoded.push_back(message.Values());
    EXPECT_EQ(decoded, messages);
    std::remove(path.c_str());
}

TEST_F(Torvelctl, AWaveformThatCannotBeWrittenFailsTheRun) {
    const Outcome run = RunLine({"stereo", "--vcd", "/nonexistent/torvelctl/run.vcd"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.rfind("stereo: stereo selected\n", 0), 0u);
    EXPECT_EQ(run.err,
              "torvelctl: cannot write the waveform to \"/nonexistent/torvelctl/run.vcd\"\n");
}

TEST(TorvelctlParsing, FrequenciesAreExactInKHz) {
    const struct {
        const char *text;
        uint32_t kHz;
    } accepted[] = {
        {"98.5", 98500},     {"98.50", 98500},
        {"98.500", 98500},   {"98", 98000},
        {"98.555", 98555},   {"100.1", 100100},
        {"107.999", 107999}, {"0.001", 1},
        {"098.5", 98500},    {"4294967.295", 4294967295u},
        {"98500k", 98500},   {"98525k", 98525},
        {"0k", 0},           {"4294967295k", 4294967295u},
    };
    for (const auto &c : accepted) {
        uint32_t kHz = 0;
        std::string error;
        EXPECT_TRUE(torvelctl::ParseFrequency(c.text, &kHz, &error)) << c.text << ": " << error;
        EXPECT_EQ(kHz, c.kHz) << c.text;
    }
    for (const char *text : {"",
                             ".",
                             "98.",
                             ".5",
                             "-98.5",
                             "+98.5",
                             " 98.5",
                             "98.5 ",
                             "98.5.0",
                             "98,5",
                             "98.5MHz",
                             "98.5k",
                             "k",
                             "98500K",
                             "98500kHz",
                             "1e2",
                             "0x62",
                             "98.5000",
                             "98.0001",
                             "4294967.296",
                             "4294967296k",
                             "99999999999999999999999",
                             "98.12345678901234567890"}) {
        uint32_t kHz = 12345;
        std::string error;
        EXPECT_FALSE(torvelctl::ParseFrequency(text, &kHz, &error)) << text;
        EXPECT_EQ(kHz, 12345u) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(TorvelctlParsing, ControlValuesAreZeroToFifteen) {
    const struct {
        const char *text;
        int control;
    } accepted[] = {{"0", 0},   {"7", 7},    {"15", 15},  {"015", 15},
                    {"0x0", 0}, {"0xF", 15}, {"0xf", 15}, {"0X0c", 12}};
    for (const auto &c : accepted) {
        int control = -1;
        std::string error;
        EXPECT_TRUE(torvelctl::ParseControl(c.text, &control, &error)) << c.text << ": " << error;
        EXPECT_EQ(control, c.control) << c.text;
    }
    for (const char *text : {"", "16", "0x10", "-1", "+1", "0x", "x1", "0xG", "1.0", "12a",
                             "99999999999999999999999", "0xFFFFFFFFFFFFFFFFFFFF", " 1"}) {
        int control = -1;
        std::string error;
        EXPECT_FALSE(torvelctl::ParseControl(text, &control, &error)) << text;
        EXPECT_EQ(control, -1) << text;
    }
}

// A build for the real card does not offer the simulator's options.
TEST(TorvelctlParsing, SimulatorOptionsOnlyWithTheSimulatedCard) {
    for (const char *option : {"--trace", "--realtime", "--vcd"}) {
        torvelctl::CommandLine line;
        std::string error;
        EXPECT_FALSE(
            torvelctl::ReadCommandLine({option, "run.vcd", "status"}, false, &line, &error));
        EXPECT_EQ(error, std::string(option) + " is only offered with the simulated card");
    }
}

} // namespace

namespace {

// An interrupt during a long RDS setting, sent to a run in a process of its
// own: the setting goes out whole, nothing after it is sent, and the run says
// what it did not run and exits with 130.
TEST(TorvelctlInterrupt, TheCallInProgressFinishesAndNoOtherRuns) {
    const std::string value(400, 'x'); // about a second of real time on the bus
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const std::string base = ::testing::TempDir() + "torvelctl_interrupt";
        const std::string vcd = base + ".vcd", errors = base + ".err";
        std::remove(vcd.c_str());
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            FreshCard();
            CatchInterrupts();
            std::ostringstream out;
            std::ofstream err(errors);
            const int status = RunTorvelctl(
                {"--realtime", "--vcd", vcd, "rds", "RT", value, "freq", "98.5", "mono"}, out, err);
            err.close();
            _exit(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        kill(child, signal);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 130);

        std::ifstream err(errors);
        const std::string printed((std::istreambuf_iterator<char>(err)),
                                  std::istreambuf_iterator<char>());
        EXPECT_EQ(printed, "torvelctl: interrupted; not run: freq 98.5, mono\n");

        std::vector<sim::LineChange> waveform;
        ASSERT_TRUE(sim::ReadVcd(vcd, &waveform));
        ASSERT_FALSE(waveform.empty());
        EXPECT_EQ(waveform.back().lines, sim::INITIAL_LINES); // idle bus, still stereo
        sim::BusDecoder decoder(waveform.front().lines, waveform.front().timeNs);
        for (size_t i = 1; i < waveform.size(); ++i)
            decoder.Feed(waveform[i]);
        decoder.Finish();
        EXPECT_TRUE(decoder.Faults().empty());
        ASSERT_EQ(decoder.Messages().size(), 1u);
        const sim::Message &message = decoder.Messages()[0];
        EXPECT_EQ(message.Values(), SettingMessage("RT", value));
        EXPECT_TRUE(message.stopped);
        std::remove(vcd.c_str());
        std::remove(errors.c_str());
    }
}

} // namespace

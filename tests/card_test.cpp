// The simulated card: what its chips make of the calls, the open-drain
// acknowledge, the bus analyser's fault reports, and the preset's bus recovery.
#include "torvelapi.h"

#include "calls.h"
#include "card.h"
#include "card/bus.h"
#include "sim.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <string>

namespace {

using Settings = std::map<std::string, std::string>;

// "A" for every acknowledged byte, "N" for every other, one message after another.
std::string Acks(const std::vector<sim::Message> &messages) {
    std::string acks;
    for (const sim::Message &message : messages) {
        if (!acks.empty())
            acks += ' ';
        for (const sim::BusByte &byte : message.bytes)
            acks += byte.ack ? 'A' : 'N';
    }
    return acks;
}

std::string Faults(const std::vector<sim::Fault> &faults) {
    std::string text;
    for (const sim::Fault &fault : faults)
        text += sim::Describe(fault) + "\n";
    return text;
}

struct Expected {
    bool tuned;
    unsigned channel;
    uint8_t control;
    bool mono, power;
    Settings rds;
};

void ExpectState(const sim::CardState &state, const Expected &expected) {
    EXPECT_EQ(state.tuned, expected.tuned);
    EXPECT_EQ(state.channel, expected.channel);
    EXPECT_EQ(state.control, expected.control);
    EXPECT_EQ(state.mono, expected.mono);
    EXPECT_EQ(state.rdsPower, expected.power);
    EXPECT_EQ(state.rds, expected.rds);
}

TEST(Card, CallsLeaveTheirMessagesAndTheCardState) {
    const Bytes tune985 = {0xC0, 0x07, 0xB2, 0xC0, 0x00};
    const Bytes powerOn = {0x00, 'P', 'W', 'R', 0x01, 0x01, 0x02};
    const Bytes powerOff = {0x00, 'P', 'W', 'R', 0x01, 0x00, 0x02};
    const struct {
        const char *name;
        std::function<void()> calls;
        std::vector<Bytes> messages;
        Expected state;
    } cases[] = {
        {"fresh card", [] {}, {}, {false, 0, 0, false, false, {}}},
        {"tune 98.5 MHz",
         [] { SetFrequency(98500, 0); },
         {tune985},
         {true, 1970, 0x0, false, false, {}}},
        {"tune below the band, control 0x1F",
         [] { SetFrequency(0, 0x1F); },
         {{0xC0, 0x06, 0xB8, 0xC0, 0x0F}},
         {true, 1720, 0xF, false, false, {}}},
        {"tune above the band",
         [] { SetFrequency(0xFFFFFFFFu, 0x30); },
         {{0xC0, 0x08, 0x70, 0xC0, 0x00}},
         {true, 2160, 0x0, false, false, {}}},
        {"mono, then stereo, then mono",
         [] { SetMono(), SetStereo(), SetMono(); },
         {},
         {false, 0, 0, true, false, {}}},
        {"an RDS setting",
         [] { SetRDS("PS", "RADIO 1"); },
         {SettingMessage("PS", "RADIO 1")},
         {false, 0, 0, false, false, {{"PS", "RADIO 1"}}}},
        {"RDS power on", [] { SetRDSPower(5); }, {powerOn}, {false, 0, 0, false, true, {}}},
        {"RDS power on, then off",
         [] { SetRDSPower(1), SetRDSPower(0); },
         {powerOn, powerOff},
         {false, 0, 0, false, false, {}}},
        // The encoder's table keeps the last value of every key; "PWR" sent
        // as an ordinary setting is only a setting.
        {"a station",
         [] {
             SetFrequency(87525, 3);
             SetMono();
             SetRDS("PS", "RADIO 1");
             SetRDS("RT", "News at ten");
             SetRDS("PS", "RADIO 2");
             SetRDS("PWR", "1");
             SetRDSPower(1);
         },
         {{0xC0, 0x06, 0xD6, 0xC0, 0x03},
          SettingMessage("PS", "RADIO 1"),
          SettingMessage("RT", "News at ten"),
          SettingMessage("PS", "RADIO 2"),
          SettingMessage("PWR", "1"),
          powerOn},
         {true, 1750, 0x3, true, true, {{"PS", "RADIO 2"}, {"RT", "News at ten"}, {"PWR", "1"}}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FreshCard();
        c.calls();
        const sim::Card card = sim::CurrentCard();
        const std::vector<sim::Message> messages = card.Messages();
        EXPECT_EQ(Values(messages), c.messages);
        for (const sim::Message &message : messages) {
            EXPECT_FALSE(message.repeatedStart);
            EXPECT_TRUE(message.stopped);
            for (const sim::BusByte &byte : message.bytes)
                EXPECT_TRUE(byte.ack) << sim::Describe(message);
        }
        const sim::CardState state = card.State();
        ExpectState(state, c.state);
        EXPECT_EQ(Faults(state.faults), "");
        EXPECT_EQ(state.busRecoveries, 0);
    }
}

// The waits keep every interval of the bus above its minimum, whatever the
// counter: the card sees the same messages and no timing fault.
TEST(Card, EveryIntervalMeetsItsMinimum) {
    const struct {
        const char *name;
        sim::CounterMode mode;
        int64_t frequency, readNs, requestNs;
    } clocks[] = {
        {"10 MHz counter", sim::CounterMode::Usable, 10000000, 5000, 3000},
        {"odd counter, fast reads", sim::CounterMode::Usable, 3579545, 100, 0},
        {"coarse counter", sim::CounterMode::Usable, 20000, 1000, 0}, // limit 1 tick
        {"no counter: 1 ms sleeps", sim::CounterMode::Zero, 0, 5000, 3000},
    };
    for (const auto &clock : clocks) {
        SCOPED_TRACE(clock.name);
        FreshCard();
        sim::SetCounter(clock.mode, clock.frequency);
        sim::SetCounterReadCost(clock.readNs);
        sim::SetRequestCost(clock.requestNs);
        SetFrequency(98500, 0);
        SetRDS("PS", "RADIO 1");
        SetRDSPower(1);
        const sim::Card card = sim::CurrentCard();
        EXPECT_EQ(Values(card.Messages()),
                  (std::vector<Bytes>{{0xC0, 0x07, 0xB2, 0xC0, 0x00},
                                      SettingMessage("PS", "RADIO 1"),
                                      {0x00, 'P', 'W', 'R', 0x01, 0x01, 0x02}}));
        EXPECT_EQ(Faults(card.State().faults), "");
    }
}

// Any accepted key and value reaches the encoder's table exactly.
TEST(Card, EncoderHoldsExactlyWhatWasSent) {
    std::mt19937 random(20070);
    auto text = [&random]() {
        // Mostly short, now and then a few hundred bytes.
        const int longest = random() % 4 == 0 ? 300 : 12;
        std::string bytes(1 + random() % longest, ' ');
        for (char &byte : bytes)
            byte = (char)(0x03 + random() % 0xFD); // 0x03 to 0xFF
        return bytes;
    };
    FreshCard();
    sim::SetCounterReadCost(20000); // fewer counter reads per wait: a faster test
    Settings expected;
    for (int i = 0; i < 60; ++i) {
        // Keys from a small set now and then, so that values get replaced.
        const std::string key = i % 3 == 0 ? std::string(1, (char)('A' + i % 4)) : text();
        const std::string value = text();
        SCOPED_TRACE("setting " + std::to_string(i) + ", key of " + std::to_string(key.size()) +
                     " bytes, value of " + std::to_string(value.size()));
        ASSERT_EQ(SetRDS(key.c_str(), value.c_str()), 1);
        expected[key] = value;

        const sim::Card card = sim::CurrentCard();
        const std::vector<sim::Message> messages = card.Messages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].Values(), SettingMessage(key, value));
        EXPECT_EQ(Acks(messages), std::string(messages[0].bytes.size(), 'A'));
        const sim::CardState state = card.State();
        ASSERT_EQ(state.rds, expected);
        ASSERT_EQ(Faults(state.faults), "");
        sim::ClearEvents(); // keeps the card's state, forgets the recording
    }
}

// Taking the card after every call hands on the recording piece by piece:
// the pieces join into the waveform and messages of one whole recording, and
// each piece holds its own call's platform calls.
TEST(Card, TakenPiecesJoinIntoTheWholeRecording) {
    const std::vector<std::function<int()>> calls = {
        [] { return SetFrequency(98500, 0); }, [] { return SetMono(); },
        [] { return SetRDS("PS", "RADIO 1"); }, [] { return IsTorvel2007(); },
        [] { return SetRDSPower(1); }};
    FreshCard();
    for (const auto &call : calls)
        ASSERT_EQ(call(), 1);
    const sim::Card whole = sim::CurrentCard();

    FreshCard();
    std::vector<sim::LineChange> waveform;
    std::vector<sim::Message> messages;
    for (const auto &call : calls) {
        ASSERT_EQ(call(), 1);
        std::vector<sim::Event> events;
        const sim::Card piece = sim::TakeCurrentCard(&events);
        EXPECT_EQ(events.front().call, sim::Call::Open);
        EXPECT_EQ(events.back().call, sim::Call::Close);
        EXPECT_TRUE(sim::Events().empty());
        // Every piece after the first begins with the levels the last one ended at.
        auto begin = piece.Waveform().begin() + (waveform.empty() ? 0 : 1);
        waveform.insert(waveform.end(), begin, piece.Waveform().end());
        for (const sim::Message &message : piece.Messages())
            messages.push_back(message);
    }
    ASSERT_EQ(waveform.size(), whole.Waveform().size());
    for (size_t i = 0; i < waveform.size(); ++i) {
        EXPECT_EQ(waveform[i].timeNs, whole.Waveform()[i].timeNs) << "change " << i;
        EXPECT_EQ(waveform[i].lines, whole.Waveform()[i].lines) << "change " << i;
    }
    ASSERT_EQ(messages.size(), whole.Messages().size());
    for (size_t i = 0; i < messages.size(); ++i)
        EXPECT_EQ(sim::Describe(messages[i]), sim::Describe(whole.Messages()[i]));
}

class Chips : public ::testing::Test {
  protected:
    void SetUp() override {
        FreshCard();
        session = OpenDevice();
        ASSERT_NE(session.handle, INVALID_HANDLE_VALUE);
    }
    void TearDown() override { CloseDevice(&session); }

    void Send(const Bytes &bytes) {
        BusStart(&session);
        for (uint8_t byte : bytes)
            BusWriteByte(&session, byte);
        BusStop(&session);
    }
    DeviceSession session;
};

// The bus lines are open-drain: the library releases the data line for the
// acknowledge clock, and the line stays low because the chip holds it.
TEST_F(Chips, AnAddressedChipHoldsTheDataLowThroughTheAcknowledgeClock) {
    const struct {
        uint8_t addressByte;
        bool answered;
    } cases[] = {
        {0xC0, true},                 // the transmitter chip
        {0xAC, true},                 // the RDS encoder
        {0x00, true},                 // the general call, answered by the encoder
        {0xC1, false},                // reading the transmitter: neither chip can be read
        {0xAD, false}, {0xA0, false}, // nobody at 0x50
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.addressByte);
        BusStart(&session);
        sim::ClearEvents();
        BusWriteByte(&session, c.addressByte);
        const std::vector<sim::Event> requests = sim::Requests();
        ASSERT_GE(requests.size(), 3u);
        // The acknowledge clock: data raised, clock raised, clock lowered.
        const sim::Event *ack = &requests[requests.size() - 3];
        EXPECT_EQ(ack[0].code, IOCTL_LINE_RAISE);
        EXPECT_EQ(ack[0].byte, LINE_DATA);
        EXPECT_EQ((ack[0].lines & LINE_DATA) == 0, c.answered);
        EXPECT_EQ((ack[1].lines & LINE_DATA) == 0, c.answered);
        EXPECT_NE(ack[2].lines & LINE_DATA, 0) << "released after the acknowledge";
        BusStop(&session);
        const std::vector<sim::Message> messages = sim::CurrentCard().Messages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(Acks(messages), c.answered ? "A" : "N");
    }
}

// Hand-made messages: each chip acknowledges what it can take and acts on a
// whole message only, at its STOP.
TEST_F(Chips, TakeWholeMessagesOnly) {
    const struct {
        const char *name;
        Bytes bytes;
        const char *acks;
        Expected state;
        int refusals;
    } cases[] = {
        {"tuning message",
         {0xC0, 0x08, 0x00, 0xC0, 0x05},
         "AAAAA",
         {true, 2048, 5, false, false, {}},
         0},
        {"tuning message with a fifth byte",
         {0xC0, 0x07, 0xB2, 0xC0, 0x01, 0x99},
         "AAAAAN",
         {true, 1970, 1, false, false, {}},
         1},
        {"short tuning message", {0xC0, 0x07, 0xB2}, "AAA", {false, 0, 0, false, false, {}}, 1},
        {"two settings in one message",
         {0xAC, 0x00, 'P', 'S', 0x01, 'X', 0x02, 0x00, 'P', 'I', 0x01, 0x02},
         "AAAAAAAAAAAA",
         {false, 0, 0, false, false, {{"PS", "X"}, {"PI", ""}}},
         0},
        {"a setting without its key opener",
         {0xAC, 'P', 'S', 0x01, 'X', 0x02},
         "ANNNNN",
         {false, 0, 0, false, false, {}},
         1},
        {"a framing byte inside a key",
         {0xAC, 0x00, 'P', 0x02, 'S', 0x01, 'X', 0x02},
         "AAANNNNN",
         {false, 0, 0, false, false, {}},
         1},
        {"an unfinished setting",
         {0xAC, 0x00, 'P', 'S', 0x01, 'X'},
         "AAAAAA",
         {false, 0, 0, false, false, {}},
         1},
        {"a message broken after a whole setting: nothing is taken",
         {0xAC, 0x00, 'A', 0x01, 'B', 0x02, 0x00, 0x01},
         "AAAAAAAN",
         {false, 0, 0, false, false, {}},
         1},
        {"power on by general call",
         {0x00, 'P', 'W', 'R', 0x01, 0x01, 0x02},
         "AAAAAAA",
         {false, 0, 0, false, true, {}},
         0},
        {"a general call the encoder does not know",
         {0x00, 'P', 'S', 0x01, 'X', 0x02},
         "AAAAAA",
         {false, 0, 0, false, false, {}},
         1},
        {"power with a value other than 0 or 1",
         {0x00, 'P', 'W', 'R', 0x01, '1', 0x02},
         "AAAAAAA",
         {false, 0, 0, false, false, {}},
         1},
        {"nobody at the address", {0xA0, 0x01, 0x02}, "NNN", {false, 0, 0, false, false, {}}, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        CloseDevice(&session);
        FreshCard();
        session = OpenDevice();
        Send(c.bytes);
        const sim::Card card = sim::CurrentCard();
        const std::vector<sim::Message> messages = card.Messages();
        EXPECT_EQ(Values(messages), std::vector<Bytes>{c.bytes});
        EXPECT_EQ(Acks(messages), c.acks);
        const sim::CardState state = card.State();
        ExpectState(state, c.state);
        int refusals = 0;
        for (const sim::Fault &fault : state.faults) {
            EXPECT_EQ(fault.kind, sim::FaultKind::Refused) << sim::Describe(fault);
            EXPECT_EQ(fault.message, 0);
            ++refusals;
        }
        EXPECT_EQ(refusals, c.refusals) << Faults(state.faults);
    }
}

// Hand-made waveforms for the analyser. Every interval is well above its
// minimum, but for the first occurrence of an interval that a case shortens.
// A receiver acknowledges every byte.
class Waveform {
  public:
    std::map<std::string, int64_t> shorten; // interval name to its length
    std::vector<sim::LineChange> changes;

    explicit Waveform(uint8_t start) : lines(start) { changes.push_back({0, start}); }

    void Set(int64_t after, uint8_t line, bool high) {
        time += after;
        lines = high ? (uint8_t)(lines | line) : (uint8_t)(lines & ~line);
        changes.push_back({time, lines});
    }
    void ClockHigh(int64_t after) { Set(after, LINE_CLOCK, true); }
    void ClockLow(int64_t after) { Set(after, LINE_CLOCK, false); }
    void Data(int64_t after, bool high) { Set(after, LINE_DATA, high); }

    // A START after a STOP or on a quiet bus, or a repeated START.
    void Start() {
        if (lines & LINE_CLOCK) {
            Data(Interval("tBUF", 10000), false);
        } else {
            Data(5000, true);
            ClockHigh(5000);
            Data(Interval("tSU;STA", 10000), false);
        }
        ClockLow(Interval("tHD;STA", 10000));
    }
    // Bits from the clock low, "1" and "0": the data set up, a clock pulse.
    void Bits(const std::string &bits) {
        for (char bit : bits) {
            const int64_t low = Interval("tLOW", 10000), setup = Interval("tSU;DAT", 2000);
            Data(low - setup, bit == '1');
            ClockHigh(setup);
            ClockLow(Interval("tHIGH", 10000));
        }
    }
    void Ack() {
        Data(5000, true);         // released by the sender...
        Set(0, LINE_DATA, false); // ...and held low by the receiver at once
        ClockHigh(5000);
        ClockLow(10000);
        Set(0, LINE_DATA, true); // let go as the clock falls
    }
    void Byte(uint8_t value) {
        std::string bits;
        for (int bit = 7; bit >= 0; --bit)
            bits += (value >> bit) & 1 ? '1' : '0';
        Bits(bits);
        Ack();
    }
    void Stop() {
        Data(5000, false);
        ClockHigh(5000);
        Data(Interval("tSU;STO", 10000), true);
    }

  private:
    int64_t Interval(const char *name, int64_t usual) {
        auto found = shorten.find(name);
        if (found == shorten.end())
            return usual;
        const int64_t length = found->second;
        shorten.erase(found);
        return length;
    }

    uint8_t lines;
    int64_t time = 0;
};

std::vector<sim::Fault> Decode(const std::vector<sim::LineChange> &changes,
                               std::vector<sim::Message> *messages = nullptr) {
    sim::BusDecoder decoder(changes[0].lines, changes[0].timeNs);
    for (size_t i = 1; i < changes.size(); ++i)
        decoder.Feed(changes[i]);
    decoder.Finish();
    if (messages != nullptr)
        *messages = decoder.Messages();
    return decoder.Faults();
}

// Two messages: the first begins as the clock rises on a quiet bus, the
// second after the first one's STOP. Shortening one interval by 100 ns
// makes exactly that interval's report fire; at its minimum, nothing does.
TEST(BusDecoder, ReportsEveryIntervalBelowItsMinimum) {
    const struct {
        const char *parameter;
        int64_t minimumNs;
    } limits[] = {{"tHD;STA", 4000}, {"tLOW", 4700},    {"tHIGH", 4000}, {"tSU;STA", 4700},
                  {"tSU;DAT", 250},  {"tSU;STO", 4000}, {"tBUF", 4700}};
    for (int shortBy : {0, 100}) {
        for (const auto &limit : limits) {
            SCOPED_TRACE(std::string(limit.parameter) + " short by " + std::to_string(shortBy));
            Waveform wave(0); // the clock low, the data line low
            wave.shorten[limit.parameter] = limit.minimumNs - shortBy;
            wave.Start();
            wave.Byte(0xC0);
            wave.Byte(0x07);
            wave.Stop();
            wave.Start();
            wave.Byte(0xAC);
            wave.Stop();

            std::vector<sim::Message> messages;
            const std::vector<sim::Fault> faults = Decode(wave.changes, &messages);
            EXPECT_EQ(Values(messages), (std::vector<Bytes>{{0xC0, 0x07}, {0xAC}}));
            EXPECT_EQ(Acks(messages), "AA A");
            if (shortBy == 0) {
                EXPECT_EQ(Faults(faults), "");
                continue;
            }
            ASSERT_EQ(faults.size(), 1u) << Faults(faults);
            EXPECT_EQ(faults[0].kind, sim::FaultKind::Timing);
            EXPECT_EQ(faults[0].parameter, limit.parameter);
            EXPECT_EQ(faults[0].measuredNs, limit.minimumNs - shortBy);
            EXPECT_EQ(faults[0].minimumNs, limit.minimumNs);
            EXPECT_EQ(faults[0].message, std::string(limit.parameter) == "tBUF" ? 1 : 0);
        }
    }
}

TEST(BusDecoder, ReportsProtocolFaults) {
    const struct {
        const char *name;
        std::function<void(Waveform &)> build;
        std::vector<Bytes> messages;
        std::vector<bool> stopped;
        std::vector<sim::FaultKind> faults;
    } cases[] = {
        {"data rising under a high clock, the clock going on",
         [](Waveform &w) {
             w.Start();
             w.Bits("11");
             w.Data(8000, false); // 0xC0's third bit
             w.ClockHigh(2000);
             w.Data(2000, true); // not a STOP: the clock falls again
             w.ClockLow(8000);
             w.Bits("00000");
             w.Ack();
             w.Stop();
         },
         {{0xC0}},
         {true},
         {sim::FaultKind::DataChangeUnderHighClock}},
        {"a byte cut short by a STOP",
         [](Waveform &w) {
             w.Start();
             w.Byte(0xC0);
             w.Bits("0000");
             w.Stop();
         },
         {{0xC0}},
         {true},
         {sim::FaultKind::ByteCutShort}},
        {"a message without STOP at the end",
         [](Waveform &w) {
             w.Start();
             w.Byte(0xC0);
             w.Byte(0x07);
         },
         {{0xC0, 0x07}},
         {false},
         {sim::FaultKind::MissingStop}},
        {"a message ended by a repeated START",
         [](Waveform &w) {
             w.Start();
             w.Byte(0xC0);
             w.Start();
             w.Byte(0xAC);
             w.Stop();
         },
         {{0xC0}, {0xAC}},
         {false, true},
         {sim::FaultKind::MissingStop}},
        {"a clock high phase too short",
         [](Waveform &w) {
             w.shorten["tHIGH"] = 3000;
             w.Start();
             w.Byte(0xC0);
             w.Stop();
         },
         {{0xC0}},
         {true},
         {sim::FaultKind::Timing}},
        {"a clock pulse with no message",
         [](Waveform &w) {
             w.ClockLow(10000);
             w.ClockHigh(10000);
             w.Start();
             w.Byte(0xC0);
             w.Stop();
         },
         {{0xC0}},
         {true},
         {sim::FaultKind::ClockOutsideMessage}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Waveform wave(LINE_DATA | LINE_CLOCK);
        c.build(wave);
        std::vector<sim::Message> messages;
        const std::vector<sim::Fault> faults = Decode(wave.changes, &messages);
        EXPECT_EQ(Values(messages), c.messages);
        std::vector<bool> stopped;
        for (const sim::Message &message : messages)
            stopped.push_back(message.stopped);
        EXPECT_EQ(stopped, c.stopped);
        std::vector<sim::FaultKind> kinds;
        for (const sim::Fault &fault : faults)
            kinds.push_back(fault.kind);
        EXPECT_EQ(kinds, c.faults) << Faults(faults);
    }
}

// A call that the driver stopped taking requests from leaves its message
// open. The next tune's preset frees the bus: the chips drop the unfinished
// message, whatever point it reached, and take the tuning message whole.
TEST(Card, PresetFreesTheBusAfterAnInterruptedCall) {
    FreshCard();
    SetRDS("PS", "X");
    const int requests = (int)sim::Requests().size();
    std::vector<int> stops; // every phase of a bit, and both steps inside the STOP
    for (int accepted = 1; accepted < requests - 2; accepted += 3)
        stops.push_back(accepted);
    stops.push_back(requests - 2);
    stops.push_back(requests - 1);
    for (int accepted : stops) {
        SCOPED_TRACE("the driver took " + std::to_string(accepted) + " requests");
        FreshCard();
        SetRDSPower(1);
        sim::RejectRequestsAfter(accepted);
        EXPECT_EQ(SetRDS("PS", "X"), 0);
        sim::AcceptAllRequests();
        const std::vector<sim::Message> before = sim::CurrentCard().Messages();
        const bool untouched = before.size() == 1 && (sim::Lines() & 0x0C) == 0x0C;
        sim::ClearEvents();
        ASSERT_EQ(SetFrequency(98500, 0), 1);

        const sim::Card card = sim::CurrentCard();
        const sim::CardState state = card.State();
        EXPECT_EQ(state.busRecoveries, untouched ? 0 : 1);
        ExpectState(state, {true, 1970, 0x0, false, true, {}});
        const std::vector<sim::Message> messages = card.Messages();
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back().Values(), (Bytes{0xC0, 0x07, 0xB2, 0xC0, 0x00}));
        EXPECT_TRUE(messages.back().stopped);
        EXPECT_FALSE(messages.back().repeatedStart);
        // Whatever was wrong happened before the tuning message began.
        for (const sim::Fault &fault : state.faults)
            EXPECT_LT(fault.timeNs, messages.back().startNs) << sim::Describe(fault);
    }
}

TEST(Card, DescribesItsStateForAListener) {
    FreshCard();
    SetFrequency(98500, 2);
    SetMono();
    SetRDS("PS", "R\xE9");
    SetRDSPower(1);
    EXPECT_EQ(sim::Describe(sim::CurrentCard().State()),
              "frequency 98.500 MHz (channel 1970), control 0x2\n"
              "mono\n"
              "RDS power on\n"
              "RDS PS = \"R\\xE9\"\n"
              "presets 1, bus recoveries 0\n"
              "no bus faults\n");
}

} // namespace

// The two-wire bus: line sequences written out literally, and the wait rule.
#include "calls.h"
#include "card/bus.h"
#include "sim.h"
#include "trace.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class Bus : public ::testing::Test {
  protected:
    void SetUp() override {
        FreshCard();
        session = OpenDevice();
        ASSERT_NE(session.handle, INVALID_HANDLE_VALUE);
        sim::ClearEvents();
    }
    void TearDown() override { CloseDevice(&session); }
    DeviceSession session;
};

struct Sequence {
    const char *name;
    std::function<void(DeviceSession *)> operation;
    const char *trace;
};

TEST_F(Bus, OperationsSendTheirLineStepsAndWaitsInOrder) {
    const Sequence sequences[] = {
        {"start", [](DeviceSession *s) { BusStart(s); }, "D+ C+ w D- w C- w"},
        {"stop", [](DeviceSession *s) { BusStop(s); }, "D- w C+ w D+"},
        {"byte 0x00", [](DeviceSession *s) { BusWriteByte(s, 0x00); },
         "w w D- w C+ w C- w  w w D- w C+ w C- w  w w D- w C+ w C- w  w w D- w C+ w C- w  "
         "w w D- w C+ w C- w  w w D- w C+ w C- w  w w D- w C+ w C- w  w w D- w C+ w C- w  "
         "D+ w C+ w C- w"},
        {"byte 0xFF", [](DeviceSession *s) { BusWriteByte(s, 0xFF); },
         "w w D+ w C+ w C- w D-  w w D+ w C+ w C- w D-  w w D+ w C+ w C- w D-  "
         "w w D+ w C+ w C- w D-  w w D+ w C+ w C- w D-  w w D+ w C+ w C- w D-  "
         "w w D+ w C+ w C- w D-  w w D+ w C+ w C- w D-  D+ w C+ w C- w"},
        // Only the low eight bits count: 0x1AC is written as 0xAC, 10101100.
        {"byte 0x1AC", [](DeviceSession *s) { BusWriteByte(s, 0x1AC); },
         "w w D+ w C+ w C- w D-  w w D- w C+ w C- w  w w D+ w C+ w C- w D-  "
         "w w D- w C+ w C- w  w w D+ w C+ w C- w D-  w w D+ w C+ w C- w D-  "
         "w w D- w C+ w C- w  w w D- w C+ w C- w  D+ w C+ w C- w"},
    };
    for (const Sequence &sequence : sequences) {
        SCOPED_TRACE(sequence.name);
        sim::ClearEvents();
        sequence.operation(&session);
        std::string expected = sequence.trace;
        for (size_t at; (at = expected.find("  ")) != std::string::npos;)
            expected.erase(at, 1);
        EXPECT_EQ(Trace(sim::Events()), expected);
    }
    // The waveform-built oracle used by the export tests agrees with the literals.
    sim::ClearEvents();
    BusWriteByte(&session, 0xAC);
    EXPECT_EQ(Trace(sim::Events()), ByteTrace(0xAC));
}

TEST_F(Bus, ByteCostsMatchTheirBits) {
    const struct {
        unsigned byte;
        int requests;
    } cases[] = {{0x00, 27}, {0xFF, 35}, {0xAC, 31}, {0x01, 28}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.byte);
        sim::ClearEvents();
        BusWriteByte(&session, c.byte);
        const std::vector<sim::Event> events = sim::Events();
        EXPECT_EQ(Count(events, sim::Call::Request), c.requests);
        EXPECT_EQ(Count(events, sim::Call::FrequencyQuery), 43);
    }
}

TEST_F(Bus, StartAndStopLeaveTheLinesAsTheBusExpects) {
    BusStart(&session);
    EXPECT_EQ(sim::Lines() & 0x0C, 0x00); // both low
    BusStop(&session);
    EXPECT_EQ(sim::Lines() & 0x0C, 0x0C); // both high: idle
}

// The wait ends at the first counter reading more than frequency / 20000
// ticks after its start reading; equal is not enough.
TEST(BusDelay, EndsAtTheFirstReadingPastTheLimit) {
    const struct {
        int64_t frequency;
        int64_t readNs; // clock step per counter read
        int64_t limit;
    } cases[] = {
        {10000000, 100, 500},  // 10 MHz, one tick per read
        {10000000, 1000, 500}, // ten ticks per read: ends at 510
        {3579545, 100, 178},   // an odd frequency truncates the limit
        {19999, 1000, 0},      // below 20 kHz the limit is 0: one tick suffices
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.frequency);
        FreshCard();
        sim::SetCounter(sim::CounterMode::Usable, c.frequency);
        sim::SetCounterReadCost(c.readNs);
        BusDelay();
        // The frequency, the start reading, then the run of readings.
        const std::vector<sim::Event> events = sim::Events();
        ASSERT_EQ(events.size(), 3u);
        EXPECT_EQ(events[0].call, sim::Call::FrequencyQuery);
        EXPECT_EQ(events[1].call, sim::Call::CounterRead);
        EXPECT_EQ(events[2].call, sim::Call::CounterRead);
        const int64_t start = events[1].value;
        EXPECT_GT(events[2].value - start, c.limit);
        EXPECT_LE(events[2].previousValue - start, c.limit);
    }
}

TEST(BusDelay, SleepsOneMillisecondWithoutAUsableCounter) {
    for (sim::CounterMode mode : {sim::CounterMode::Zero, sim::CounterMode::Failing}) {
        FreshCard();
        sim::SetCounter(mode);
        BusDelay();
        const std::vector<sim::Event> events = sim::Events();
        ASSERT_EQ(events.size(), 2u);
        EXPECT_EQ(events[0].call, sim::Call::FrequencyQuery);
        EXPECT_EQ(events[1].call, sim::Call::Sleep);
        EXPECT_EQ(events[1].value, 1);
    }
}

} // namespace

// The six exports on the simulated card: what reaches the driver, in what
// order, and what each call answers.
#include "torvelapi.h"

#include "calls.h"
#include "card/bus.h"
#include "sim.h"
#include "trace.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

namespace {

class Exports : public ::testing::Test {
  protected:
    void SetUp() override { FreshCard(); }
};

std::string Wait() {
    return "w";
}
const char START[] = "D+ C+ w D- w C- w";
const char STOP[] = "D- w C+ w D+";

TEST_F(Exports, EachCallSendsItsWholeSequence) {
    const struct {
        const char *name;
        std::function<int()> call;
        std::string trace;
        int requests, waits;
        std::vector<Bytes> messages;
    } cases[] = {
        {"IsTorvel2007", [] { return IsTorvel2007(); }, "", 0, 0, {}},
        {"SetStereo", [] { return SetStereo(); }, "M-", 1, 0, {}},
        {"SetMono", [] { return SetMono(); }, "M+", 1, 0, {}},
        {"SetFrequency 98.5 MHz",
         [] { return SetFrequency(98500, 0); },
         Join({"P0F", START, ByteTrace(0xC0), ByteTrace(0x07), ByteTrace(0xB2), ByteTrace(0xC0),
               ByteTrace(0x00), STOP}),
         154,
         220,
         {{0xC0, 0x07, 0xB2, 0xC0, 0x00}}},
        // An extra wait before the start and after every key and value byte.
        {"SetRDS AB 12",
         [] { return SetRDS("AB", "12"); },
         Join({Wait(), START, ByteTrace(0xAC), ByteTrace(0x00), ByteTrace('A'), Wait(),
               ByteTrace('B'), Wait(), ByteTrace(0x01), ByteTrace('1'), Wait(), ByteTrace('2'),
               Wait(), ByteTrace(0x02), STOP}),
         239,
         354,
         {{0xAC, 0x00, 0x41, 0x42, 0x01, 0x31, 0x32, 0x02}}},
        // The power message has no address byte and a raw value byte.
        {"SetRDSPower on",
         [] { return SetRDSPower(5); },
         Join({START, ByteTrace(0x00), ByteTrace('P'), Wait(), ByteTrace('W'), Wait(),
               ByteTrace('R'), Wait(), ByteTrace(0x01), ByteTrace(0x01), Wait(), ByteTrace(0x02),
               STOP}),
         209,
         310,
         {{0x00, 0x50, 0x57, 0x52, 0x01, 0x01, 0x02}}},
        {"SetRDSPower off",
         [] { return SetRDSPower(0); },
         Join({START, ByteTrace(0x00), ByteTrace('P'), Wait(), ByteTrace('W'), Wait(),
               ByteTrace('R'), Wait(), ByteTrace(0x01), ByteTrace(0x00), Wait(), ByteTrace(0x02),
               STOP}),
         208,
         310,
         {{0x00, 0x50, 0x57, 0x52, 0x01, 0x00, 0x02}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FreshCard();
        SetLastError(0xDEADBEEF); // after a 1, the library sets no last error of its own
        EXPECT_EQ(c.call(), 1);
        EXPECT_EQ(GetLastError(), 0xDEADBEEFu);
        const std::vector<sim::Event> events = sim::Events();
        EXPECT_EQ(Trace(events), c.trace);
        EXPECT_EQ(Count(events, sim::Call::Request), c.requests);
        EXPECT_EQ(Count(events, sim::Call::FrequencyQuery), c.waits);
        EXPECT_EQ(BusMessages(events), c.messages);

        // One open with the driver's parameters, one close, nothing shown.
        ASSERT_GE(events.size(), 2u);
        const sim::Event &open = events.front();
        EXPECT_EQ(open.call, sim::Call::Open);
        EXPECT_EQ(open.path, "\\\\.\\Torvel2007");
        EXPECT_EQ(open.access, 0xC0000000u);
        EXPECT_EQ(open.share, 0u);
        EXPECT_EQ(open.disposition, (uint32_t)OPEN_EXISTING);
        EXPECT_EQ(open.flags, 0u);
        EXPECT_FALSE(open.securityAttributes);
        EXPECT_FALSE(open.templateFile);
        EXPECT_EQ(events.back().call, sim::Call::Close);
        EXPECT_EQ(events.back().handle, open.handle);
        EXPECT_EQ(Count(events, sim::Call::Open), 1);
        EXPECT_EQ(Count(events, sim::Call::Close), 1);
        EXPECT_EQ(Count(events, sim::Call::MessageBox), 0);
        EXPECT_EQ(sim::OpenHandles(), 0);

        // Every request: one byte, one buffer for input and output, synchronous.
        for (const sim::Event &request : sim::Requests()) {
            EXPECT_EQ(request.handle, open.handle);
            EXPECT_EQ(request.inputSize, 1u);
            EXPECT_EQ(request.outputSize, 1u);
            EXPECT_TRUE(request.sameBuffer);
            EXPECT_TRUE(request.bytesReturned);
            EXPECT_FALSE(request.overlapped);
        }
    }
}

TEST_F(Exports, FrequencyIsTruncatedToAChannelAndHeldInTheBand) {
    const struct {
        unsigned frequency;
        int control;
        Bytes bytes;
    } cases[] = {
        {98500, 0, {0xC0, 0x07, 0xB2, 0xC0, 0x00}},
        {87525, 3, {0xC0, 0x06, 0xD6, 0xC0, 0x03}},  // truncated to 87.50 MHz
        {86000, 0, {0xC0, 0x06, 0xB8, 0xC0, 0x00}},  // lowest channel
        {85999, 0, {0xC0, 0x06, 0xB8, 0xC0, 0x00}},  // below the band
        {0, 0, {0xC0, 0x06, 0xB8, 0xC0, 0x00}},      // nothing at all
        {108000, 0, {0xC0, 0x08, 0x70, 0xC0, 0x00}}, // highest channel
        {108049, 0, {0xC0, 0x08, 0x70, 0xC0, 0x00}}, // truncated onto it
        {108050, 0, {0xC0, 0x08, 0x70, 0xC0, 0x00}}, // above the band
        {0xFFFFFFFFu, 0, {0xC0, 0x08, 0x70, 0xC0, 0x00}},
        {(unsigned)-98500, 0, {0xC0, 0x08, 0x70, 0xC0, 0x00}}, // a negative figure
        {98500, 0x1F, {0xC0, 0x07, 0xB2, 0xC0, 0x0F}},         // only the low four bits
        {98500, 0x30, {0xC0, 0x07, 0xB2, 0xC0, 0x00}},
        {98500, -1, {0xC0, 0x07, 0xB2, 0xC0, 0x0F}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.frequency);
        FreshCard();
        EXPECT_EQ(SetFrequency(c.frequency, c.control), 1);
        EXPECT_EQ(BusMessages(sim::Events()), std::vector<Bytes>{c.bytes});
    }
}

TEST_F(Exports, RDSTextGoesOutByteForByte) {
    std::string longValue;
    for (int i = 0; i < 300; ++i)
        longValue += (char)(0x03 + i % 0xFD); // every byte from 0x03 to 0xFF
    const struct {
        const char *name;
        std::string key, value;
    } cases[] = {
        {"high bytes", "\x80\xFF", "\xE9t\xE9"},
        {"lowest allowed byte", "\x03", "\x03"},
        {"long value", "RT", longValue},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FreshCard();
        EXPECT_EQ(SetRDS(c.key.c_str(), c.value.c_str()), 1);
        const Bytes expected = SettingMessage(c.key, c.value);
        EXPECT_EQ(BusMessages(sim::Events()), std::vector<Bytes>{expected});
        // One wait before the start and one after each text byte.
        const int bytes = (int)expected.size();
        const int textBytes = (int)(c.key.size() + c.value.size());
        EXPECT_EQ(Count(sim::Events(), sim::Call::FrequencyQuery),
                  1 + 3 + 43 * bytes + textBytes + 2);
    }
}

TEST_F(Exports, RefusedRDSArgumentsTouchNothing) {
    const struct {
        const char *name;
        const char *key, *value;
    } cases[] = {
        {"null key", nullptr, "x"},
        {"null value", "PS", nullptr},
        {"empty key", "", "x"},
        {"empty value", "PS", ""},
        {"key holding 0x01", "P\x01S", "x"},
        {"value holding 0x02", "PS", "RADIO\x02"},
        {"key holding 0x02", "\x02", "x"},
        {"value holding 0x01", "PS", "\x01"},
    };
    for (bool present : {true, false}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(c.name) + (present ? "" : ", no driver"));
            FreshCard();
            sim::SetDriverPresent(present);
            SetLastError(0);
            EXPECT_EQ(SetRDS(c.key, c.value), 0);
            EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
            EXPECT_TRUE(sim::Events().empty());
        }
    }
}

// A failed open: the call answers 0 with the open's error, sends nothing, and
// three of the exports show the error in a message box.
TEST_F(Exports, FailedOpenIsReportedAndLeavesTheCardAlone) {
    const struct {
        const char *name;
        bool present;
        DWORD error;
    } conditions[] = {{"driver absent", false, ERROR_FILE_NOT_FOUND},
                      {"device held by another", true, ERROR_ACCESS_DENIED}};
    for (const auto &condition : conditions) {
        for (const ExportCall &e : EXPORTS) {
            SCOPED_TRACE(std::string(e.name) + ", " + condition.name);
            FreshCard();
            sim::SetDriverPresent(condition.present);
            HANDLE holder = INVALID_HANDLE_VALUE;
            if (condition.present)
                holder = CreateFileA(DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, NULL,
                                     OPEN_EXISTING, 0, NULL);
            sim::ClearEvents();

            EXPECT_EQ(e.call(), 0);
            EXPECT_EQ(GetLastError(), condition.error);
            const std::vector<sim::Event> events = sim::Events();
            EXPECT_EQ(Count(events, sim::Call::Request), 0);
            EXPECT_EQ(Count(events, sim::Call::Close), 0);
            if (e.caption == nullptr) {
                EXPECT_EQ(Count(events, sim::Call::MessageBox), 0);
            } else {
                ASSERT_EQ(Count(events, sim::Call::MessageBox), 1);
                const sim::Event &box = events.back();
                EXPECT_EQ(box.text,
                          "CreateFile Failed!\nError code=" + std::to_string(condition.error));
                EXPECT_EQ(box.caption, e.caption);
                EXPECT_EQ(box.value, (int64_t)MB_OK);
                EXPECT_EQ(box.owner, 0u);
            }
            if (holder != INVALID_HANDLE_VALUE)
                CloseHandle(holder);
            EXPECT_EQ(sim::OpenHandles(), 0);
        }
    }
}

// A rejected request does not end the call: the whole sequence still goes
// out, the device is closed, and the call answers 0 with the first rejected
// request's error.
TEST_F(Exports, RejectedRequestsAreReportedAfterTheWholeSequence) {
    const struct {
        DWORD sent;     // the error the driver gives for a rejected request
        DWORD reported; // the last error after the call
    } errors[] = {{1117, 1117}, {0, ERROR_GEN_FAILURE}}; // a rejection is never a success
    for (const auto &error : errors) {
        for (const ExportCall &e : EXPORTS) {
            if (e.requests == 0)
                continue;
            for (int64_t accepted : {(int64_t)0, (int64_t)e.requests - 1}) {
                SCOPED_TRACE(std::string(e.name) + " accepting " + std::to_string(accepted) +
                             ", error " + std::to_string(error.sent));
                FreshCard();
                sim::RejectRequestsAfter(accepted, error.sent);
                SetLastError(0);
                EXPECT_EQ(e.call(), 0);
                EXPECT_EQ(GetLastError(), error.reported);
                const std::vector<sim::Event> events = sim::Events();
                EXPECT_EQ(Count(events, sim::Call::Request), e.requests);
                EXPECT_EQ(events.back().call, sim::Call::Close);
                EXPECT_EQ(sim::OpenHandles(), 0);
            }
        }
    }
    // A call with no request has nothing to be rejected.
    FreshCard();
    sim::RejectRequestsAfter(0);
    EXPECT_EQ(IsTorvel2007(), 1);
}

// After a call that the driver cut off part-way, the next call that writes to
// the bus clears it right before its start condition; no other call does, and
// the clear stops once a bus call has gone through whole.
TEST_F(Exports, TheBusIsClearedAfterAnInterruptedCallAndOnlyThen) {
    std::vector<std::string> attempts;
    for (int i = 0; i < 9; ++i)
        attempts.push_back("C- w D- w C+ w D+ w");
    const std::string clear = Join(attempts);
    const std::string start = "D+ C+ w D- w C- w";
    const std::string tune = Join({"P0F", start}), setting = Join({"w", start});
    // The beginning of the call's trace, up to its start condition.
    auto opening = [](const std::string &trace, size_t length) { return trace.substr(0, length); };

    ASSERT_FALSE(BusMayBeHeld());
    sim::RejectRequestsAfter(100);
    EXPECT_EQ(SetRDSPower(1), 0);
    sim::AcceptAllRequests();
    EXPECT_TRUE(BusMayBeHeld());

    // Calls that write no bus message leave the mark, and so does a failed open.
    EXPECT_EQ(SetStereo(), 1);
    EXPECT_EQ(SetMono(), 1);
    EXPECT_EQ(IsTorvel2007(), 1);
    EXPECT_EQ(SetRDS("", "x"), 0);
    sim::SetDriverPresent(false);
    EXPECT_EQ(SetRDSPower(1), 0);
    sim::SetDriverPresent(true);
    EXPECT_EQ(Trace(sim::Events()).find("C- w D- w C+ w D+ w"), std::string::npos);
    EXPECT_TRUE(BusMayBeHeld());

    // A tune clears the bus after its preset request: 36 more requests and waits.
    sim::ClearEvents();
    EXPECT_EQ(SetFrequency(98500, 0), 1);
    std::vector<sim::Event> events = sim::Events();
    const std::string cleared = Join({"P0F", clear, start});
    EXPECT_EQ(opening(Trace(events), cleared.size()), cleared);
    EXPECT_EQ(Count(events, sim::Call::Request), 154 + 36);
    EXPECT_EQ(Count(events, sim::Call::FrequencyQuery), 220 + 36);
    EXPECT_EQ(BusMessages(events), std::vector<Bytes>{TuningMessage(1970, 0)});
    EXPECT_FALSE(BusMayBeHeld());

    // The next tune sends what it always sends.
    sim::ClearEvents();
    EXPECT_EQ(SetFrequency(98500, 0), 1);
    EXPECT_EQ(opening(Trace(sim::Events()), tune.size() + 3), tune + " w ");
    EXPECT_EQ(Count(sim::Events(), sim::Call::Request), 154);

    // A clear that is itself rejected leaves the mark; a setting clears after
    // its first wait.
    sim::RejectRequestsAfter(2);
    EXPECT_EQ(SetRDS("PS", "RA"), 0);
    sim::AcceptAllRequests();
    EXPECT_TRUE(BusMayBeHeld());
    sim::RejectRequestsAfter(10); // within the clear
    EXPECT_EQ(SetRDS("PS", "RA"), 0);
    sim::AcceptAllRequests();
    EXPECT_TRUE(BusMayBeHeld());
    sim::ClearEvents();
    EXPECT_EQ(SetRDS("PS", "RA"), 1);
    events = sim::Events();
    EXPECT_EQ(opening(Trace(events), setting.size() + clear.size() + 1), Join({"w", clear, start}));
    EXPECT_EQ(Count(events, sim::Call::Request), 240 + 36); // PS and RA alone: 240
    EXPECT_EQ(BusMessages(events), std::vector<Bytes>{SettingMessage("PS", "RA")});
    EXPECT_FALSE(BusMayBeHeld());
}

TEST_F(Exports, WaitsFallBackToSleepsWithTheSameRequests) {
    EXPECT_EQ(SetFrequency(98500, 0), 1);
    const std::string usable = Trace(sim::Events());
    for (sim::CounterMode mode : {sim::CounterMode::Zero, sim::CounterMode::Failing}) {
        FreshCard();
        sim::SetCounter(mode);
        EXPECT_EQ(SetFrequency(98500, 0), 1);
        const std::vector<sim::Event> events = sim::Events();
        EXPECT_EQ(Trace(events), usable);
        EXPECT_EQ(Count(events, sim::Call::Sleep), 220);
        EXPECT_EQ(Count(events, sim::Call::CounterRead), 0);
    }
}

TEST_F(Exports, NothingIsRememberedBetweenCalls) {
    EXPECT_EQ(SetMono(), 1);
    EXPECT_EQ(SetMono(), 1);
    EXPECT_EQ(Trace(sim::Events()), "M+ M+");
    EXPECT_EQ(Count(sim::Events(), sim::Call::Open), 2);
    EXPECT_EQ(sim::Lines() & 0x02, 0x02);
    EXPECT_EQ(SetStereo(), 1);
    EXPECT_EQ(sim::Lines() & 0x02, 0x00);
}

TEST_F(Exports, ModuleEntrySwitchesOffThreadNotificationsOnAttachOnly) {
    HINSTANCE module = (HINSTANCE)(uintptr_t)0x10000000;
    for (DWORD reason :
         std::initializer_list<DWORD>{DLL_PROCESS_ATTACH, DLL_PROCESS_DETACH, DLL_THREAD_ATTACH,
                                      DLL_THREAD_DETACH, (DWORD)99}) {
        SCOPED_TRACE(reason);
        FreshCard();
        EXPECT_EQ(DllMain(module, reason, nullptr), TRUE);
        const std::vector<sim::Event> events = sim::Events();
        if (reason == DLL_PROCESS_ATTACH) {
            ASSERT_EQ(events.size(), 1u);
            EXPECT_EQ(events[0].call, sim::Call::DisableThreadCalls);
            EXPECT_EQ(events[0].handle, (uintptr_t)module);
        } else {
            EXPECT_TRUE(events.empty());
        }
    }
}

} // namespace

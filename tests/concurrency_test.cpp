// Two threads calling at once on the card's exclusive device: each call either
// holds the device for its whole message and answers 1, or finds the device
// in use, answers 0 with ERROR_ACCESS_DENIED and touches nothing.
#include "torvelapi.h"

#include "calls.h"
#include "card.h"
#include "sim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

struct CallResult {
    int result;
    DWORD error;
    Bytes message; // what a successful call puts on the bus
};

// Each thread calls until `calls` of its calls went through, retrying one
// that found the device in use, so that the two threads take turns.
const int MOST_ATTEMPTS = 1000000;

int Successes(const std::vector<CallResult> &results) {
    int count = 0;
    for (const CallResult &r : results)
        count += r.result;
    return count;
}

std::vector<CallResult> Tune(int calls) {
    std::vector<CallResult> results;
    for (int i = 0; Successes(results) < calls && i < MOST_ATTEMPTS; ++i) {
        const unsigned channel = 1720 + (unsigned)(i * 37) % 441;
        const int result = SetFrequency(channel * 50, i);
        results.push_back(
            {result, result ? 0 : GetLastError(), TuningMessage(channel, (uint8_t)(i & 0x0F))});
    }
    return results;
}

std::vector<CallResult> SetEncoder(int calls) {
    std::vector<CallResult> results;
    for (int i = 0; Successes(results) < calls && i < MOST_ATTEMPTS; ++i) {
        int result;
        Bytes message;
        if (i % 2 == 0) {
            const std::string value = "RADIO " + std::to_string(i);
            result = SetRDS("PS", value.c_str());
            message = SettingMessage("PS", value);
        } else {
            result = SetRDSPower(i % 4 == 1);
            message = PowerMessage(i % 4 == 1);
        }
        if (result) // the caller's own work between calls
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        else
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        results.push_back({result, result ? 0 : GetLastError(), message});
    }
    return results;
}

TEST(Concurrency, CallsNeverInterleaveOnTheBus) {
    const int rounds = 5, calls = 20;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        FreshCard();
        std::vector<CallResult> tunes, settings;
        std::thread first([&] { tunes = Tune(calls); });
        std::thread second([&] { settings = SetEncoder(calls); });
        first.join();
        second.join();

        // Between an open and its close, only the thread that opened sends.
        const std::vector<sim::Event> events = sim::Events();
        uintptr_t holder = 0;
        int holderThread = 0;
        for (const sim::Event &event : events) {
            if (event.call == sim::Call::Open) {
                if (event.ok) {
                    ASSERT_EQ(holder, 0u) << "two handles open at once";
                    holder = event.handle;
                    holderThread = event.thread;
                } else {
                    ASSERT_EQ(event.error, (uint32_t)ERROR_ACCESS_DENIED);
                }
            } else if (event.call == sim::Call::Request) {
                ASSERT_EQ(event.handle, holder);
                ASSERT_EQ(event.thread, holderThread) << "requests of two calls interleaved";
            } else if (event.call == sim::Call::Close) {
                ASSERT_EQ(event.handle, holder);
                holder = 0;
            }
        }
        ASSERT_EQ(sim::OpenHandles(), 0);

        // Every call answered 1 or found the device in use, and the bus
        // carries exactly the messages of the calls that answered 1, each
        // whole, in the order in which they held the device.
        int succeeded = 0;
        for (const auto *results : {&tunes, &settings})
            for (const CallResult &r : *results) {
                EXPECT_TRUE(r.result == 1 || r.error == ERROR_ACCESS_DENIED);
                succeeded += r.result;
            }
        const sim::Card card = sim::CurrentCard();
        EXPECT_TRUE(card.State().faults.empty()) << sim::Describe(card.State());
        std::vector<Bytes> messages;
        for (const sim::Message &message : card.Messages()) {
            EXPECT_TRUE(message.stopped);
            messages.push_back(message.Values());
        }
        {
            int sw = 0, last = 0;
            for (auto &e : events)
                if (e.call == sim::Call::Open && e.ok) {
                    if (e.thread != last)
                        ++sw;
                    last = e.thread;
                }
        }
        ASSERT_EQ((int)messages.size(), succeeded);
        size_t t = 0, s = 0;
        for (const Bytes &message : messages) {
            while (t < tunes.size() && !tunes[t].result)
                ++t;
            while (s < settings.size() && !settings[s].result)
                ++s;
            if (t < tunes.size() && message == tunes[t].message)
                ++t;
            else if (s < settings.size() && message == settings[s].message)
                ++s;
            else
                FAIL() << "a message on the bus that no call asked for";
        }
    }
}

} // namespace

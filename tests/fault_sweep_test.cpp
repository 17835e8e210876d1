// A driver that starts rejecting requests at any point of a call: the call
// still sends its whole sequence, closes the device, and answers 0 with the
// error of the first rejected request. And whatever the point, the next call
// that writes to the bus puts its whole message there, and the chips take it.
#include "torvelapi.h"

#include "calls.h"
#include "card.h"
#include "sim.h"
#include "trace.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TEST(FaultSweep, EveryRejectionPointIsReportedAndTheSequenceCompleted) {
    const struct {
        const char *name;
        std::function<int()> call;
    } calls[] = {
        {"SetFrequency", [] { return SetFrequency(98500, 5); }},
        {"SetRDS", [] { return SetRDS("PS", "RADIO 1"); }},
        {"SetRDSPower", [] { return SetRDSPower(1); }},
    };
    for (const auto &c : calls) {
        FreshCard();
        ASSERT_EQ(c.call(), 1);
        const std::string clean = Trace(sim::Events());
        const int requests = (int)sim::Requests().size();

        for (int accepted = 0; accepted < requests; ++accepted) {
            SCOPED_TRACE(std::string(c.name) + " rejecting from request " +
                         std::to_string(accepted + 1));
            // Each rejected request has its own error: the first is reported.
            const DWORD error = 1000 + (DWORD)accepted;
            FreshCard();
            sim::RejectRequestsAfter(accepted, error, 1);
            SetLastError(0);
            ASSERT_EQ(c.call(), 0);
            ASSERT_EQ(GetLastError(), error);

            const std::vector<sim::Event> events = sim::Events();
            ASSERT_EQ(Trace(events), clean);
            const std::vector<sim::Event> sent = sim::Requests();
            for (int i = 0; i < requests; ++i)
                ASSERT_EQ(sent[i].ok, i < accepted) << "request " << i + 1;
            ASSERT_EQ(events.back().call, sim::Call::Close);
            ASSERT_EQ(sim::OpenHandles(), 0);
        }
    }
}

struct BusCall {
    const char *name;
    int (*call)();
    Bytes message;
    // The card holds what the message asked for.
    bool (*taken)(const sim::CardState &state);
};

const BusCall BUS_CALLS[] = {
    {"SetFrequency", [] { return SetFrequency(87600, 3); }, TuningMessage(1752, 3),
     [](const sim::CardState &state) {
         return state.tuned && state.channel == 1752 && state.control == 3;
     }},
    {"SetRDS", [] { return SetRDS("PS", "RA"); }, SettingMessage("PS", "RA"),
     [](const sim::CardState &state) {
         return state.rds.count("PS") == 1 && state.rds.at("PS") == "RA";
     }},
    {"SetRDSPower", [] { return SetRDSPower(1); }, PowerMessage(true),
     [](const sim::CardState &state) { return state.rdsPower; }},
};

TEST(FaultSweep, AfterAnyInterruptionTheNextBusCallIsWholeAndTaken) {
    for (const BusCall &cut : BUS_CALLS) {
        FreshCard();
        ASSERT_EQ(cut.call(), 1);
        const int requests = (int)sim::Requests().size();
        for (int accepted = 0; accepted < requests; ++accepted) {
            for (const BusCall &next : BUS_CALLS) {
                SCOPED_TRACE(std::string(cut.name) + " cut off after " + std::to_string(accepted) +
                             " requests, then " + next.name);
                FreshCard();
                sim::SetCounterReadCost(20000); // fewer counter reads per wait
                sim::RejectRequestsAfter(accepted);
                ASSERT_EQ(cut.call(), 0);
                sim::AcceptAllRequests();
                sim::ClearEvents();
                ASSERT_EQ(next.call(), 1);

                const sim::Card card = sim::CurrentCard();
                const std::vector<sim::Message> messages = card.Messages();
                ASSERT_FALSE(messages.empty());
                const sim::Message &message = messages.back();
                ASSERT_EQ(message.Values(), next.message);
                ASSERT_TRUE(message.stopped);
                for (const sim::BusByte &byte : message.bytes)
                    ASSERT_TRUE(byte.ack);
                const sim::CardState state = card.State();
                ASSERT_TRUE(next.taken(state)) << sim::Describe(state);
                for (const sim::Fault &fault : state.faults)
                    ASSERT_NE(fault.message, (int)messages.size() - 1) << sim::Describe(fault);
            }
        }
    }
}

} // namespace

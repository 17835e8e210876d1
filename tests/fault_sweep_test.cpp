// A driver that starts rejecting requests at any point of a call: the call
// still sends its whole sequence, closes the device, and answers 0 with the
// error of the first rejected request.
#include "torvelapi.h"

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
        sim::Reset();
        ASSERT_EQ(c.call(), 1);
        const std::string clean = Trace(sim::Events());
        const int requests = (int)sim::Requests().size();

        for (int accepted = 0; accepted < requests; ++accepted) {
            SCOPED_TRACE(std::string(c.name) + " rejecting from request " +
                         std::to_string(accepted + 1));
            const DWORD error = 1000 + (DWORD)accepted; // tells the rejections apart
            sim::Reset();
            sim::RejectRequestsAfter(accepted, error);
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

} // namespace

// How close each export's waits come to the bus's 50-microsecond step.
//
// Runs SetFrequency, SetRDS (an 8-character PS value), SetRDSPower and
// SetStereo on the simulated card in real-time mode, where the counter follows
// the host's monotonic clock and Sleep really sleeps, and reads every wait
// back from the card's recording:
//
// - with the counter usable, a wait is the frequency query, the start reading
//   and the run of readings that ends it; its length is the last reading minus
//   the start reading, in counter ticks;
// - with the counter giving frequency 0, a wait is the frequency query and
//   the Sleep(1) after it; its length is the time between the two.
//
// For each call it prints the wall time against the floor (waits times 50
// microseconds), the waits' spread and the CPU time. The recording is cleared
// before every call, so memory stays at one call's events.
#include "sim.h"
#include "torvelapi.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace {

const int64_t STEP_NS = 50000; // the bus's wait: 50 microseconds

struct Export {
    const char *name;
    std::function<int()> call;
};

// One call's waits, read from its recording.
struct CallWaits {
    std::vector<int64_t> lengthsNs;
    std::vector<int64_t> reads; // counter readings per spinning wait
    int64_t shortWaits = 0;     // waits that may have lasted less than 50 us
    int64_t unreadable = 0;     // waits whose recording does not have the expected shape
};

// Reads the waits out of one call's events. With the counter usable each wait
// is FrequencyQuery, CounterRead (the start), CounterRead (the run of readings,
// with the last value); without it, FrequencyQuery then Sleep.
CallWaits ReadWaits(const std::vector<sim::Event> &events) {
    CallWaits waits;
    for (size_t i = 0; i < events.size(); ++i) {
        const sim::Event &query = events[i];
        if (query.call != sim::Call::FrequencyQuery)
            continue;
        if (i + 1 < events.size() && events[i + 1].call == sim::Call::Sleep) {
            waits.lengthsNs.push_back(events[i + 1].timeNs - query.timeNs);
            if (waits.lengthsNs.back() < STEP_NS)
                ++waits.shortWaits;
            continue;
        }
        if (i + 2 >= events.size() || events[i + 1].call != sim::Call::CounterRead ||
            events[i + 2].call != sim::Call::CounterRead || query.value <= 0) {
            ++waits.unreadable;
            continue;
        }
        const int64_t ticks = events[i + 2].value - events[i + 1].value;
        const double tickNs = 1e9 / (double)query.value;
        waits.lengthsNs.push_back((int64_t)((double)ticks * tickNs + 0.5));
        waits.reads.push_back(1 + events[i + 2].reads);
        // A reading stands for any instant within its tick, so the time between
        // two readings `ticks` apart is only known to exceed ticks - 1 ticks.
        if ((double)(ticks - 1) * tickNs < (double)STEP_NS)
            ++waits.shortWaits;
    }
    return waits;
}

int64_t ThreadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
}

int64_t WallNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Nearest-rank percentile of sorted values.
int64_t Percentile(const std::vector<int64_t> &sorted, double fraction) {
    if (sorted.empty())
        return 0;
    size_t rank = (size_t)(fraction * (double)sorted.size() + 0.999999);
    rank = std::min(std::max<size_t>(rank, 1), sorted.size());
    return sorted[rank - 1];
}

int64_t Median(std::vector<int64_t> values) {
    std::sort(values.begin(), values.end());
    return Percentile(values, 0.5);
}

double Us(int64_t ns) {
    return (double)ns / 1000.0;
}

struct Result {
    const char *name = "";
    int calls = 0;
    int64_t waitsPerCall = 0;
    int64_t requestsPerCall = 0;
    bool sameWaitsEveryCall = true;
    int failedCalls = 0;
    std::vector<int64_t> wallNs, cpuNs, outsideWaitsNs; // one per call
    std::vector<int64_t> waitNs;                        // every wait of every call
    std::vector<int64_t> readsPerWait;                  // spinning waits only
    int64_t shortWaits = 0, unreadable = 0;
};

Result Measure(const Export &function, int calls, int warmups) {
    Result result;
    result.name = function.name;
    result.calls = calls;
    for (int i = 0; i < warmups; ++i) {
        sim::ClearEvents();
        function.call();
    }
    result.wallNs.reserve((size_t)calls);
    result.cpuNs.reserve((size_t)calls);
    result.outsideWaitsNs.reserve((size_t)calls);
    for (int i = 0; i < calls; ++i) {
        sim::ClearEvents();
        const int64_t cpuStart = ThreadCpuNs();
        const int64_t wallStart = WallNs();
        const int done = function.call();
        const int64_t wall = WallNs() - wallStart;
        const int64_t cpu = ThreadCpuNs() - cpuStart;
        if (!done)
            ++result.failedCalls;

        const std::vector<sim::Event> events = sim::Events();
        const CallWaits waits = ReadWaits(events);
        int64_t waitsTotal = 0;
        for (int64_t length : waits.lengthsNs)
            waitsTotal += length;
        const int64_t count = (int64_t)waits.lengthsNs.size() + waits.unreadable;
        if (i == 0) {
            result.waitsPerCall = count;
            result.requestsPerCall =
                std::count_if(events.begin(), events.end(),
                              [](const sim::Event &e) { return e.call == sim::Call::Request; });
            result.waitNs.reserve((size_t)(count * calls));
            result.readsPerWait.reserve((size_t)(count * calls));
        } else if (count != result.waitsPerCall) {
            result.sameWaitsEveryCall = false;
        }
        result.wallNs.push_back(wall);
        result.cpuNs.push_back(cpu);
        result.outsideWaitsNs.push_back(wall - waitsTotal);
        result.waitNs.insert(result.waitNs.end(), waits.lengthsNs.begin(), waits.lengthsNs.end());
        result.readsPerWait.insert(result.readsPerWait.end(), waits.reads.begin(),
                                   waits.reads.end());
        result.shortWaits += waits.shortWaits;
        result.unreadable += waits.unreadable;
    }
    sim::ClearEvents();
    std::sort(result.waitNs.begin(), result.waitNs.end());
    return result;
}

void PrintLoad(const char *when) {
    char text[128] = "?";
    if (FILE *file = std::fopen("/proc/loadavg", "r")) {
        if (std::fgets(text, sizeof text, file) == nullptr)
            std::strcpy(text, "?");
        std::fclose(file);
        text[std::strcspn(text, "\n")] = '\0';
    }
    std::printf("load average %s: %s\n", when, text);
}

void PrintCalls(const std::vector<Result> &results) {
    std::printf("| Call | Requests | Waits | Floor (ms) | Wall median (ms) | Wall min / max (ms) | "
                "Wall / floor (median) | Outside waits, median (us) | CPU median (ms) |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const Result &r : results) {
        const int64_t floorNs = r.waitsPerCall * STEP_NS;
        const int64_t wall = Median(r.wallNs);
        const int64_t wallMin = *std::min_element(r.wallNs.begin(), r.wallNs.end());
        const int64_t wallMax = *std::max_element(r.wallNs.begin(), r.wallNs.end());
        char ratio[32] = "-";
        if (floorNs > 0)
            std::snprintf(ratio, sizeof ratio, "%.4f", (double)wall / (double)floorNs);
        std::printf("| %s | %lld | %lld%s | %.3f | %.3f | %.3f / %.3f | %s | %.1f | %.3f |\n",
                    r.name, (long long)r.requestsPerCall, (long long)r.waitsPerCall,
                    r.sameWaitsEveryCall ? "" : " (varies)", Us(floorNs) / 1000, Us(wall) / 1000,
                    Us(wallMin) / 1000, Us(wallMax) / 1000, ratio, Us(Median(r.outsideWaitsNs)),
                    Us(Median(r.cpuNs)) / 1000);
    }
}

void PrintWaits(const std::vector<Result> &results) {
    std::printf("| Call | Waits measured | Min (us) | Median (us) | p99 (us) | Max (us) | "
                "Overshoot median / p99 (us) | Over 55 us | Shorter than 50 us | "
                "Counter reads per wait |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const Result &r : results) {
        if (r.waitNs.empty()) {
            std::printf("| %s | 0 | - | - | - | - | - | - | 0 | - |\n", r.name);
            continue;
        }
        const int64_t median = Percentile(r.waitNs, 0.5);
        const int64_t p99 = Percentile(r.waitNs, 0.99);
        char reads[32] = "-";
        if (!r.readsPerWait.empty())
            std::snprintf(reads, sizeof reads, "%lld", (long long)Median(r.readsPerWait));
        // Waits stretched by more than a tenth: interrupted or descheduled spins.
        const auto stretched = r.waitNs.end() - std::upper_bound(r.waitNs.begin(), r.waitNs.end(),
                                                                 STEP_NS + STEP_NS / 10);
        std::printf("| %s | %zu | %.1f | %.1f | %.1f | %.1f | %.1f / %.1f | %.2f%% | %lld | %s |\n",
                    r.name, r.waitNs.size(), Us(r.waitNs.front()), Us(median), Us(p99),
                    Us(r.waitNs.back()), Us(median - STEP_NS), Us(p99 - STEP_NS),
                    100.0 * (double)stretched / (double)r.waitNs.size(), (long long)r.shortWaits,
                    reads);
    }
    for (const Result &r : results) {
        if (r.failedCalls > 0)
            std::printf("warning: %s returned 0 in %d of %d calls\n", r.name, r.failedCalls,
                        r.calls);
        if (r.unreadable > 0)
            std::printf("warning: %s: %lld waits could not be read from the recording\n", r.name,
                        (long long)r.unreadable);
    }
}

void RunMode(const char *title, sim::CounterMode mode, int calls, int warmups) {
    sim::SetCounter(mode);
    const std::vector<Export> exports = {
        {"SetFrequency", [] { return SetFrequency(98500, 0); }},
        {"SetRDS PS (8 chars)", [] { return SetRDS("PS", "RADIO 98"); }},
        {"SetRDSPower", [] { return SetRDSPower(1); }},
        {"SetStereo", [] { return SetStereo(); }},
    };
    std::vector<Result> results;
    for (const Export &function : exports)
        results.push_back(Measure(function, calls, warmups));

    std::printf("\n## %s: %d calls each\n\n", title, calls);
    PrintCalls(results);
    std::printf("\n");
    PrintWaits(results);
}

void Usage(const char *program) {
    std::fprintf(stderr,
                 "usage: %s [--calls N] [--sleep-calls N] [--mode counter|sleep|both]\n"
                 "  --calls N        calls per export with the counter usable (default 200)\n"
                 "  --sleep-calls N  calls per export with the counter unusable (default 5)\n"
                 "  --mode M         which of the two to run (default both)\n",
                 program);
}

} // namespace

int main(int argc, char **argv) {
    int calls = 200;
    int sleepCalls = 5;
    std::string mode = "both";
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            Usage(argv[0]);
            return 2;
        }
        const char *value = argv[++i];
        if (option == "--calls")
            calls = std::atoi(value);
        else if (option == "--sleep-calls")
            sleepCalls = std::atoi(value);
        else if (option == "--mode")
            mode = value;
        else {
            Usage(argv[0]);
            return 2;
        }
    }
    if (calls < 1 || sleepCalls < 1 || (mode != "counter" && mode != "sleep" && mode != "both")) {
        Usage(argv[0]);
        return 2;
    }

    sim::Reset();
    sim::SetRealTime(true);
    std::printf("# Call timing on the simulated card (real time)\n\n");
    PrintLoad("before");
    if (mode != "sleep")
        RunMode("Counter usable (10 MHz): each wait spins on the counter", sim::CounterMode::Usable,
                calls, 3);
    if (mode != "counter")
        RunMode("Counter unusable (frequency 0): each wait is Sleep(1)", sim::CounterMode::Zero,
                sleepCalls, 1);
    std::printf("\n");
    PrintLoad("after");
    return 0;
}

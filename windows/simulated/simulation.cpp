// The settings, the card's set-up and the report of every call. Compiled
// against the stand-in <windows.h>: GetLastError and CreateFileA here are the
// simulated platform's.
#include "simulation.h"

#include <windows.h>

#include "card.h"
#include "card/protocol.h"
#include "host.h"
#include "sim.h"
#include "vcd.h"

#include <cstdio>
#include <mutex>
#include <vector>

namespace simulated {
namespace {

const char PREFIX[] = "torvelapi: ";
// What a driver gives for a card that fails its requests: STATUS_IO_DEVICE_ERROR,
// which reaches the caller as ERROR_IO_DEVICE.
const DWORD REJECTION_ERROR = 1117;

// Set by Start before any call, read-only afterwards.
bool noBox = false;
std::string logPath, vcdPath;

// Keeps the report lines whole and in order, and guards the waveform.
std::mutex reportMutex;
bool logFailed = false;
// The process's waveform so far, kept only for TORVEL_SIM_VCD.
std::vector<sim::LineChange> waveform;

// One report line to the debug output, and to the log file when there is one.
// Called with reportMutex held.
void Emit(const std::string &text) {
    const std::string line = PREFIX + text;
    host::DebugOutput(line);
    if (logPath.empty() || logFailed)
        return;
    if (!host::AppendLine(logPath, line)) {
        logFailed = true;
        host::DebugOutput(PREFIX + ("cannot write to the log file " + logPath) +
                          " (TORVEL_SIM_LOG); the lines go to the debug output only");
    }
}

// A setting of 0 or 1; unset or empty is 0. Anything else is reported and
// taken as 0.
bool Flag(const char *name, const char *whenOff, std::vector<std::string> *notes) {
    const std::string value = host::Environment(name);
    if (value == "1")
        return true;
    if (!value.empty() && value != "0")
        notes->push_back(std::string(name) + "=" + value + " is neither 0 nor 1; " + whenOff);
    return false;
}

// Adds a piece of the waveform: every piece after the first begins with the
// levels that the last one ended at.
void AddToWaveform(const std::vector<sim::LineChange> &piece) {
    if (vcdPath.empty())
        return;
    waveform.insert(waveform.end(), piece.begin() + (waveform.empty() ? 0 : 1), piece.end());
}

// "98.500 MHz, control 0x0, stereo, RDS power on, RDS PS="RADIO 1"".
std::string DescribeCard(const sim::CardState &state) {
    char text[64];
    if (state.tuned) {
        const unsigned khz = state.FrequencyKHz();
        std::snprintf(text, sizeof text, "%u.%03u MHz, control 0x%X", khz / 1000, khz % 1000,
                      state.control);
    } else {
        std::snprintf(text, sizeof text, "not tuned");
    }
    std::string card = text;
    card += state.mono ? ", mono" : ", stereo";
    card += state.rdsPower ? ", RDS power on" : ", RDS power off";
    for (const auto &setting : state.rds)
        card += ", RDS " + sim::Printable(setting.first) + "=\"" + sim::Printable(setting.second) +
                "\"";
    return card;
}

std::string DescribeError(DWORD error) {
    std::string text = "error " + std::to_string(error);
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return text + " (ERROR_FILE_NOT_FOUND: no driver)";
    case ERROR_ACCESS_DENIED:
        return text + " (ERROR_ACCESS_DENIED: the card is in use)";
    case ERROR_INVALID_PARAMETER:
        return text + " (ERROR_INVALID_PARAMETER: nothing sent)";
    default:
        return text + " (the driver rejected a request)";
    }
}

} // namespace

std::string Quoted(const char *text) {
    return text == NULL ? "NULL" : "\"" + sim::Printable(text) + "\"";
}

void Start() {
    std::vector<std::string> notes;
    const bool fast = Flag("TORVEL_SIM_FAST", "the waits take real time", &notes);
    noBox = Flag("TORVEL_SIM_NOBOX", "message boxes are shown", &notes);
    // Relative paths are taken from the current folder as the DLL loads:
    // the program may change its folder before the waveform is written.
    logPath = host::FullPath(host::Environment("TORVEL_SIM_LOG"));
    vcdPath = host::FullPath(host::Environment("TORVEL_SIM_VCD"));
    const std::string card = host::Environment("TORVEL_SIM_CARD");

    sim::SetRealTime(!fast);
    std::string cardWords = "present";
    if (card == "absent") {
        sim::SetDriverPresent(false);
        cardWords = "absent (no driver)";
    } else if (card == "busy") {
        // Another program holds the device, so that every open fails. The
        // handle is never closed.
        CreateFileA(DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        cardWords = "busy (held by another program)";
    } else if (card == "rejecting") {
        sim::RejectRequestsAfter(0, REJECTION_ERROR);
        cardWords = "rejecting every request with error " + std::to_string(REJECTION_ERROR);
    } else if (!card.empty()) {
        notes.push_back("TORVEL_SIM_CARD=" + card +
                        " is none of absent, busy, rejecting; the card is present");
    }

    std::lock_guard<std::mutex> lock(reportMutex);
    std::vector<sim::Event> setUp;
    AddToWaveform(sim::TakeCurrentCard(&setUp).Waveform());
    for (const std::string &note : notes)
        Emit(note);
    Emit("simulated card " + cardWords + (fast ? ", instant waits" : ", waits in real time") +
         (vcdPath.empty() ? "" : ", waveform to " + vcdPath + " at unload"));
}

void Finish() {
    // Every call added its piece as it ended. The card itself is not asked:
    // when the process exits, a thread in the middle of a call has been
    // stopped where it was, perhaps holding the card's lock, or this one.
    if (vcdPath.empty())
        return;
    if (!reportMutex.try_lock()) {
        host::DebugOutput(PREFIX + ("no waveform written to " + vcdPath) +
                          ": the process ended in the middle of a call's report");
        return;
    }
    std::lock_guard<std::mutex> lock(reportMutex, std::adopt_lock);
    if (!host::WriteWholeFile(vcdPath, sim::Vcd(waveform)))
        host::DebugOutput(PREFIX + ("cannot write the waveform to " + vcdPath) +
                          " (TORVEL_SIM_VCD)");
}

Call::Call() : callerError(host::CallerError()), startNs(sim::NowNs()) {}

void Call::Report(int result, const std::string &call) noexcept {
    const DWORD error = GetLastError(); // what the library left on the simulated platform
    try {
        const int64_t endNs = sim::NowNs();
        std::vector<sim::Event> events;
        const sim::Card card = sim::TakeCurrentCard(&events);

        int requests = 0;
        for (const sim::Event &event : events) {
            if (event.call == sim::Call::Request)
                ++requests;
            // The library's message box, shown now for real, or reported.
            if (event.call == sim::Call::MessageBox && !noBox)
                host::ShowMessageBox(event.text, event.caption);
        }

        char timing[64];
        std::snprintf(timing, sizeof timing, ", %d request%s in %.3f ms", requests,
                      requests == 1 ? "" : "s", (double)(endNs - startNs) / 1e6);
        std::string line = call + " = " + std::to_string(result);
        if (result == 0)
            line += ", " + DescribeError(error);
        line += timing;
        const std::vector<sim::Message> messages = card.Messages();
        for (size_t i = 0; i < messages.size(); ++i)
            line += (i == 0 ? "; bus: " : " | ") + sim::Describe(messages[i]);
        const sim::CardState state = card.State();
        for (size_t i = 0; i < state.faults.size(); ++i)
            line += (i == 0 ? "; bus fault: " : " | ") + sim::Describe(state.faults[i]);
        line += "; card: " + DescribeCard(state);

        std::lock_guard<std::mutex> lock(reportMutex);
        for (const sim::Event &event : events) {
            if (event.call != sim::Call::MessageBox || !noBox)
                continue;
            std::string text = event.text;
            for (char &c : text)
                if (c == '\n' || c == '\r')
                    c = ' ';
            Emit("message box \"" + event.caption + "\": " + text);
        }
        AddToWaveform(card.Waveform());
        Emit(line);
    } catch (...) {
        // Out of memory: the call's result stands without its report.
    }
    host::SetCallerError(result != 0 ? callerError : error);
}

} // namespace simulated

// wincheck TABLE RECORD
//
// Checks what torvelapi.dll did on Windows against what the host build does
// for the same calls. RECORD is the output of windows/tests/torveltest.c for
// TABLE: per call its result and last error, then every request that the
// simulated card driver received, with the driver's time stamp.
//
// The table's calls are run here on the host library and the simulated card,
// and for every call the result, the last error and the requests (code, byte,
// taken or not; in order and in number) must be the same. Then the requests
// of the record are replayed, at the driver's times, into the simulated card:
// its bus analyser decodes the messages and checks their timing, and the
// messages and the card's state must be those of the host run, with no bus
// fault. Prints "ok" or "FAIL" per check; exits with 1 when any failed.
#include "card.h"
#include "sim.h"
#include "torvelapi.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Request {
    int64_t timeNs = 0;
    uint32_t code = 0;
    uint8_t byte = 0;
    bool taken = false;
};

struct CallRecord {
    std::string text; // the call as the table writes it
    int result = 0;
    unsigned long error = 0;
    std::vector<Request> requests;
};

int failures = 0;

void Report(bool ok, const std::string &what, const std::string &detail = "") {
    std::cout << (ok ? "ok " : "FAIL ") << what << (detail.empty() ? "" : ": " + detail) << "\n";
    if (!ok)
        ++failures;
}

// Splits a table line into its arguments, decoding \xNN and \\; "" is the
// empty string. NULL is kept as the word and stands for a null pointer.
std::vector<std::string> Tokenize(const std::string &line) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size() || line[i] == '#')
            break;
        std::string token;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            if (line.compare(i, 2, "\\x") == 0 && i + 3 < line.size()) {
                token += (char)std::strtoul(line.substr(i + 2, 2).c_str(), nullptr, 16);
                i += 4;
            } else if (line.compare(i, 2, "\\\\") == 0) {
                token += '\\';
                i += 2;
            } else {
                token += line[i++];
            }
        }
        tokens.push_back(token == "\"\"" ? std::string() : token);
    }
    return tokens;
}

// The call part of a table line, without what follows "=>".
std::string CallText(const std::string &line) {
    std::string text = line.substr(0, line.find("=>"));
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.pop_back();
    return text;
}

const char *Text(const std::string &token) {
    return token == "NULL" ? nullptr : token.c_str();
}

unsigned long Number(const std::string &token) {
    return std::strtoul(token.c_str(), nullptr, 0);
}

// Runs one table call on the host library. Returns false for a line that is
// not a call.
bool RunCall(const std::vector<std::string> &args, int *result) {
    const std::string &name = args[0];
    const size_t n = args.size();
    if (name == "IsTorvel2007" && n == 1)
        *result = IsTorvel2007();
    else if (name == "SetStereo" && n == 1)
        *result = SetStereo();
    else if (name == "SetMono" && n == 1)
        *result = SetMono();
    else if (name == "SetFrequency" && n == 3)
        *result = SetFrequency((unsigned int)Number(args[1]), (int)Number(args[2]));
    else if (name == "SetRDS" && n == 3)
        *result = SetRDS(Text(args[1]), Text(args[2]));
    else if (name == "SetRDSPower" && n == 2)
        *result = SetRDSPower((int)Number(args[1]));
    else
        return false;
    return true;
}

// The table's calls on the host; `reset` starts the card afresh, as the
// driver's reset does on Windows.
bool RunTable(const std::string &path, std::vector<CallRecord> *calls) {
    std::ifstream table(path);
    if (!table) {
        Report(false, "reading " + path);
        return false;
    }
    sim::Reset();
    std::string line;
    while (std::getline(table, line)) {
        const std::vector<std::string> args = Tokenize(CallText(line));
        if (args.empty())
            continue;
        if (args[0] == "reset") {
            sim::Reset();
            continue;
        }
        CallRecord call;
        call.text = CallText(line);
        const size_t before = sim::Requests().size();
        SetLastError(0);
        if (!RunCall(args, &call.result)) {
            Report(false, "table step " + call.text, "not a call that the host can run");
            return false;
        }
        call.error = GetLastError();
        const std::vector<sim::Event> requests = sim::Requests();
        for (size_t i = before; i < requests.size(); ++i) {
            Request request;
            request.timeNs = requests[i].timeNs;
            request.code = requests[i].code;
            request.byte = requests[i].byte;
            request.taken = requests[i].ok;
            call.requests.push_back(request);
        }
        calls->push_back(call);
    }
    return true;
}

bool ReadRecord(const std::string &path, std::vector<CallRecord> *calls) {
    std::ifstream record(path);
    if (!record) {
        Report(false, "reading " + path);
        return false;
    }
    std::string line;
    while (std::getline(record, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.compare(0, 5, "call ") == 0) {
            const size_t arrow = line.rfind(" -> ");
            CallRecord call;
            call.text = line.substr(5, arrow == std::string::npos ? 0 : arrow - 5);
            std::istringstream(line.substr(arrow + 4)) >> call.result >> call.error;
            calls->push_back(call);
            continue;
        }
        long long timeNs = 0;
        unsigned long code = 0, byte = 0, status = 0;
        if (calls->empty() ||
            std::sscanf(line.c_str(), "%lld %lx %lx %lx", &timeNs, &code, &byte, &status) != 4) {
            Report(false, "reading " + path, "unexpected line: " + line);
            return false;
        }
        Request request;
        request.timeNs = timeNs;
        request.code = (uint32_t)code;
        request.byte = (uint8_t)byte;
        request.taken = status == 0;
        calls->back().requests.push_back(request);
    }
    return true;
}

std::string Show(const Request &request) {
    char text[64];
    std::snprintf(text, sizeof text, "0x%08X 0x%02X %s", (unsigned)request.code,
                  (unsigned)request.byte, request.taken ? "taken" : "rejected");
    return text;
}

void CompareCall(const CallRecord &host, const CallRecord &windows) {
    std::ostringstream difference;
    if (host.result != windows.result || host.error != windows.error)
        difference << "result " << windows.result << " error " << windows.error
                   << ", the host build gives " << host.result << " error " << host.error;
    else if (host.requests.size() != windows.requests.size())
        difference << windows.requests.size() << " requests, the host build sends "
                   << host.requests.size();
    for (size_t i = 0; difference.str().empty() && i < host.requests.size(); ++i)
        if (Show(host.requests[i]) != Show(windows.requests[i]))
            difference << "request " << i + 1 << " is " << Show(windows.requests[i])
                       << ", the host build sends " << Show(host.requests[i]);
    Report(difference.str().empty(), "same as the host build: " + windows.text, difference.str());
}

// The card after the requests that a driver took, at the times it took them.
sim::Card Replay(const std::vector<CallRecord> &calls) {
    std::vector<sim::Event> events;
    for (const CallRecord &call : calls)
        for (const Request &request : call.requests) {
            sim::Event event;
            event.call = sim::Call::Request;
            event.timeNs = request.timeNs;
            event.code = request.code;
            event.byte = request.byte;
            event.ok = request.taken;
            events.push_back(event);
        }
    return sim::Replay(events);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::cerr << "usage: wincheck TABLE RECORD\n";
        return 2;
    }
    std::vector<CallRecord> host, windows;
    if (!RunTable(argv[1], &host) || !ReadRecord(argv[2], &windows))
        return 1;

    Report(host.size() == windows.size(), "every call of the table ran on Windows",
           std::to_string(windows.size()) + " of " + std::to_string(host.size()));
    for (size_t i = 0; i < host.size() && i < windows.size(); ++i)
        CompareCall(host[i], windows[i]);

    // The bus as the card saw it on Windows, against the host run's.
    const sim::Card hostCard = Replay(host);
    const sim::Card windowsCard = Replay(windows);
    const std::vector<sim::Message> hostMessages = hostCard.Messages();
    const std::vector<sim::Message> windowsMessages = windowsCard.Messages();
    bool sameMessages = hostMessages.size() == windowsMessages.size();
    for (size_t i = 0; sameMessages && i < hostMessages.size(); ++i)
        sameMessages = sim::Describe(hostMessages[i]) == sim::Describe(windowsMessages[i]);
    Report(sameMessages, "decoded bus messages",
           std::to_string(windowsMessages.size()) + " on Windows, " +
               std::to_string(hostMessages.size()) + " on the host");

    const sim::CardState state = windowsCard.State();
    const std::string described = sim::Describe(state);
    std::cout << "card state after the Windows run:\n" << described;
    Report(state.faults.empty(), "no protocol or timing fault on the Windows bus");
    sim::CardState hostState = hostCard.State();
    Report(described == sim::Describe(hostState), "card state same as the host build's");
    return failures != 0;
}

#include "torvelctl.h"

#include "command_line.h"
#include "simulated_card.h"
#include "torvelapi.h"

#include <atomic>

#ifndef _WIN32
#include <signal.h>
#endif

#ifndef TORVELCTL_VERSION
#error "the build defines TORVELCTL_VERSION as the project's version"
#endif

using namespace torvelctl;

namespace {

// Set by an interrupt; the run looks at it between commands. Lock-free, so
// that a signal handler may set it.
std::atomic<bool> interrupted{false};
std::atomic<bool> runEnded{false};

#ifdef _WIN32
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    interrupted = true;
    // The process ends when the handler returns from a closing console: give
    // the call in progress the time Windows allows (5 s) to finish first.
    if (event == CTRL_CLOSE_EVENT)
        for (int waited = 0; waited < 4500 && !runEnded; waited += 10)
            Sleep(10);
    return TRUE;
}
#else
void OnSignal(int) {
    interrupted = true;
}
#endif

void PrintUsage(std::ostream &out) {
    out << "usage: torvelctl [OPTION]... COMMAND [ARGUMENT]... [COMMAND [ARGUMENT]...]...\n"
           "Controls the FM transmitter card and its RDS encoder. The commands run in order;\n"
           "the run stops at the first that fails.\n"
           "\n"
           "Commands:\n"
           "  status                  whether the card's driver can be reached\n"
           "  freq MHZ [--control N]  tunes to MHZ, with up to three decimals (98.5), or to\n"
           "                          kHz with a k suffix (98500k); N, 0 to 15 or 0x0 to 0xF,\n"
           "                          goes to the transmitter chip (default 0)\n"
           "  stereo                  selects stereo\n"
           "  mono                    selects mono\n"
           "  rds KEY VALUE           sends one RDS setting, e.g. rds PS \"RADIO 1\"\n"
           "  rds-power on|off        switches the RDS encoder's power setting\n"
           "\n"
           "Options:\n";
    if (SimulatedCard())
        out << "  --trace       prints each bus message as it goes\n"
               "  --vcd FILE    writes the waveform of the run (signals scl, sda, mode)\n"
               "  --realtime    waits take real time (default: the virtual clock)\n";
    out << "  --help        prints this and exits\n"
           "  --version     prints the version and exits\n"
           "\n"
           "Exit status: 0 when every command went through, 1 when a call failed,\n"
           "2 when the command line is wrong (then nothing is sent to the card), 130 when\n"
           "interrupted (the call in progress finishes; the commands after it are not run).\n";
}

// Runs one command; names the library call in `call`.
int Execute(const Command &command, const char **call) {
    switch (command.kind) {
    case CommandKind::Status:
        *call = "IsTorvel2007";
        return IsTorvel2007();
    case CommandKind::Frequency:
        *call = "SetFrequency";
        return SetFrequency(command.kHz, command.control);
    case CommandKind::Stereo:
        *call = "SetStereo";
        return SetStereo();
    case CommandKind::Mono:
        *call = "SetMono";
        return SetMono();
    case CommandKind::RDS:
        *call = "SetRDS";
        return SetRDS(command.key.c_str(), command.value.c_str());
    case CommandKind::RDSPower:
        *call = "SetRDSPower";
        return SetRDSPower(command.on ? 1 : 0);
    }
    *call = "nothing";
    return 0;
}

std::string Done(const Command &command) {
    switch (command.kind) {
    case CommandKind::Status:
        return "the card's driver can be reached";
    case CommandKind::Frequency:
        return "tuned to " + FormatMHz(TunedKHz(command.kHz)) + ", control " +
               std::to_string(command.control);
    case CommandKind::Stereo:
        return "stereo selected";
    case CommandKind::Mono:
        return "mono selected";
    case CommandKind::RDS:
        return "sent";
    case CommandKind::RDSPower:
        return command.on ? "RDS encoder switched on" : "RDS encoder switched off";
    }
    return "";
}

std::string Reason(DWORD error) {
    const std::string code = " (error " + std::to_string((unsigned long)error) + ")";
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return "the card's driver is not present" + code;
    case ERROR_ACCESS_DENIED:
        return "the card is in use by another program" + code;
    case ERROR_INVALID_PARAMETER:
        return "invalid parameter" + code;
    default:
        return "the driver rejected a request" + code;
    }
}

} // namespace

void CatchInterrupts() {
    interrupted = false;
    runEnded = false;
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

int RunTorvelctl(const std::vector<std::string> &arguments, std::ostream &out, std::ostream &err) {
    CommandLine line;
    std::string error;
    if (!ReadCommandLine(arguments, SimulatedCard(), &line, &error)) {
        err << "torvelctl: " << error << "\n";
        return TORVELCTL_BAD_INPUT;
    }
    if (line.help) {
        PrintUsage(out);
        return TORVELCTL_DONE;
    }
    if (line.version) {
        out << "torvelctl " << TORVELCTL_VERSION << "\n";
        return TORVELCTL_DONE;
    }

    SimulatedRun run;
    BeginSimulatedRun(&run, line.simulator);
    int status = TORVELCTL_DONE;
    for (size_t next = 0; next < line.commands.size(); ++next) {
        if (interrupted) {
            std::string notRun;
            for (size_t i = next; i < line.commands.size(); ++i)
                notRun += (notRun.empty() ? "" : ", ") + line.commands[i].text;
            err << "torvelctl: interrupted; not run: " << notRun << "\n";
            status = TORVELCTL_INTERRUPTED;
            break;
        }
        const Command &command = line.commands[next];
        if (command.kind == CommandKind::Frequency) {
            const std::string warning = FrequencyWarning(command.kHz);
            if (!warning.empty())
                err << "torvelctl: warning: " << command.text << ": " << warning << "\n";
        }
        const char *call = "";
        const int result = Execute(command, &call);
        const DWORD lastError = GetLastError(); // before anything else can change it
        if (result)
            out << command.text << ": " << Done(command) << "\n";
        else
            err << "torvelctl: " << command.text << ": " << call << " failed: " << Reason(lastError)
                << "\n";
        AfterSimulatedCommand(&run, out);
        if (!result) {
            status = TORVELCTL_FAILED;
            break;
        }
    }
    if (status == TORVELCTL_DONE && interrupted) {
        err << "torvelctl: interrupted after the last command\n";
        status = TORVELCTL_INTERRUPTED;
    }
    if (!EndSimulatedRun(&run, out, err) && status == TORVELCTL_DONE)
        status = TORVELCTL_FAILED;
    runEnded = true;
    return status;
}

int RunTorvelctl(int argc, char **argv, std::ostream &out, std::ostream &err) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(argv[i] != nullptr ? argv[i] : "");
    return RunTorvelctl(arguments, out, err);
}

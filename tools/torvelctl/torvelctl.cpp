#include "torvelctl.h"

#include "command_line.h"
#include "simulated_card.h"
#include "torvelapi.h"

#ifndef TORVELCTL_VERSION
#error "the build defines TORVELCTL_VERSION as the project's version"
#endif

using namespace torvelctl;

namespace {

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
           "2 when the command line is wrong (then nothing is sent to the card).\n";
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
    for (const Command &command : line.commands) {
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
    if (!EndSimulatedRun(&run, out, err) && status == TORVELCTL_DONE)
        status = TORVELCTL_FAILED;
    return status;
}

int RunTorvelctl(int argc, char **argv, std::ostream &out, std::ostream &err) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(argv[i] != nullptr ? argv[i] : "");
    return RunTorvelctl(arguments, out, err);
}

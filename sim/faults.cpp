#include "faults.h"

#include <cinttypes>
#include <cstdio>

namespace sim {

const TimingLimit T_HD_STA = {"tHD;STA", 4000, "START to the clock's first fall"};
const TimingLimit T_LOW = {"tLOW", 4700, "clock low"};
const TimingLimit T_HIGH = {"tHIGH", 4000, "clock high"};
const TimingLimit T_SU_STA = {"tSU;STA", 4700, "clock rise to START"};
const TimingLimit T_SU_DAT = {"tSU;DAT", 250, "data change to clock rise"};
const TimingLimit T_SU_STO = {"tSU;STO", 4000, "clock rise to STOP"};
const TimingLimit T_BUF = {"tBUF", 4700, "STOP to the next START"};

std::string Microseconds(int64_t ns) {
    char text[48];
    const int64_t magnitude = ns < 0 ? -ns : ns;
    std::snprintf(text, sizeof text, "%s%" PRId64 ".%03" PRId64 " us", ns < 0 ? "-" : "",
                  magnitude / 1000, magnitude % 1000);
    return text;
}

std::string Describe(const Fault &fault) {
    std::string text;
    switch (fault.kind) {
    case FaultKind::DataChangeUnderHighClock:
        text = "data change under a high clock: ";
        break;
    case FaultKind::ByteCutShort:
        text = "byte cut short: ";
        break;
    case FaultKind::MissingStop:
        text = "missing STOP: ";
        break;
    case FaultKind::ClockOutsideMessage:
        text = "clock outside a message: ";
        break;
    case FaultKind::Timing:
        text = "timing: " + fault.parameter + " " + Microseconds(fault.measuredNs) + ", at least " +
               Microseconds(fault.minimumNs) + " (";
        break;
    case FaultKind::Refused:
        text = "refused: ";
        break;
    }
    text += fault.detail;
    if (fault.kind == FaultKind::Timing)
        text += ")";
    text += ", at " + Microseconds(fault.timeNs);
    if (fault.message >= 0)
        text += " in message " + std::to_string(fault.message + 1);
    return text;
}

} // namespace sim

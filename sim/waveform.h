// The card's lines over time, as a probe on the board sees them.
#ifndef TORVEL_SIM_WAVEFORM_H
#define TORVEL_SIM_WAVEFORM_H

#include "card/protocol.h"

#include <cstdint>

namespace sim {

// The levels of the card's lines from `timeNs` on, as a probe on the board
// sees them: a bus line is low when the driver or any chip pulls it low.
struct LineChange {
    int64_t timeNs = 0;
    uint8_t lines = 0;
};

} // namespace sim

#endif

// The two-wire bus, bit-banged on the card's data and clock lines. The library
// is the only master; it never reads the lines back, so acknowledges are
// clocked but not sampled.
#ifndef TORVEL_CARD_BUS_H
#define TORVEL_CARD_BUS_H

#include "card/driver.h"

// Waits just over 50 microseconds on the high-resolution counter, or sleeps
// a millisecond when the counter cannot be used.
void BusDelay();

// Start condition: the data line falls while the clock is high. Both lines end low.
void BusStart(DeviceSession *session);

// Writes the low eight bits of `value`, most significant bit first, then
// clocks the acknowledge bit with the data line released.
void BusWriteByte(DeviceSession *session, DWORD value);

// Stop condition: the data line rises while the clock is high. Both lines end
// high, the bus's idle state.
void BusStop(DeviceSession *session);

#endif

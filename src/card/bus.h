// The two-wire bus, bit-banged on the card's data and clock lines. The library
// is the only master; it never reads the lines back, so acknowledges are
// clocked but not sampled.
#ifndef TORVEL_CARD_BUS_H
#define TORVEL_CARD_BUS_H

#include "card/driver.h"

// Waits just over 50 microseconds on the high-resolution counter, or sleeps
// a millisecond when the counter cannot be used.
void BusDelay();

// Start condition: the data line falls while the clock is high. Both lines end
// low. While the bus is marked as possibly held (see BusMayBeHeld), the bus
// is cleared first.
void BusStart(DeviceSession *session);

// Writes the low eight bits of `value`, most significant bit first, then
// clocks the acknowledge bit with the data line released.
void BusWriteByte(DeviceSession *session, DWORD value);

// Stop condition: the data line rises while the clock is high. Both lines end
// high, the bus's idle state. Then the message's call is done with the bus:
// the mark is set when the driver rejected any request of the session, and
// removed when it took them all.
void BusStop(DeviceSession *session);

// Nine stop attempts, each with a clock pulse: frees a bus that a message cut
// off part-way left held, 36 requests and 36 waits. Both lines end high.
void BusClear(DeviceSession *session);

// The mark: 1 while an earlier message of this process may have been cut off
// part-way, so that a chip may still hold the data line for an acknowledge and
// take the next start condition for part of the old message. It is the
// library's only state between calls: one value for the whole process, read
// and written with interlocked operations. A process that ends in the middle
// of a call cannot pass it on to the next.
int BusMayBeHeld();
void MarkBusHeld(int held);

#endif

// The tuning message to the transmitter chip.
#ifndef TORVEL_COMMANDS_TUNING_H
#define TORVEL_COMMANDS_TUNING_H

#include "card/driver.h"

// Address byte of the transmitter chip (7-bit address 0x60, write).
const BYTE TRANSMITTER_ADDRESS = 0xC0;

// Channels are 50 kHz steps; the band runs from 86.00 to 108.00 MHz.
const DWORD CHANNEL_STEP_KHZ = 50;
const DWORD CHANNEL_LOWEST = 1720;
const DWORD CHANNEL_HIGHEST = 2160;

// The channel that a frequency in kilohertz is tuned to: truncated to a step
// and held within the band.
DWORD ChannelOf(DWORD frequency);

// Writes the tuning message: address, channel high and low byte, 0xC0, and
// the low four bits of `control`.
void TuneTransmitter(DeviceSession *session, DWORD frequency, DWORD control);

#endif

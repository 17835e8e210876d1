// The tuning message to the transmitter chip.
#ifndef TORVEL_COMMANDS_TUNING_H
#define TORVEL_COMMANDS_TUNING_H

#include "card/driver.h"

// Address byte of the transmitter chip (7-bit address 0x60, write).
const BYTE TRANSMITTER_ADDRESS = 0xC0;

// The fourth byte of every tuning message, after the channel: a fixed value
// that the chip reads and does not use. It only happens to equal the address
// byte.
const BYTE TUNING_FIXED_BYTE = 0xC0;

// Channels are 50 kHz steps; the band runs from 86.00 to 108.00 MHz.
const DWORD CHANNEL_STEP_KHZ = 50;
const DWORD CHANNEL_LOWEST = 1720;
const DWORD CHANNEL_HIGHEST = 2160;

// The channel that a frequency in kilohertz is tuned to: truncated to a step
// and held within the band.
inline DWORD ChannelOf(DWORD frequency) {
    const DWORD channel = frequency / CHANNEL_STEP_KHZ;
    if (channel > CHANNEL_HIGHEST)
        return CHANNEL_HIGHEST;
    if (channel < CHANNEL_LOWEST)
        return CHANNEL_LOWEST;
    return channel;
}

// Tunes the transmitter: the preset request, then the tuning message
// (address, channel high and low byte, TUNING_FIXED_BYTE, and the low four
// bits of `control`).
void TuneTransmitter(DeviceSession *session, DWORD frequency, DWORD control);

#endif

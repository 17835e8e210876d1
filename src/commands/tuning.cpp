#include "commands/tuning.h"

#include "card/bus.h"

DWORD ChannelOf(DWORD frequency) {
    DWORD channel = frequency / CHANNEL_STEP_KHZ;
    if (channel > CHANNEL_HIGHEST)
        channel = CHANNEL_HIGHEST;
    else if (channel < CHANNEL_LOWEST)
        channel = CHANNEL_LOWEST;
    return channel;
}

void TuneTransmitter(DeviceSession *session, DWORD frequency, DWORD control) {
    const DWORD channel = ChannelOf(frequency);
    BusStart(session);
    BusWriteByte(session, TRANSMITTER_ADDRESS);
    BusWriteByte(session, channel >> 8);
    BusWriteByte(session, channel);
    BusWriteByte(session, 0xC0);
    BusWriteByte(session, control & 0x0F);
    BusStop(session);
}

#include "commands/tuning.h"

#include "card/bus.h"

void TuneTransmitter(DeviceSession *session, DWORD frequency, DWORD control) {
    const DWORD channel = ChannelOf(frequency);
    // The preset request makes the card free its bus lines, so that the
    // tuning message begins from an idle bus whatever an earlier call left.
    SendLineRequest(session, IOCTL_LINE_PRESET, PRESET_LINES);
    BusStart(session);
    BusWriteByte(session, TRANSMITTER_ADDRESS);
    BusWriteByte(session, channel >> 8);
    BusWriteByte(session, channel);
    BusWriteByte(session, TUNING_FIXED_BYTE);
    BusWriteByte(session, control & 0x0F);
    BusStop(session);
}

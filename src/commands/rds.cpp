#include "commands/rds.h"

#include "card/bus.h"

// The encoder needs an extra wait after every key and value byte; framing
// bytes get none.
static void WriteRDSText(DeviceSession *session, const char *text) {
    for (const unsigned char *p = (const unsigned char *)text; *p != '\0'; ++p) {
        BusWriteByte(session, *p);
        BusDelay();
    }
}

void WriteRDSSetting(DeviceSession *session, const char *key, const char *value) {
    BusDelay();
    BusStart(session);
    BusWriteByte(session, RDS_ADDRESS);
    BusWriteByte(session, RDS_KEY_OPEN);
    WriteRDSText(session, key);
    BusWriteByte(session, RDS_KEY_END);
    WriteRDSText(session, value);
    BusWriteByte(session, RDS_VALUE_END);
    BusStop(session);
}

void WriteRDSPower(DeviceSession *session, int enable) {
    // The power message goes to the general call address: it has no address
    // byte of its own, so KEY_OPEN is the first byte after the start.
    BusStart(session);
    BusWriteByte(session, RDS_KEY_OPEN);
    WriteRDSText(session, "PWR");
    BusWriteByte(session, RDS_KEY_END);
    BusWriteByte(session, enable ? 0x01 : 0x00);
    BusDelay();
    BusWriteByte(session, RDS_VALUE_END);
    BusStop(session);
}

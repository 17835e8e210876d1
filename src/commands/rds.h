// Key/value messages to the RDS encoder.
#ifndef TORVEL_COMMANDS_RDS_H
#define TORVEL_COMMANDS_RDS_H

#include "card/driver.h"

// Address byte of the RDS encoder (7-bit address 0x56, write).
const BYTE RDS_ADDRESS = 0xAC;

// Framing of a setting: KEY_OPEN, key bytes, KEY_END, value bytes, VALUE_END.
const BYTE RDS_KEY_OPEN = 0x00;
const BYTE RDS_KEY_END = 0x01;
const BYTE RDS_VALUE_END = 0x02;

// 1 when `text` can be sent as a key or value: not null, not empty, and free
// of the framing bytes KEY_END and VALUE_END, which the encoder would take
// for the end of the key or value.
inline int IsRDSText(const char *text) {
    if (text == NULL || text[0] == '\0')
        return 0;
    for (const char *p = text; *p != '\0'; ++p) {
        if (*p == (char)RDS_KEY_END || *p == (char)RDS_VALUE_END)
            return 0;
    }
    return 1;
}

// Writes one setting to the encoder. Both strings must pass IsRDSText.
void WriteRDSSetting(DeviceSession *session, const char *key, const char *value);

// Writes the power setting: key "PWR" with the raw byte 1 (on) or 0 (off).
void WriteRDSPower(DeviceSession *session, int enable);

#endif

/*
 * torvelapi: control of the FM transmitter card and its RDS encoder.
 *
 * Every function opens the card's driver, does its work and closes the driver
 * again. Calls must not overlap: two calls at the same time would interleave
 * their line changes on the card, so a program that calls from several
 * threads must keep the calls apart itself.
 *
 * Every function returns 1 when the work was done and 0 when it was not. After
 * a 0, GetLastError() tells why: the error of the failed open of the driver
 * (ERROR_FILE_NOT_FOUND when no driver is present, ERROR_ACCESS_DENIED while
 * another call or program holds the card), ERROR_INVALID_PARAMETER for
 * arguments that SetRDS refuses, or the error of the first request that the
 * driver rejected (ERROR_GEN_FAILURE if the driver gave none). After a 1, the
 * library sets no last error of its own; on Windows the platform's own calls
 * may change the value.
 *
 * The library keeps one thing between calls: a mark, one value for the whole
 * process, read and written with interlocked operations. A call that writes
 * to the bus (SetFrequency, SetRDS, SetRDSPower) and had any request rejected
 * sets it, since a chip may then still be holding the bus in the middle of
 * the cut-off message. While it is set, the next such call first clears the
 * bus (nine stop attempts, 36 requests) right before its own message; a call
 * whose requests all went through removes it. A process that ends in the
 * middle of a call cannot pass the mark on to the next process.
 */
#ifndef TORVELAPI_H
#define TORVELAPI_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* 1 when the card's driver can be opened now, else 0. Sends nothing. */
int WINAPI IsTorvel2007(void);

/* Tunes the transmitter to `frequency` kilohertz, in 50 kHz steps (the figure
 * is truncated to a step), held within 86000 to 108000 kHz. The low four bits
 * of `control` go to the transmitter chip as they are. When the driver cannot
 * be opened, shows a message box captioned "SetFrequency" and returns 0. */
int WINAPI SetFrequency(unsigned int frequency, int control);

/* Selects mono. When the driver cannot be opened, shows a message box
 * captioned "SetMono" and returns 0. */
int WINAPI SetMono(void);

/* Sends one key/value setting to the RDS encoder, byte for byte. Returns 0
 * with ERROR_INVALID_PARAMETER, without touching the card, when `key` or
 * `value` is null or empty or holds the byte 0x01 or 0x02 (the encoder's
 * framing bytes). Shows nothing when the driver cannot be opened. */
int WINAPI SetRDS(const char *key, const char *value);

/* Switches the RDS encoder's power setting on (`enable` non-zero) or off.
 * Shows nothing when the driver cannot be opened. */
int WINAPI SetRDSPower(int enable);

/* Selects stereo. When the driver cannot be opened, shows a message box
 * captioned "SetStereo" and returns 0. */
int WINAPI SetStereo(void);

#ifdef __cplusplus
}
#endif

#endif

/*
 * torvelapi: control of the FM transmitter card and its RDS encoder.
 *
 * Every function opens the card's driver, does its work and closes the driver
 * again; nothing is kept between calls. Calls must not overlap: two calls at
 * the same time would interleave their line changes on the card, so a program
 * that calls from several threads must keep the calls apart itself.
 *
 * Every function returns 1 when the work was done and 0 when it was not. After
 * a 0, GetLastError() tells why: the error of the failed open of the driver
 * (ERROR_FILE_NOT_FOUND when no driver is present, ERROR_ACCESS_DENIED while
 * another call or program holds the card), ERROR_INVALID_PARAMETER for
 * arguments that SetRDS refuses, or the error of the first request that the
 * driver rejected. After a 1, the last error is left as it was.
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

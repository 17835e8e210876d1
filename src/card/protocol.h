/*
 * The card's driver protocol: the device it is opened by, the control
 * requests it takes, and the lines they move. Written once, in C, for
 * everything that speaks to the card or stands in for it: the library, the
 * simulated card and its bus analyser, the test driver for Windows, the
 * command-line tool, the fuzzer and the benchmark.
 */
#ifndef TORVEL_CARD_PROTOCOL_H
#define TORVEL_CARD_PROTOCOL_H

/* The driver's device: DEVICE_NAME under \Device and \DosDevices in the
 * kernel, DEVICE_PATH for a program's open. */
#define DEVICE_NAME "Torvel2007"
#define DEVICE_PATH "\\\\.\\" DEVICE_NAME

/* Control requests: device type 0x22 (unknown device), METHOD_BUFFERED,
 * read-and-write access, functions 0x802 to 0x804. Each carries one byte,
 * passed as both the input and the output buffer. */
#define IOCTL_LINE_PRESET 0x0022E008u /* frees the bus lines in the byte */
#define IOCTL_LINE_RAISE 0x0022E00Cu  /* drives the lines in the byte high */
#define IOCTL_LINE_LOWER 0x0022E010u  /* drives the lines in the byte low */

/* Line masks for the byte of a request. */
#define LINE_MODE 0x02  /* raised: mono; lowered: stereo */
#define LINE_DATA 0x04  /* data line of the two-wire bus */
#define LINE_CLOCK 0x08 /* clock line of the two-wire bus */
#define LINE_BUS (LINE_DATA | LINE_CLOCK)

/* The byte sent with IOCTL_LINE_PRESET before every tuning message. */
#define PRESET_LINES 0x0F

#endif

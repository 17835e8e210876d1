// Stereo and mono: the mode line, one request each; the bus is not touched.
#ifndef TORVEL_COMMANDS_MODE_H
#define TORVEL_COMMANDS_MODE_H

#include "card/driver.h"

// Lowers the mode line: stereo.
void SelectStereo(DeviceSession *session);

// Raises the mode line: mono.
void SelectMono(DeviceSession *session);

#endif

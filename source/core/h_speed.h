// Paddle-wheel speed sensor: the device hands out the running pulse count
// as a 32-bit number on every read; the service turns the pulses since its
// previous call into a water speed. Called from one task only.
#pragma once

#include "common/types.h"

constexpr const char* DD_SPEED_DEVICE = "/dev/pwheel0";
// Speeds above this many internal units (metres per second) are not valid.
constexpr double H_SPEED_MAX_VALID = 50.0;

// Opens the device read-only; a missing device is fatal.
void DD_SPEED_vInit(void);
void H_SPEED_vInit(void);
// Pulses since the previous reading (modular). The first good reading and
// a short read give 0.
U32 DD_SPEED_u32GetPulses(void);
// The speed since the previous call in internal units into *pfData; TRUE
// while the speed is valid. The first call only starts the measurement.
BOOLEAN H_SPEED_bGetSpeed(F32* pfData);
// The calibration factor of a pulse rate (pulses per second), and the
// speed in knots it gives.
double H_SPEED_dFactor(double dPulsesPerSecond);
double H_SPEED_dKnots(double dPulsesPerSecond);
// Forgets the device, the base count and the interval (for tests).
void H_SPEED_vReset(void);

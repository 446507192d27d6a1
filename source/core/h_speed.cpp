// Paddle-wheel speed sensor.
#include "source/core/h_speed.h"

#include <fcntl.h>
#include <unistd.h>

#include "common/db_types.h"
#include "common/u_convert.h"
#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

namespace {

// Calibration factors by band (pulses per second in tens).
constexpr double s_adFactor[] = {2.2063894, 2.0027227, 1.7651114, 1.6293337, 1.7007420, 1.8330004,
                                 1.8669449, 1.8669449, 1.9008893, 1.9348012, 1.9188033};
constexpr int LAST_BAND = (int)(sizeof s_adFactor / sizeof s_adFactor[0]) - 1;

// Driver.
int s_fd = -1;
bool s_bHaveBase = false;
U32 s_u32Previous = 0;

// Service.
bool s_bFirstCall = true;
BOOLEAN s_bSpeedValid = FALSE;
U32 s_u32LastMs = 0;
U32 s_u32Pulses = 0;
U32 s_u32Interval = 0;

}  // namespace

void DD_SPEED_vInit(void) {
  if (s_fd >= 0) return;
  s_fd = open(PLATFORM_sResolvePath(DD_SPEED_DEVICE).c_str(), O_RDONLY | O_CLOEXEC);
  if (s_fd < 0) FATAL_ERROR("DD_SPEED_vInit open?");
}

void H_SPEED_vInit(void) { DD_SPEED_vInit(); }

U32 DD_SPEED_u32GetPulses(void) {
  U32 count = 0;
  if (s_fd < 0 || PLATFORM_nReadDevice(s_fd, &count, sizeof count) != (long)sizeof count) return 0;
  if (!s_bHaveBase) {
    s_bHaveBase = true;
    s_u32Previous = count;
    return 0;
  }
  const U32 pulses = count - s_u32Previous;
  s_u32Previous = count;
  return pulses;
}

double H_SPEED_dFactor(double dPulsesPerSecond) {
  int band = LAST_BAND;
  if (dPulsesPerSecond < 1e6) {
    band = ((int)dPulsesPerSecond - 1) / 10;  // toward zero: below 11 pulses a second is band 0
    if (band > LAST_BAND) band = LAST_BAND;
    if (band < 0) band = 0;
  }
  return s_adFactor[band];
}

double H_SPEED_dKnots(double dPulsesPerSecond) { return dPulsesPerSecond * H_SPEED_dFactor(dPulsesPerSecond) * 0.1; }

BOOLEAN H_SPEED_bGetSpeed(F32* pfData) {
  const U32 now = lm_gettime(nullptr);
  if (s_bFirstCall) {
    s_u32LastMs = now;
    (void)DD_SPEED_u32GetPulses();
    s_bFirstCall = false;
    return s_bSpeedValid;
  }
  // Within the same millisecond nothing is measured, and the pulses stay
  // counted for the next call.
  const U32 ms = now - s_u32LastMs;
  if (ms == 0) return FALSE;
  s_u32LastMs = now;
  s_u32Interval = ms;
  s_u32Pulses = DD_SPEED_u32GetPulses();
  if (s_u32Pulses == 0) {
    if (pfData != nullptr) *pfData = 0.0f;
    return s_bSpeedValid;
  }
  const double p = (double)s_u32Pulses / ((double)ms * 0.001);
  const double speed = dConvertToInternal(H_SPEED_dKnots(p), D_SPEED, U_KNOTS);
  if (pfData != nullptr) *pfData = (F32)speed;
  s_bSpeedValid = (speed <= H_SPEED_MAX_VALID) ? TRUE : FALSE;
  return s_bSpeedValid;
}

void H_SPEED_vReset(void) {
  if (s_fd >= 0) close(s_fd);
  s_fd = -1;
  s_bHaveBase = false;
  s_u32Previous = 0;
  s_bFirstCall = true;
  s_bSpeedValid = FALSE;
  s_u32LastMs = 0;
  s_u32Pulses = 0;
  s_u32Interval = 0;
}

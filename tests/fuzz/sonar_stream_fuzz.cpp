// Sonar stream buffers from another unit: any bytes either are refused or
// fill a descriptor with at most 55,000 samples that fit the buffer, keep
// the descriptor's own buffers and leave bIsLocal FALSE; the group text
// that names the stream reads within its 16 bytes.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "source/sonar/s_share.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static U8 raw[PING_MAX_SAMPLES];
  static U8 tvgd[PING_MAX_SAMPLES];
  PING_DESCRIPTOR d;
  memset(&d, 0, sizeof d);
  d.pu8RawSonarData = raw;
  d.pu8TvgdData = tvgd;
  d.bIsLocal = TRUE;
  if (S_SHARE_bDecodeStream(data, (U32)size, &d)) {
    if (d.u32NumberOfSamples > PING_MAX_SAMPLES || size < SONAR_STREAM_RECORD_BYTES + d.u32NumberOfSamples)
      __builtin_trap();
    if (d.pu8RawSonarData != raw || d.pu8TvgdData != tvgd || d.bIsLocal || d.SimulatedFishList.u8NumberOfTargets != 0)
      __builtin_trap();
    if (memcmp(raw, data + SONAR_STREAM_RECORD_BYTES, d.u32NumberOfSamples) != 0) __builtin_trap();
  }
  char group[16];
  memcpy(group, data, size < sizeof group ? size : sizeof group);
  NET_SOURCE_TYPE source;
  (void)S_SHARE_bStreamSourceOfGroup(group, (U32)(size < sizeof group ? size : sizeof group), &source);
  return 0;
}

// Fuzzer of the ping path: one descriptor of arbitrary beam, sample count
// (up to 55,000), sample period, frequency, transmit cycles, transducer,
// noise levels, time stamp, keel offset and samples goes through the
// filters, the gain, the keel shift, the bottom search and the fold into
// the accumulator; nothing is read or written outside the buffers.
#include <string.h>

#include <algorithm>

#include "common/u_convert.h"
#include "source/core/h_database.h"
#include "source/sonar/s_accum.h"
#include "source/sonar/t_process.h"
#include "source/sonar/u_ping.h"

namespace {

struct READER {
  const uint8_t* p;
  size_t n;
  U32 u32(U32 bytes) {
    U32 v = 0;
    for (U32 i = 0; i < bytes; ++i) v = v << 8 | (n ? (--n, *p++) : 0);
    return v;
  }
};

bool Setup() {
  H_DATABASE_vInit();
  U_CONVERT_vInitialiseConversionUtility();
  vInitialisePingDescriptorQueue();
  S_ACCUM_vInit();
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = Setup();
  (void)ready;
  READER r{data, size};
  PING_DESCRIPTOR* d = U_PING_pTakeDescriptor();
  const U8 beams[] = {0, 1, 2, 3, 255};
  const U32 b = r.u32(1);
  d->Beam = b < 5 ? beams[b] : (BEAM)b;
  d->u32NumberOfSamples = r.u32(2) * 2 % (PING_MAX_SAMPLES + 1);
  d->u32SamplePeriodMicroSeconds = r.u32(1);
  d->u32TransmitFrequencyHertz = r.u32(3) * 4;
  d->u8TransmitCycles = (U8)r.u32(1);
  d->u8Transducer = (U8)(r.u32(1) % 20);
  d->u8NoiseLevel = (U8)r.u32(1);
  d->u8PeakNoiseLevel = (U8)r.u32(1);
  d->u32TimeStampMilliSeconds = r.u32(4);
  d->bIsLocal = FALSE;
  d->bSimulated = FALSE;
  d->fDepthOffsetFeet = 0;
  const S32 keelCm = (S32)r.u32(2) - 32768;
  H_DATABASE_bUpdateValueFloat(FCID("YDPO"), keelCm / 100.0f, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SSTS"), d->u8Transducer, P_NORMAL);
  // The rest of the input is the samples, repeated to the count.
  memset(d->pu8RawSonarData, 0, PING_MAX_SAMPLES);
  if (r.n > 0) {
    for (U32 i = 0; i < d->u32NumberOfSamples; ++i) d->pu8RawSonarData[i] = r.p[i % r.n];
  }
  T_N_PROCESS_vProcessPing(d);
  return 0;
}

#include "source/sonar/s_detect.h"

#include <string.h>

#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/sonar/h_coproc.h"
#include "source/sonar/s_coproc.h"
#include "source/sonar/s_demultiplex.h"
#include "source/sonar/s_transducer.h"

namespace {

constexpr FOURCHARID detect_fcids[5] = {FCID("DET1"), FCID("DET2"), FCID("DET3"), FCID("DET4"), FCID("DET5")};
constexpr int MAX_ATTEMPTS = 10;
constexpr int DETECTIONS_NEEDED = 6;
constexpr U16 TEST_NOISE = 256;
constexpr U16 TEST_SAMPLES = 32;

// The test command block: one 200 kHz pulse of 26 cycles on the second
// element, 256 noise and 32 data samples. Only these bytes are written.
void vBuildTestBlock(U8* block) {
  const struct {
    size_t offset;
    U8 value;
  } bytes[] = {{0, 200}, {1, 0},  {2, 26}, {3, 2},  {4, 2},  {5, 0},   {6, 0},   {7, 0},  {8, 0},
               {9, 3},   {10, 0}, {11, 1}, {12, 0}, {13, 0}, {14, 0},  {15, 3},  {16, 0}, {17, 1},
               {18, 1},  {19, 1}, {22, 0}, {23, 32}, {24, 0}, {25, 0}, {26, 1}, {27, 1}, {28, 1},
               {29, 253}, {186, 1}};
  for (const auto& b : bytes) block[b.offset] = b.value;
}

U32 u32Receive(U8* block) { return H_COPROC_u32Transfer(block, COPROC_RECEIVE_BLOCK_BYTES, RECEIVE_FROM_COPROC); }

}  // namespace

BOOLEAN S_DETECT_bTestTransducer(void) {
  H_COPROC_vInitialize();
  if (opt_fake_transducer) return FALSE;
  if (!S_TRANSDUCER_bIsDefaultTransducer()) return TRUE;

  for (FOURCHARID key : detect_fcids) H_DATABASE_bUpdateValueS32(key, 0, P_NORMAL);
  U32 sdet = 0;
  if (!H_DATABASE_bFetchU32(FCID("SDET"), &sdet) || sdet == 0) {
    sdet = DETECT_DEFAULT_THRESHOLD;
    H_DATABASE_bUpdateValueU32(FCID("SDET"), sdet, P_NORMAL);
  }
  const S32 threshold = (S32)(sdet * 256 / 90);

  U8* block = H_COPROC_pu8DataBlock();
  if (block == nullptr) return FALSE;
  (void)u32Receive(block);
  vBuildTestBlock(block);
  (void)H_COPROC_u32Transfer(block, MULTI_TX_BYTES, SEND_TO_COPROC);
  (void)u32Receive(block);

  U8 au8NoiseData[TEST_NOISE];
  U8 au8SampleData[TEST_SAMPLES];
  int attempts = 0;
  int detections = 0;
  while (attempts < MAX_ATTEMPTS && detections < DETECTIONS_NEEDED) {
    const int attempt = attempts++;
    const U32 got = u32Receive(block);
    U32 ad02 = 0;
    if (H_DATABASE_bFetchU32(FCID("AD02"), &ad02) && ad02 < DETECT_AD02_PRESENT_BELOW) {
      log_me("attempt #%d transducer input %u: connected", attempt, (unsigned)ad02);
      return TRUE;
    }
    // A failed or short transfer holds no echo: the attempt counts, without
    // a look at whatever the buffer still holds.
    if (got == COPROC_TRANSFER_FAILED || got < COPROC_RECEIVE_HEADER_BYTES) {
      log_me("attempt #%d no receive block", attempt);
      continue;
    }
    TX_SEQUENCE sequence, host;
    const U8* data = nullptr;
    S_DEMULTIPLEX_bExtractTxSequence(block, &sequence, &data);
    S_COPROC_vCopyAndConvertEndianTxSequence(&sequence, &host);
    U32 noise = host.u16NoiseSamples < TEST_NOISE ? host.u16NoiseSamples : TEST_NOISE;
    U32 samples = host.u16Samples < TEST_SAMPLES ? host.u16Samples : TEST_SAMPLES;
    // Never past what arrived.
    const U32 room = (got - COPROC_RECEIVE_HEADER_BYTES) / 3;
    if (noise > room) noise = room;
    if (noise + samples > room) samples = room - noise;
    S_DEMULTIPLEX_vGetExtractRxData(data, 0, (U16)noise, (U16)samples, au8NoiseData, au8SampleData);
    U32 noiseSum = 0, echoSum = 0;
    for (U32 i = 0; i < noise; ++i) noiseSum += au8NoiseData[i];
    for (U32 i = 0; i < samples; ++i) echoSum += au8SampleData[i];
    const U8 noiseMean = noise ? (U8)(noiseSum / noise) : 0;
    const U8 echoMean = samples ? (U8)(echoSum / samples) : 0;
    const S32 difference = (S32)echoMean - (S32)noiseMean;
    const S32 calculated = difference * 90 / 256;
    if (attempt < 5) H_DATABASE_bUpdateValueS32(detect_fcids[attempt], calculated, P_NORMAL);
    log_me("attempt #%d ping_energy %d noise measure %d calc value %d", attempt, echoMean, noiseMean,
           (int)calculated);
    if (difference >= threshold) ++detections;
  }
  return detections >= DETECTIONS_NEEDED ? TRUE : FALSE;
}

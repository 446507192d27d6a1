#include "source/sonar/s_demultiplex.h"

#include <algorithm>

#include "source/sonar/h_coproc.h"

BOOLEAN S_DEMULTIPLEX_bExtractTxSequence(const U8* pau8ReceivedCoprocData, TX_SEQUENCE* pTxSequence,
                                         const U8** ppau8StartOfData) {
  S_COPROC_vDecodeSequence(pau8ReceivedCoprocData + 4, pTxSequence);
  *ppau8StartOfData = pau8ReceivedCoprocData + COPROC_RECEIVE_HEADER_BYTES;
  return TRUE;
}

void S_DEMULTIPLEX_vGetExtractRxData(const U8* pau8StartOfData, U8 u8Channel, U16 u16NoiseSamples,
                                     U16 u16RxSamples, U8* pau8Noise, U8* pau8SonarData) {
  const U8* p = pau8StartOfData + u8Channel;
  if (pau8Noise != nullptr && u16NoiseSamples != 0) {
    for (U32 i = 0; i < u16NoiseSamples; ++i) pau8Noise[i] = p[3 * i];
  }
  if (pau8SonarData != nullptr && u16RxSamples != 0) {
    const U8* q = p + 3 * (size_t)u16NoiseSamples;
    for (U32 i = 0; i < u16RxSamples; ++i) pau8SonarData[i] = q[3 * i];
  }
}

U32 S_DEMULTIPLEX_u32ExtractChannel(const U8* pau8Block, U32 u32Received, U8 u8Channel, U8* pau8Noise,
                                    U32 u32MaxNoise, U8* pau8Data, U32 u32MaxSamples, U8* pu8NoiseMean,
                                    U8* pu8NoisePeak) {
  if (pu8NoiseMean != nullptr) *pu8NoiseMean = 0;
  if (pu8NoisePeak != nullptr) *pu8NoisePeak = 0;
  if (pau8Block == nullptr || u32Received < COPROC_RECEIVE_HEADER_BYTES || u8Channel > 2) return 0;
  TX_SEQUENCE s;
  const U8* data = nullptr;
  S_DEMULTIPLEX_bExtractTxSequence(pau8Block, &s, &data);
  // Whole interleaved triples that arrived.
  const U32 room = (u32Received - (U32)COPROC_RECEIVE_HEADER_BYTES) / 3;
  const U32 noiseArrived = std::min<U32>(s.u16NoiseSamples, room);
  const U32 noise = pau8Noise != nullptr ? std::min(noiseArrived, u32MaxNoise) : 0;
  const U32 samples = std::min({(U32)s.u16Samples, room - noiseArrived, u32MaxSamples});
  S_DEMULTIPLEX_vGetExtractRxData(data, u8Channel, (U16)noise, 0, pau8Noise, nullptr);
  if (pau8Data != nullptr) {
    const U8* p = data + 3 * (size_t)noiseArrived + u8Channel;
    for (U32 i = 0; i < samples; ++i) pau8Data[i] = p[3 * (size_t)i];
  }
  U32 sum = 0;
  U8 peak = 0;
  for (U32 i = 0; i < noise; ++i) {
    sum += pau8Noise[i];
    peak = std::max(peak, pau8Noise[i]);
  }
  if (pu8NoiseMean != nullptr && u32MaxNoise != 0) *pu8NoiseMean = (U8)(sum / u32MaxNoise);
  if (pu8NoisePeak != nullptr) *pu8NoisePeak = peak;
  return pau8Data != nullptr ? samples : 0;
}

#include "source/sonar/s_demultiplex.h"

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

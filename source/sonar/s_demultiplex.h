// Splitting a receive block: the sequence it echoes and each channel's
// noise and data samples (byte i of channel c at start + c + 3 × i).
#pragma once

#include "common/types.h"
#include "source/sonar/s_coproc.h"

BOOLEAN S_DEMULTIPLEX_bExtractTxSequence(const U8* pau8ReceivedCoprocData, TX_SEQUENCE* pTxSequence,
                                         const U8** ppau8StartOfData);
// The caller bounds the counts by what the block holds.
void S_DEMULTIPLEX_vGetExtractRxData(const U8* pau8StartOfData, U8 u8Channel, U16 u16NoiseSamples,
                                     U16 u16RxSamples, U8* pau8Noise, U8* pau8SonarData);

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

// One channel of a receive block of u32Received bytes (the count the read
// returned, the 6-byte tail already left off): its sequence's noise and data
// samples, bounded by what arrived, by u32MaxNoise and by u32MaxSamples.
// Writes the noise mean and peak; returns the data samples copied (0 for a
// block shorter than its header).
U32 S_DEMULTIPLEX_u32ExtractChannel(const U8* pau8Block, U32 u32Received, U8 u8Channel, U8* pau8Noise,
                                    U32 u32MaxNoise, U8* pau8Data, U32 u32MaxSamples, U8* pu8NoiseMean,
                                    U8* pu8NoisePeak);

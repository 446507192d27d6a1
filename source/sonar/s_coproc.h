// Coprocessor command blocks: the transmit pulse and sequence, their byte
// layout on the wire (little-endian, packed: a U16 may sit at an odd offset,
// so every field is written byte by byte), and the builders that fill a
// command block for each kind of ping.
#pragma once

#include <stddef.h>

#include "common/types.h"
#include "source/core/h_hwstubs.h"  // TXPOWER
#include "source/sonar/sonar_types.h"

enum TXMODE : U8 { TXMODE_TIMER = 1, TXMODE_DMA = 2, TXMODE_NONE = 3 };
enum RXFREQ : U8 {
  RXFREQ_UNUSED = 0,
  RXFREQ_50KHZ = 1,
  RXFREQ_83KHZ = 2,
  RXFREQ_200KHZ = 3,
  RXFREQ_260KHZ = 4,
  RXFREQ_455KHZ = 5,
  RXFREQ_800KHZ = 6,
};

struct TX_PULSE {
  U16 u16TxFreq;  // kHz; 0 for a pulse not in use
  U8 u8TxCycles;
  U8 eTxMode;     // TXMODE
  U8 u8TxOutput;  // elements driven: 1 down, 2 channel-1 side, 4 channel-2 element
  U8 bDutyCycle;  // 1 = 50 %
};

struct TX_SEQUENCE {
  TX_PULSE TxPulse[3];
  U8 eTxPower0;
  U8 eTxPower1;
  U8 u8Tx0Level;
  U8 u8Tx1Level;
  U8 u8PingRate;
  U16 u16Samples;
  U16 u16NoiseSamples;
  U8 bRxFrequency;
  U8 bBandwidth;
  U8 bRxEnable;  // active low
  U8 bTxFail;
};

// Wire sizes and offsets.
constexpr size_t TX_PULSE_BYTES = 6;
constexpr size_t TX_SEQUENCE_BYTES = 31;
constexpr size_t MULTI_TX_SEQUENCES = 6;
constexpr size_t MULTI_TX_COUNT_OFFSET = 186;
constexpr size_t MULTI_TX_BYTES = 187;
constexpr U16 COPROC_NOISE_SAMPLES = 50;

// The byte codecs of one sequence (31 bytes).
void S_COPROC_vEncodeSequence(const TX_SEQUENCE* pSequence, U8* pau8Wire);
void S_COPROC_vDecodeSequence(const U8* pau8Wire, TX_SEQUENCE* pSequence);
// Sequence n of a command block (decoded), and the count of sequences in use.
void S_COPROC_vGetSequence(const U8* pau8Block, U8 u8Index, TX_SEQUENCE* pSequence);
U8 S_COPROC_u8NumberOfSequences(const U8* pau8Block);

void vSetTxPulse(TX_PULSE* pPulse, U16 u16FrequencykHz, U8 u8TxCycles, TXMODE eTxMode, U8 u8TxOutput,
                 BOOLEAN bFiftyPercentDutyCycle);
// Writes one whole sequence (every byte, the unwritten fields of the builders
// included) into a command block; the null ping sends such a block.
void S_COPROC_vPutSequence(U8* pau8Block, U8 u8Index, const TX_SEQUENCE* pSequence);
void S_COPROC_vSetNumberOfSequences(U8* pau8Block, U8 u8Count);
void S_COPROC_vCopyAndConvertEndianTxSequence(const TX_SEQUENCE* pSrc, TX_SEQUENCE* pDest);
U8 S_COPROC_u8SetRxFrequencies(RXFREQ eR3Freq, RXFREQ eR2Freq, RXFREQ eR1Freq);
// Samples of the short-transmit sequence: 20 m of listening at the speed of sound.
U16 S_COPROC_u16ShortTransmitSamples(void);

// The builders. pau8Block is a command block of MULTI_TX_BYTES; a builder
// writes the sequences it uses (all fields but u8Tx0Level, u8Tx1Level and
// bTxFail) and the count; every other byte keeps its contents.
void S_COPROC_vBuildSingleBeamSSPing455kHzLR(U8* pau8Block, BEAM Beam, U8 u8Cycles, TXPOWER ePower, U8 u8Bandwidth,
                                             U16 u16Samples, U16 u16Freq, BOOLEAN bNoTransmit);
void S_COPROC_vBuildTxSequenceForShortTransmit(U8* pau8Block, U8 u8Cycles, TXPOWER ePower, U8 u8Bandwidth,
                                               U16 u16Samples, U16 u16Freq);
void S_COPROC_vBuildTxSequence200kHzParLF(U8* pau8Block, U8 u8Cycles200, U8 u8Bandwidth200, U16 u16Samples200,
                                          U16 u16Freq200, TXPOWER ePower200, U8 u8CyclesLF, U8 u8BandwidthLF,
                                          U16 u16SamplesLF, U16 u16FreqLF, TXPOWER ePowerLF, BOOLEAN bNoTransmit,
                                          U8 u8BBTxPower);
void S_COPROC_vBuildTxSequence200kHzAlt455kHzParDIFrequency(
    U8* pau8Block, U8 u8Cycles200, TXPOWER ePower200, U8 u8Bandwidth200, U16 u16Samples200, U16 u16Freq200,
    U8 u8Cycles455, TXPOWER ePower455, U8 u8Bandwidth455, U16 u16Samples455, U16 u16Freq455, U8 u8CyclesDI,
    TXPOWER ePowerDI, U8 u8BandwidthDI, U16 u16SamplesDI, U16 u16FreqDI, BOOLEAN bNoTransmit);
void S_COPROC_vBuildTxSequence200kHzAlt83And50kHzParDIFrequency(
    U8* pau8Block, U8 u8Cycles200, TXPOWER ePower200, U8 u8Bandwidth200, U16 u16Samples200, U16 u16Freq200,
    U8 u8CyclesLF, TXPOWER ePowerLF, U8 u8BandwidthLF, U16 u16SamplesLF, U16 u16FreqLF, U8 u8CyclesDI,
    TXPOWER ePowerDI, U8 u8BandwidthDI, U16 u16SamplesDI, U16 u16FreqDI, BOOLEAN bNoTransmit);
void S_COPROC_vBuildTxSequence200kHzParDIFrequency(U8* pau8Block, U8 u8Cycles200, TXPOWER ePower200,
                                                   U8 u8Bandwidth200, U16 u16Samples200, U16 u16Freq200,
                                                   U8 u8CyclesDI, TXPOWER ePowerDI, U8 u8BandwidthDI,
                                                   U16 u16SamplesDI, U16 u16FreqDI, BOOLEAN bNoTransmit);
void S_COPROC_vBuildSingleBeamDIPing(U8* pau8Block, BEAM Beam, U8 u8Cycles, TXPOWER ePower, U8 u8Bandwidth,
                                     U16 u16Samples, U16 u16Freq, BOOLEAN bNoTransmit);
void S_COPROC_vBuildTxSequence200kHz(U8* pau8Block, U8 u8Cycles200, TXPOWER ePower200, U8 u8Bandwidth200,
                                     U16 u16Samples200, U16 u16Freq200, BOOLEAN bNoTransmit);
void S_COPROC_vBuildTxSequence200kHzParHighFrequency(U8* pau8Block, U8 u8Cycles200, TXPOWER ePower200,
                                                     U8 u8Bandwidth200, U16 u16Samples200, U16 u16Freq200,
                                                     U8 u8Cycles455, TXPOWER ePower455, U8 u8Bandwidth455,
                                                     U16 u16Samples455, U16 u16FreqHigh, BOOLEAN bNoTransmit);
void S_COPROC_vBuildTxSequence200kHzAltLFParHighFrequency(
    U8* pau8Block, U8 u8Cycles200, TXPOWER ePower200, U8 u8Bandwidth200, U16 u16Samples200, U16 u16Freq200,
    U8 u8CyclesLF, TXPOWER ePowerLF, U8 u8BandwidthLF, U16 u16SamplesLF, U16 u16FreqLF, U8 u8Cycles455,
    TXPOWER ePower455, U8 u8Bandwidth455, U16 u16Samples455, U16 u16FreqHigh, BOOLEAN bNoTransmit);
void S_COPROC_vBuildSingleBeamMSSPing455kHzLR(U8* pau8Block, BEAM Beam, U8 u8Cycles, TXPOWER ePower,
                                              U8 u8Bandwidth, U16 u16Samples, U16 u16Freq);
void S_COPROC_vBuildTxSequence200kHzAltLFParHighFrequencyAltShortTx(
    U8* pau8Block, U8 u8Cycles200, TXPOWER ePower200, U8 u8Bandwidth200, U16 u16Samples200, U16 u16Freq200,
    U8 u8CyclesLF, TXPOWER ePowerLF, U8 u8BandwidthLF, U16 u16SamplesLF, U16 u16FreqLF, U8 u8Cycles455,
    TXPOWER ePower455, U8 u8Bandwidth455, U16 u16Samples455, U16 u16FreqHigh, BOOLEAN bNoTransmit,
    BOOLEAN bEnableShortTransmit);
void S_COPROC_vBuildTxSequence200kHzAltLFAltShortTx(U8* pau8Block, U8 u8Cycles200, TXPOWER ePower200,
                                                    U8 u8Bandwidth200, U16 u16Samples200, U16 u16Freq200,
                                                    U8 u8CyclesLF, TXPOWER ePowerLF, U8 u8BandwidthLF,
                                                    U16 u16SamplesLF, U16 u16FreqLF, BOOLEAN bNoTransmit,
                                                    BOOLEAN bEnableShortTransmit);
void S_COPROC_vBuildTxSequence200kHzParHighFrequencyAltShortTransmit(
    U8* pau8Block, U8 u8Cycles200, TXPOWER ePower200, U8 u8Bandwidth200, U16 u16Samples200, U16 u16Freq200,
    U8 u8Cycles455, TXPOWER ePower455, U8 u8Bandwidth455, U16 u16Samples455, U16 u16FreqHigh, BOOLEAN bNoTransmit,
    BOOLEAN bEnableShortTransmit);
void S_COPROC_vBuildTxSequence200kHzAltShortTransmit(U8* pau8Block, U8 u8Cycles200, TXPOWER ePower200,
                                                     U8 u8Bandwidth200, U16 u16Samples200, U16 u16Freq200,
                                                     BOOLEAN bNoTransmit, BOOLEAN bEnableShortTransmit);
void S_COPROC_vBuildTxSequence200kHzAltLFAltShortTransmit(U8* pau8Block, U8 u8Cycles200, TXPOWER ePower200,
                                                          U8 u8Bandwidth200, U16 u16Samples200, U16 u16Freq200,
                                                          U8 u8CyclesLF, TXPOWER ePowerLF, U8 u8BandwidthLF,
                                                          U16 u16SamplesLF, U16 u16FreqLF, BOOLEAN bNoTransmit,
                                                          U8 u8BBTxPower, BOOLEAN bEnableShortTransmit);
void S_COPROC_vBuildTxSequence200kHzParLFAltShortTransmit(U8* pau8Block, U8 u8Cycles200, U8 u8Bandwidth200,
                                                          U16 u16Samples200, U16 u16Freq200, TXPOWER ePower200,
                                                          U8 u8CyclesLF, U8 u8BandwidthLF, U16 u16SamplesLF,
                                                          U16 u16FreqLF, TXPOWER ePowerLF, BOOLEAN bNoTransmit,
                                                          U8 u8BBTxPower, BOOLEAN bEnableShortTransmit);
void S_COPROC_vBuildTxSequenceForSingleDown(U8* pau8Block, U8 u8Cycles, TXPOWER ePower, U8 u8Bandwidth,
                                            U16 u16Samples, U16 u16Freq, U8 u8Receiver, BOOLEAN bNoTransmit,
                                            U8 u8BBTxPower);
void S_COPROC_vBuildTxSequence200kHzAltDownLookingPing(U8* pau8Block, U8 u8Cycles200, TXPOWER ePower200,
                                                       U8 u8Bandwidth200, U16 u16Samples200, U16 u16Freq200,
                                                       U8 u8Cycles455, TXPOWER ePower455, U8 u8Bandwidth455,
                                                       U16 u16Samples455, U16 u16Freq455, BOOLEAN bNoTransmit);
void S_COPROC_vBuildTxSequenceForSingleDownAltShortTransmit(U8* pau8Block, U8 u8Cycles, TXPOWER ePower,
                                                            U8 u8Bandwidth, U16 u16Samples, U16 u16Freq,
                                                            U8 u8Receiver, BOOLEAN bNoTransmit, U8 u8BBTxPower,
                                                            BOOLEAN bEnableShortTransmit);
void S_COPROC_vBuildTxSequenceForDISonarTest(U8* pau8Block, U8 u8Cycles, TXPOWER ePower, U8 u8Bandwidth,
                                             U16 u16Samples, U16 u16Freq, U8 u8Receiver, BOOLEAN bNoTransmit,
                                             U8 u8TxOutput);

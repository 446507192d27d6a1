// Command-block builders. Each sequence is put together as a TX_SEQUENCE and
// encoded field by field into its 31 bytes of the block.
#include "source/sonar/s_coproc.h"

#include <string.h>

#include <algorithm>

std::atomic<U32> g_u32SpeedOfSoundInWater{SONAR_SPEED_OF_SOUND_FRESH};

namespace {

constexpr size_t OFF_POWER0 = 18, OFF_POWER1 = 19, OFF_TX0LEVEL = 20, OFF_TX1LEVEL = 21, OFF_PINGRATE = 22,
                 OFF_SAMPLES = 23, OFF_NOISE = 25, OFF_RXFREQ = 27, OFF_BANDWIDTH = 28, OFF_RXENABLE = 29,
                 OFF_TXFAIL = 30;

void vPutU16(U8* p, U16 v) {
  p[0] = (U8)(v & 0xFF);
  p[1] = (U8)(v >> 8);
}
U16 u16Get(const U8* p) { return (U16)(p[0] | (p[1] << 8)); }

TX_PULSE Pulse(U16 f, U8 cycles, TXMODE mode, U8 output, U8 duty, BOOLEAN bNoTransmit = FALSE) {
  TX_PULSE p;
  vSetTxPulse(&p, f, cycles, bNoTransmit ? TXMODE_NONE : mode, output, duty);
  return p;
}

TX_SEQUENCE Seq(TXPOWER p0, TXPOWER p1, U16 samples, U8 rxf, U8 bandwidth, U8 rxenable) {
  TX_SEQUENCE s;
  memset(&s, 0, sizeof s);
  for (auto& pulse : s.TxPulse) vSetTxPulse(&pulse, 0, 0, TXMODE_NONE, 0, TRUE);
  s.eTxPower0 = (U8)p0;
  s.eTxPower1 = (U8)p1;
  s.u8PingRate = 0;
  s.u16Samples = samples;
  s.u16NoiseSamples = COPROC_NOISE_SAMPLES;
  s.bRxFrequency = rxf;
  s.bBandwidth = bandwidth;
  s.bRxEnable = rxenable;
  return s;
}

// Band bits of bRxFrequency.
U8 u8HfBand(U16 f) { return (f >= 400 && f < 700) ? 4 : 0; }
U8 u8DiBand(U16 f) { return f < 700 ? 4 : 0; }
U8 u8LfBits(U16 f) { return f < 60 ? 3 : 1; }
U8 u8Side(U8 side, U8 channel0) { return (U8)((channel0 & 3) | (side & 3) << 2 | (side & 3) << 4); }

// Writes the builder's fields of sequence n; the transmit levels and the
// fail flag keep the bytes the block already holds.
void vWrite(U8* block, U8 index, const TX_SEQUENCE& s) {
  U8* p = block + index * TX_SEQUENCE_BYTES;
  TX_SEQUENCE merged = s;
  merged.u8Tx0Level = p[OFF_TX0LEVEL];
  merged.u8Tx1Level = p[OFF_TX1LEVEL];
  merged.bTxFail = p[OFF_TXFAIL];
  S_COPROC_vEncodeSequence(&merged, p);
}

void vFinish(U8* block, std::initializer_list<TX_SEQUENCE> sequences) {
  U8 n = 0;
  for (const TX_SEQUENCE& s : sequences) vWrite(block, n++, s);
  S_COPROC_vSetNumberOfSequences(block, n);
}

// The short-transmit sequence S, or S' (channel 1 records the down element).
TX_SEQUENCE SeqShort(bool prime) {
  TX_SEQUENCE s = prime ? Seq(TXPOWER_LOW, TXPOWER_LOW, S_COPROC_u16ShortTransmitSamples(), 8, 0xC, 0xF5)
                        : Seq(TXPOWER_LOW, TXPOWER_LOW, S_COPROC_u16ShortTransmitSamples(), 0, 3, 0xFD);
  s.TxPulse[0] = Pulse(400, 1, TXMODE_DMA, 1, 1);
  return s;
}

TX_SEQUENCE SeqT(U8 c200, TXPOWER p200, U8 bw200, U16 s200, U16 f200, BOOLEAN noTx) {
  TX_SEQUENCE s = Seq(p200, p200, s200, 0, bw200 & 3, 0xFD);
  s.TxPulse[0] = Pulse(f200, c200, TXMODE_TIMER, 1, 1, noTx);
  return s;
}

TX_SEQUENCE SeqF(U8 cLF, TXPOWER pLF, U8 bwLF, U16 sLF, U16 fLF, BOOLEAN noTx) {
  TX_SEQUENCE s = Seq(pLF, pLF, sLF, u8LfBits(fLF), bwLF & 3, 0xFD);
  s.TxPulse[0] = Pulse(fLF, cLF, TXMODE_TIMER, 1, 1, noTx);
  return s;
}

TX_SEQUENCE SeqH(U8 c200, TXPOWER p200, U8 bw200, U16 s200, U16 f200, U8 c455, TXPOWER p455, U8 bw455, U16 s455,
                 U16 fHigh, BOOLEAN noTx) {
  TX_SEQUENCE s = Seq(p200, p455, std::max(s455, s200), u8HfBand(fHigh), u8Side(bw455, bw200), 0xE9);
  s.TxPulse[0] = Pulse(fHigh, c455, TXMODE_DMA, 6, 0, noTx);
  s.TxPulse[1] = Pulse(f200, c200, TXMODE_TIMER, 1, 1, noTx);
  return s;
}

TX_SEQUENCE SeqL(U8 cLF, TXPOWER pLF, U8 bwLF, U16 sLF, U16 fLF, U8 c455, TXPOWER p455, U8 bw455, U16 s455,
                 U16 fHigh, BOOLEAN noTx) {
  TX_SEQUENCE s = Seq(pLF, p455, std::max(s455, sLF), (U8)(u8LfBits(fLF) | u8HfBand(fHigh)), u8Side(bw455, bwLF),
                      0xE9);
  s.TxPulse[0] = Pulse(fHigh, c455, TXMODE_DMA, 6, 0, noTx);
  s.TxPulse[1] = Pulse(fLF, cLF, TXMODE_TIMER, 1, 1, noTx);
  return s;
}

// 200 kHz on channel 0 beside the down-looking imaging element on channel 2.
TX_SEQUENCE SeqDI(U8 c200, TXPOWER p200, U8 bw200, U16 s200, U16 f200, U8 cDI, TXPOWER pDI, U8 bwDI, U16 sDI,
                  U16 fDI, BOOLEAN noTx) {
  TX_SEQUENCE s = Seq(p200, pDI, std::max(sDI, s200), u8DiBand(fDI), (U8)((bw200 & 3) | (bwDI & 3) << 4), 0xED);
  s.TxPulse[0] = Pulse(fDI, cDI, TXMODE_DMA, 4, 0, noTx);
  s.TxPulse[1] = Pulse(f200, c200, TXMODE_TIMER, 1, 1, noTx);
  return s;
}

TX_SEQUENCE SeqParLF(U8 c200, U8 bw200, U16 s200, U16 f200, TXPOWER p200, U8 cLF, U8 bwLF, U16 sLF, U16 fLF,
                     TXPOWER pLF) {
  TX_SEQUENCE s = Seq(pLF, p200, std::max(sLF, s200), fLF < 60 ? 11 : 9, (U8)((bwLF & 3) | (bw200 & 3) << 2), 0xF5);
  s.TxPulse[0] = Pulse(fLF, cLF, TXMODE_TIMER, 1, 1);
  s.TxPulse[1] = Pulse(f200, c200, TXMODE_TIMER, 1, 1);
  return s;
}

TX_SEQUENCE SeqSingleDown(U8 cycles, TXPOWER power, U8 bw, U16 samples, U16 f, U8 receiver, BOOLEAN noTx) {
  TX_SEQUENCE s = (receiver != 0 && f > 150) ? Seq(power, power, samples, 8, (U8)((bw & 3) << 2), 0xF5)
                                             : Seq(power, power, samples, f > 150 ? 0 : u8LfBits(f), bw & 3, 0xFD);
  s.TxPulse[0] = Pulse(f, cycles, TXMODE_TIMER, 1, 1, noTx);
  return s;
}

}  // namespace

void S_COPROC_vEncodeSequence(const TX_SEQUENCE* s, U8* p) {
  for (int i = 0; i < 3; ++i) {
    U8* q = p + i * TX_PULSE_BYTES;
    vPutU16(q, s->TxPulse[i].u16TxFreq);
    q[2] = s->TxPulse[i].u8TxCycles;
    q[3] = s->TxPulse[i].eTxMode;
    q[4] = s->TxPulse[i].u8TxOutput;
    q[5] = s->TxPulse[i].bDutyCycle;
  }
  p[OFF_POWER0] = s->eTxPower0;
  p[OFF_POWER1] = s->eTxPower1;
  p[OFF_TX0LEVEL] = s->u8Tx0Level;
  p[OFF_TX1LEVEL] = s->u8Tx1Level;
  p[OFF_PINGRATE] = s->u8PingRate;
  vPutU16(p + OFF_SAMPLES, s->u16Samples);
  vPutU16(p + OFF_NOISE, s->u16NoiseSamples);
  p[OFF_RXFREQ] = s->bRxFrequency;
  p[OFF_BANDWIDTH] = s->bBandwidth;
  p[OFF_RXENABLE] = s->bRxEnable;
  p[OFF_TXFAIL] = s->bTxFail;
}

void S_COPROC_vDecodeSequence(const U8* p, TX_SEQUENCE* s) {
  for (int i = 0; i < 3; ++i) {
    const U8* q = p + i * TX_PULSE_BYTES;
    s->TxPulse[i].u16TxFreq = u16Get(q);
    s->TxPulse[i].u8TxCycles = q[2];
    s->TxPulse[i].eTxMode = q[3];
    s->TxPulse[i].u8TxOutput = q[4];
    s->TxPulse[i].bDutyCycle = q[5];
  }
  s->eTxPower0 = p[OFF_POWER0];
  s->eTxPower1 = p[OFF_POWER1];
  s->u8Tx0Level = p[OFF_TX0LEVEL];
  s->u8Tx1Level = p[OFF_TX1LEVEL];
  s->u8PingRate = p[OFF_PINGRATE];
  s->u16Samples = u16Get(p + OFF_SAMPLES);
  s->u16NoiseSamples = u16Get(p + OFF_NOISE);
  s->bRxFrequency = p[OFF_RXFREQ];
  s->bBandwidth = p[OFF_BANDWIDTH];
  s->bRxEnable = p[OFF_RXENABLE];
  s->bTxFail = p[OFF_TXFAIL];
}

void S_COPROC_vGetSequence(const U8* pau8Block, U8 u8Index, TX_SEQUENCE* pSequence) {
  S_COPROC_vDecodeSequence(pau8Block + (u8Index % MULTI_TX_SEQUENCES) * TX_SEQUENCE_BYTES, pSequence);
}

U8 S_COPROC_u8NumberOfSequences(const U8* pau8Block) { return pau8Block[MULTI_TX_COUNT_OFFSET]; }

void vSetTxPulse(TX_PULSE* pPulse, U16 u16FrequencykHz, U8 u8TxCycles, TXMODE eTxMode, U8 u8TxOutput,
                 BOOLEAN bFiftyPercentDutyCycle) {
  pPulse->u16TxFreq = u16FrequencykHz;
  pPulse->u8TxCycles = u8TxCycles;
  pPulse->eTxMode = eTxMode;
  pPulse->u8TxOutput = u8TxOutput;
  pPulse->bDutyCycle = bFiftyPercentDutyCycle ? 1 : 0;
}

void S_COPROC_vPutSequence(U8* pau8Block, U8 u8Index, const TX_SEQUENCE* pSequence) {
  S_COPROC_vEncodeSequence(pSequence, pau8Block + (u8Index % MULTI_TX_SEQUENCES) * TX_SEQUENCE_BYTES);
}

void S_COPROC_vSetNumberOfSequences(U8* pau8Block, U8 u8Count) { pau8Block[MULTI_TX_COUNT_OFFSET] = u8Count; }

void S_COPROC_vCopyAndConvertEndianTxSequence(const TX_SEQUENCE* pSrc, TX_SEQUENCE* pDest) {
  if (pSrc != pDest) *pDest = *pSrc;
}

U8 S_COPROC_u8SetRxFrequencies(RXFREQ eR3Freq, RXFREQ eR2Freq, RXFREQ eR1Freq) {
  U8 v = eR1Freq == RXFREQ_50KHZ ? 3 : eR1Freq == RXFREQ_83KHZ ? 1 : 0;
  if (eR2Freq == RXFREQ_200KHZ) v += 8;
  if (eR3Freq == RXFREQ_455KHZ) v += 4;
  return v;
}

U16 S_COPROC_u16ShortTransmitSamples(void) {
  U32 c = g_u32SpeedOfSoundInWater.load(std::memory_order_relaxed);
  if (c == 0) c = SONAR_SPEED_OF_SOUND_FRESH;
  return (U16)(((unsigned)(40000000u / c) + 13) / 26);
}

// ------------------------------------------------------------ builders
void S_COPROC_vBuildSingleBeamSSPing455kHzLR(U8* b, BEAM, U8 cycles, TXPOWER power, U8 bw, U16 samples, U16 f,
                                             BOOLEAN noTx) {
  TX_SEQUENCE s = Seq(power, power, samples, u8HfBand(f), u8Side(bw, 0), 0xEB);
  s.TxPulse[0] = Pulse(f, cycles, TXMODE_DMA, 6, 0, noTx);
  vFinish(b, {s});
}

void S_COPROC_vBuildTxSequenceForShortTransmit(U8* b, U8 cycles, TXPOWER power, U8 bw, U16 samples, U16 f) {
  TX_SEQUENCE s = Seq(power, power, samples, 0, bw & 3, 0xFD);
  s.TxPulse[0] = Pulse(f, cycles, TXMODE_DMA, 1, 1);
  vFinish(b, {s});
}

void S_COPROC_vBuildTxSequence200kHzParLF(U8* b, U8 c200, U8 bw200, U16 s200, U16 f200, TXPOWER p200, U8 cLF,
                                          U8 bwLF, U16 sLF, U16 fLF, TXPOWER pLF, BOOLEAN, U8) {
  vFinish(b, {SeqParLF(c200, bw200, s200, f200, p200, cLF, bwLF, sLF, fLF, pLF)});
}

void S_COPROC_vBuildTxSequence200kHzAlt455kHzParDIFrequency(U8* b, U8 c200, TXPOWER p200, U8 bw200, U16 s200,
                                                            U16 f200, U8 c455, TXPOWER p455, U8 bw455, U16 s455,
                                                            U16 f455, U8 cDI, TXPOWER pDI, U8 bwDI, U16 sDI,
                                                            U16 fDI, BOOLEAN noTx) {
  TX_SEQUENCE second = Seq(p455, pDI, s455, 0, (U8)((bw455 & 3) << 2), 0xF5);
  second.TxPulse[0] = Pulse(f455, c455, TXMODE_DMA, 1, 1, noTx);
  vFinish(b, {SeqDI(c200, p200, bw200, s200, f200, cDI, pDI, bwDI, sDI, fDI, noTx), second});
}

void S_COPROC_vBuildTxSequence200kHzAlt83And50kHzParDIFrequency(U8* b, U8 c200, TXPOWER p200, U8 bw200, U16 s200,
                                                                U16 f200, U8 cLF, TXPOWER pLF, U8 bwLF, U16 sLF,
                                                                U16 fLF, U8 cDI, TXPOWER pDI, U8 bwDI, U16 sDI,
                                                                U16 fDI, BOOLEAN noTx) {
  TX_SEQUENCE second = Seq(pLF, pDI, sLF, u8LfBits(fLF), bwLF & 3, 0xF5);
  second.TxPulse[0] = Pulse(fLF, cLF, TXMODE_TIMER, 1, 1, noTx);
  vFinish(b, {SeqDI(c200, p200, bw200, s200, f200, cDI, pDI, bwDI, sDI, fDI, noTx), second});
}

void S_COPROC_vBuildTxSequence200kHzParDIFrequency(U8* b, U8 c200, TXPOWER p200, U8 bw200, U16 s200, U16 f200,
                                                   U8 cDI, TXPOWER pDI, U8 bwDI, U16 sDI, U16 fDI, BOOLEAN noTx) {
  vFinish(b, {SeqDI(c200, p200, bw200, s200, f200, cDI, pDI, bwDI, sDI, fDI, noTx)});
}

void S_COPROC_vBuildSingleBeamDIPing(U8* b, BEAM, U8 cycles, TXPOWER power, U8 bw, U16 samples, U16 f,
                                     BOOLEAN noTx) {
  TX_SEQUENCE s = Seq(power, power, samples, u8DiBand(f), (U8)((bw & 3) << 4), 0xEF);
  s.TxPulse[0] = Pulse(f, cycles, TXMODE_DMA, 4, 0, noTx);
  vFinish(b, {s});
}

void S_COPROC_vBuildTxSequence200kHz(U8* b, U8 c200, TXPOWER p200, U8 bw200, U16 s200, U16 f200, BOOLEAN noTx) {
  vFinish(b, {SeqT(c200, p200, bw200, s200, f200, noTx)});
}

void S_COPROC_vBuildTxSequence200kHzParHighFrequency(U8* b, U8 c200, TXPOWER p200, U8 bw200, U16 s200, U16 f200,
                                                     U8 c455, TXPOWER p455, U8 bw455, U16 s455, U16 fHigh,
                                                     BOOLEAN noTx) {
  vFinish(b, {SeqH(c200, p200, bw200, s200, f200, c455, p455, bw455, s455, fHigh, noTx)});
}

void S_COPROC_vBuildTxSequence200kHzAltLFParHighFrequency(U8* b, U8 c200, TXPOWER p200, U8 bw200, U16 s200,
                                                          U16 f200, U8 cLF, TXPOWER pLF, U8 bwLF, U16 sLF, U16 fLF,
                                                          U8 c455, TXPOWER p455, U8 bw455, U16 s455, U16 fHigh,
                                                          BOOLEAN noTx) {
  vFinish(b, {SeqH(c200, p200, bw200, s200, f200, c455, p455, bw455, s455, fHigh, noTx),
              SeqL(cLF, pLF, bwLF, sLF, fLF, c455, p455, bw455, s455, fHigh, noTx)});
}

void S_COPROC_vBuildSingleBeamMSSPing455kHzLR(U8* b, BEAM Beam, U8 cycles, TXPOWER power, U8 bw, U16 samples,
                                              U16 f) {
  TX_SEQUENCE s = Seq(power, power, samples, u8HfBand(f), u8Side(bw, 0), 0xEB);
  s.TxPulse[0] = Pulse(f, cycles, TXMODE_DMA, Beam == 2 ? 2 : 4, 1);
  vFinish(b, {s});
}

void S_COPROC_vBuildTxSequence200kHzAltLFParHighFrequencyAltShortTx(U8* b, U8 c200, TXPOWER p200, U8 bw200,
                                                                    U16 s200, U16 f200, U8 cLF, TXPOWER pLF,
                                                                    U8 bwLF, U16 sLF, U16 fLF, U8 c455,
                                                                    TXPOWER p455, U8 bw455, U16 s455, U16 fHigh,
                                                                    BOOLEAN noTx, BOOLEAN bShort) {
  const TX_SEQUENCE h = SeqH(c200, p200, bw200, s200, f200, c455, p455, bw455, s455, fHigh, noTx);
  const TX_SEQUENCE l = SeqL(cLF, pLF, bwLF, sLF, fLF, c455, p455, bw455, s455, fHigh, noTx);
  if (bShort) {
    vFinish(b, {h, l, SeqShort(false)});
  } else {
    vFinish(b, {h, l});
  }
}

void S_COPROC_vBuildTxSequence200kHzAltLFAltShortTx(U8* b, U8 c200, TXPOWER p200, U8 bw200, U16 s200, U16 f200,
                                                    U8 cLF, TXPOWER pLF, U8 bwLF, U16 sLF, U16 fLF, BOOLEAN noTx,
                                                    BOOLEAN bShort) {
  const TX_SEQUENCE t = SeqT(c200, p200, bw200, s200, f200, noTx);
  const TX_SEQUENCE f = SeqF(cLF, pLF, bwLF, sLF, fLF, noTx);
  if (bShort) {
    vFinish(b, {t, f, SeqShort(false)});
  } else {
    vFinish(b, {t, f});
  }
}

void S_COPROC_vBuildTxSequence200kHzParHighFrequencyAltShortTransmit(U8* b, U8 c200, TXPOWER p200, U8 bw200,
                                                                     U16 s200, U16 f200, U8 c455, TXPOWER p455,
                                                                     U8 bw455, U16 s455, U16 fHigh, BOOLEAN noTx,
                                                                     BOOLEAN bShort) {
  const TX_SEQUENCE h = SeqH(c200, p200, bw200, s200, f200, c455, p455, bw455, s455, fHigh, noTx);
  if (bShort) {
    vFinish(b, {h, SeqShort(false)});
  } else {
    vFinish(b, {h});
  }
}

void S_COPROC_vBuildTxSequence200kHzAltShortTransmit(U8* b, U8 c200, TXPOWER p200, U8 bw200, U16 s200, U16 f200,
                                                     BOOLEAN noTx, BOOLEAN bShort) {
  const TX_SEQUENCE t = SeqT(c200, p200, bw200, s200, f200, noTx);
  if (bShort) {
    vFinish(b, {t, SeqShort(false)});
  } else {
    vFinish(b, {t});
  }
}

void S_COPROC_vBuildTxSequence200kHzAltLFAltShortTransmit(U8* b, U8 c200, TXPOWER p200, U8 bw200, U16 s200,
                                                          U16 f200, U8 cLF, TXPOWER pLF, U8 bwLF, U16 sLF, U16 fLF,
                                                          BOOLEAN noTx, U8, BOOLEAN bShort) {
  const TX_SEQUENCE t = SeqT(c200, p200, bw200, s200, f200, noTx);
  const TX_SEQUENCE f = SeqF(cLF, pLF, bwLF, sLF, fLF, noTx);
  if (bShort) {
    vFinish(b, {f, t, SeqShort(false)});
  } else {
    vFinish(b, {f, t});
  }
}

void S_COPROC_vBuildTxSequence200kHzParLFAltShortTransmit(U8* b, U8 c200, U8 bw200, U16 s200, U16 f200,
                                                          TXPOWER p200, U8 cLF, U8 bwLF, U16 sLF, U16 fLF,
                                                          TXPOWER pLF, BOOLEAN, U8, BOOLEAN bShort) {
  const TX_SEQUENCE par = SeqParLF(c200, bw200, s200, f200, p200, cLF, bwLF, sLF, fLF, pLF);
  if (bShort) {
    vFinish(b, {par, SeqShort(true)});
  } else {
    vFinish(b, {par});
  }
}

void S_COPROC_vBuildTxSequenceForSingleDown(U8* b, U8 cycles, TXPOWER power, U8 bw, U16 samples, U16 f,
                                            U8 receiver, BOOLEAN noTx, U8) {
  vFinish(b, {SeqSingleDown(cycles, power, bw, samples, f, receiver, noTx)});
}

void S_COPROC_vBuildTxSequence200kHzAltDownLookingPing(U8* b, U8 c200, TXPOWER p200, U8 bw200, U16 s200, U16 f200,
                                                       U8 c455, TXPOWER p455, U8 bw455, U16 s455, U16 f455,
                                                       BOOLEAN noTx) {
  TX_SEQUENCE second = Seq(p455, p455, s455, 0, (U8)((bw455 & 3) << 2), 0xF5);
  second.TxPulse[0] = Pulse(f455, c455, TXMODE_DMA, 1, 1, noTx);
  vFinish(b, {SeqT(c200, p200, bw200, s200, f200, noTx), second});
}

void S_COPROC_vBuildTxSequenceForSingleDownAltShortTransmit(U8* b, U8 cycles, TXPOWER power, U8 bw, U16 samples,
                                                            U16 f, U8 receiver, BOOLEAN noTx, U8, BOOLEAN bShort) {
  const TX_SEQUENCE s = SeqSingleDown(cycles, power, bw, samples, f, receiver, noTx);
  if (bShort) {
    vFinish(b, {s, SeqShort(true)});
  } else {
    vFinish(b, {s});
  }
}

void S_COPROC_vBuildTxSequenceForDISonarTest(U8* b, U8 cycles, TXPOWER power, U8 bw, U16 samples, U16 f,
                                             U8 receiver, BOOLEAN noTx, U8 output) {
  TX_SEQUENCE s;
  if (receiver == 0) {
    s = Seq(power, power, samples, f > 150 ? 0 : u8LfBits(f), bw & 3, 0xF5);
  } else if (receiver == 1) {
    s = Seq(power, power, samples, 0, (U8)((bw & 3) << 2), 0xF5);
  } else {
    s = Seq(power, power, samples, (f > 300 && f < 501) ? 4 : 0, (U8)((bw & 3) << 4), 0xED);
  }
  s.TxPulse[0] = Pulse(f, cycles, f > 200 ? TXMODE_DMA : TXMODE_TIMER, output, (f > 200 && output == 4) ? 0 : 1, noTx);
  vFinish(b, {s});
}

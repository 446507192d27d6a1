#include "source/sonar/s_accum.h"

#include <string.h>

#include <algorithm>

#include "source/core/h_database.h"
#include "source/sonar/s_fishid.h"
#include "source/sonar/s_fresample.h"
#include "source/sonar/s_transducer.h"
#include "source/sonar/sonar_upcalls.h"

namespace {

RETURN_ACCUMULATOR Accumulator[ACCUMULATOR_BEAMS];
constexpr MUTEX s_aMutex[ACCUMULATOR_BEAMS] = {RES_ACC_83, RES_ACC_200, RES_ACC_455_L, RES_ACC_455_R};

// Noise-too-high flags (processing task and whoever measures noise).
U32 s_au32DampedNoise[ACCUMULATOR_BEAMS];
U32 s_au32NoiseStamp[ACCUMULATOR_BEAMS];
BOOLEAN s_abNoiseTooHigh[ACCUMULATOR_BEAMS];

// Column pacing (processing task only).
U32 s_au32PingCounter[ACCUMULATOR_BEAMS];
U32 s_au32ColumnCounter[ACCUMULATOR_BEAMS];
U32 s_u32CountedSpeed = 0;
BOOLEAN s_abMarks[2][ACCUMULATOR_BEAMS];
U32 s_u32SequenceCount = 0;
BEAM s_LastBeam = 0;
BOOLEAN s_bFirstSequence = TRUE;

constexpr U32 DEFAULT_CHART_SPEED = 5;  // one column a ping until the history writes SSSP

class CLock {
 public:
  explicit CLock(BEAM b) : m_m(s_aMutex[b]) { L_MUTEX_LockWait(m_m); }
  ~CLock() { L_MUTEX_Unlock(m_m); }

 private:
  MUTEX m_m;
};

const SONAR_PING_LOCATION InvalidGpsLocation = {FALSE, 0, 0};

U32 u32DepthInSamples(F32 metres, U32 c) {
  if (!(metres > 0.0f) || c == 0) return 0;
  return ((U32)(2000000.0 * metres / c) + 13) / 26;
}

void vClearFish(RETURN_ACCUMULATOR* a) { memset(&a->FishTargetList, 0, sizeof a->FishTargetList); }

bool bImagingAlone(BEAM b, U8 t) {
  const bool side = t == 5 || t == 9 || t == 10 || t == 16;
  const bool down = t == 15 || t == 17 || t == 18;
  return ((b == 2 || b == 3) && side) || (b == 3 && down);
}

// Available samples after an offset.
U32 u32Left(U32 n, U32 offset) { return offset < n ? n - offset : 0; }

void vHeading(TSU_STORE_COLUMN* col) {
  F32 v = 0.0f;
  BOOLEAN valid = FALSE;
  for (FOURCHARID key : {FCID("ICHT"), FCID("IHDC")}) {
    if (H_DATABASE_bFetchFloat(key, &v, &valid) && valid) {
      col->HeadingSource = HEADING_SOURCE_COMPASS;
      col->fHeadingTrueDegrees = v;
      return;
    }
  }
  if (H_DATABASE_bFetchFloat(FCID("IHDG"), &v, &valid) && valid) {
    col->HeadingSource = HEADING_SOURCE_GPS;
    col->fHeadingTrueDegrees = v;
    return;
  }
  col->HeadingSource = HEADING_SOURCE_NO_DATA;
}

void vSequenceRule(BEAM b, S32 i, U8 transducer) {
  if (!s_bFirstSequence && b < s_LastBeam) ++s_u32SequenceCount;
  if (s_u32SequenceCount == 0) {
    s_abMarks[0][b] = TRUE;
  } else if (s_u32SequenceCount == 1) {
    s_abMarks[1][b] = TRUE;
  } else {
    for (BEAM k = 0; k < ACCUMULATOR_BEAMS; ++k) {
      if (s_abMarks[0][k] != s_abMarks[1][k] && i > 0) T_N_HISTORY_vAddColumns((U32)i, k, transducer);
    }
    memset(s_abMarks, 0, sizeof s_abMarks);
    s_u32SequenceCount = 0;
    s_abMarks[0][b] = TRUE;
  }
  s_LastBeam = b;
  s_bFirstSequence = FALSE;
}

}  // namespace

void S_ACCUM_vInit(void) {
  for (BEAM b = 0; b < ACCUMULATOR_BEAMS; ++b) {
    CLock lock(b);
    RETURN_ACCUMULATOR& a = Accumulator[b];
    a.u32NumberOfSamples[0] = a.u32NumberOfSamples[1] = 0;
    a.bNoiseTooHigh[0] = a.bNoiseTooHigh[1] = FALSE;
    a.u8Use = 0;
    a.fDepthMetres = 0.0f;
    a.u32DepthInSamples = a.u32SmoothedDepthInSamples = 0;
    a.u32RtsSamples = 0;
    vClearFish(&a);
    a.u32TimeStamp = a.u32PingIndex = 0;
    a.Location = InvalidGpsLocation;
    a.Resource = s_aMutex[b];
  }
  memset(s_au32PingCounter, 0, sizeof s_au32PingCounter);
  memset(s_au32ColumnCounter, 0, sizeof s_au32ColumnCounter);
  s_u32CountedSpeed = 0;
  memset(s_abMarks, 0, sizeof s_abMarks);
  s_u32SequenceCount = 0;
  s_LastBeam = 0;
  s_bFirstSequence = TRUE;
  memset(s_au32DampedNoise, 0, sizeof s_au32DampedNoise);
  memset(s_au32NoiseStamp, 0, sizeof s_au32NoiseStamp);
  memset(s_abNoiseTooHigh, 0, sizeof s_abNoiseTooHigh);
}

void S_ACCUM_vFold(const PING_DESCRIPTOR* d, const U8* display, U32 c, const FISH_TARGET_LIST* pFish) {
  const BEAM b = d->Beam;
  if (b >= ACCUMULATOR_BEAMS) return;
  const U32 k = std::min(d->u32NumberOfSamples, PING_MAX_SAMPLES);
  const bool down = d->u8Transducer == 15 || d->u8Transducer == 17 || d->u8Transducer == 18;
  CLock lock(b);
  RETURN_ACCUMULATOR& a = Accumulator[b];
  const U8 u = a.u8Use > 1 ? 0 : a.u8Use;
  const U32 depth = u32DepthInSamples(d->fDepthMetres, c);
  if (bImagingAlone(b, d->u8Transducer)) {
    memcpy(a.pu8Data[u], d->pu8TvgdData, k);
    memcpy(a.pu8RtsData, d->pu8TvgdData, k);
    a.u32NumberOfSamples[u] = k;
    a.u32RtsSamples = k;
    a.Location = d->Location;
    a.fDepthMetres = d->fDepthMetres;
    a.u32DepthInSamples = depth;
    a.u32SmoothedDepthInSamples = depth;
    if (s_abNoiseTooHigh[b]) a.bNoiseTooHigh[u] = TRUE;
    a.u32TimeStamp = d->u32TimeStampMilliSeconds;
    a.u32PingIndex = d->u32PingIndex;
    return;
  }
  const U8* in = ((b == 2 || b == 3) && !down) ? d->pu8TvgdData : display;
  const U32 held = a.u32NumberOfSamples[u];
  const U32 both = std::min(k, held);
  U8* buf = a.pu8Data[u];
  for (U32 i = 0; i < both; ++i) buf[i] = std::max(buf[i], in[i]);
  if (k > both) memcpy(buf + both, in + both, k - both);
  memcpy(a.pu8RtsData, in, k);
  a.u32NumberOfSamples[u] = std::max(k, held);
  a.u32RtsSamples = k;
  a.Location = d->Location;
  a.fDepthMetres = d->fDepthMetres;
  a.u32DepthInSamples = depth;
  if (d->bSimulated || a.u32SmoothedDepthInSamples == 0) {
    a.u32SmoothedDepthInSamples = depth;
  } else if (depth != 0) {
    a.u32SmoothedDepthInSamples = (U32)(((U64)depth + 7ull * a.u32SmoothedDepthInSamples) / 8);
  }
  if (s_abNoiseTooHigh[b]) a.bNoiseTooHigh[u] = TRUE;
  if (pFish != nullptr) S_FISHID_vMergeFishTargetLists(&a.FishTargetList, pFish);
  if (a.u32TimeStamp == 0) a.u32TimeStamp = d->u32TimeStampMilliSeconds;
  if (a.u32PingIndex == 0) a.u32PingIndex = d->u32PingIndex;
}

ACCUMULATOR_STATUS T_N_PROCESS_eGetDataForDisplay(BEAM Beam, TSU_STORE_COLUMN* col, U8* pu8Display,
                                                  U32 u32DisplayOffset, U32 u32DisplaySamples, U8* pu8Zoom,
                                                  U32 u32ZoomOffset, U32 u32ZoomSamples, U8* pu8Nadscan,
                                                  U32 u32NadscanOffset, U32 u32NadscanSamples,
                                                  FISH_TARGET_LIST* pFishList, U32 u32DisplaySize, U32 u32ZoomSize,
                                                  U32 u32NadscanSize, BOOLEAN bForce, BOOLEAN* pbNoiseTooHigh) {
  BOOLEAN noiseDummy = FALSE;
  if (pbNoiseTooHigh == nullptr) pbNoiseTooHigh = &noiseDummy;
  if (Beam >= ACCUMULATOR_BEAMS) {
    log_me("accumulator: no accumulator for beam %u", Beam);
    *pbNoiseTooHigh = FALSE;
    return ACCUMULATOR_HAD_NO_DATA;
  }
  CLock lock(Beam);
  RETURN_ACCUMULATOR& a = Accumulator[Beam];
  ACCUMULATOR_STATUS result = ACCUMULATOR_HAD_NEW_DATA;
  const U8 u = a.u8Use;
  const U8 other = u > 1 ? 0 : (U8)(1 - u);
  const bool uHolds = u <= 1 && a.u32NumberOfSamples[u] != 0;
  S32 v = -1;
  if (u > 1) {
    log_me("accumulator: buffer index %u of beam %u out of bounds", u, Beam);
    *pbNoiseTooHigh = TRUE;
    if (bForce) v = other;
  } else if (uHolds) {
    v = u;
    *pbNoiseTooHigh = a.bNoiseTooHigh[u];
  } else if (bForce) {
    v = other;
    *pbNoiseTooHigh = a.bNoiseTooHigh[other];
  } else {
    *pbNoiseTooHigh = a.bNoiseTooHigh[other];
    result = a.u32NumberOfSamples[other] == 0 ? ACCUMULATOR_HAD_NO_DATA : ACCUMULATOR_HAD_NO_NEW_DATA;
  }
  if (v < 0 && result == ACCUMULATOR_HAD_NEW_DATA) result = ACCUMULATOR_HAD_NO_DATA;
  if (v >= 0) {
    const U8* buf = a.pu8Data[v];
    const U32 n = a.u32NumberOfSamples[v];
    if (col != nullptr) {
      U32 f = col->u32TSUDataLength == 0 ? 1 : (n + col->u32TSUDataLength - 1) / col->u32TSUDataLength;
      if (f < 1) f = 1;
      if (f > 255) f = 255;
      col->u8SampleFactor = (U8)f;
      col->u32SamplesInStore = col->au8Data == nullptr ? 0 : std::min(n / f, col->u32TSUDataLength);
      S_FRESAMPLE_vFastResample(buf, n, n, col->au8Data, col->u32SamplesInStore);
      col->Location = a.Location;
      col->fDepthMetres = a.fDepthMetres;
      col->u32SmoothedDepthInSamples = a.u32SmoothedDepthInSamples;
      col->bNoiseTooHighForBlend = a.bNoiseTooHigh[v];
      col->u32TimeStamp = a.u32TimeStamp;
      col->u32PingIndex = a.u32PingIndex;
      vHeading(col);
      if (pu8Display != nullptr && col->au8Data != nullptr) {
        const U32 off = u32DisplayOffset / f;
        const U32 left = u32Left(col->u32SamplesInStore, off);
        S_FRESAMPLE_vFastResample(col->au8Data + std::min(off, col->u32SamplesInStore), u32DisplaySamples / f,
                                  left, pu8Display, u32DisplaySize);
      }
    }
    if (pu8Zoom != nullptr) {
      S_FRESAMPLE_vFastResample(buf + std::min(u32ZoomOffset, n), u32ZoomSamples, u32Left(n, u32ZoomOffset), pu8Zoom,
                                u32ZoomSize);
    }
    if (pu8Nadscan != nullptr) {
      S_FRESAMPLE_vFastResample(buf + std::min(u32NadscanOffset, n), u32NadscanSamples, u32Left(n, u32NadscanOffset),
                                pu8Nadscan, u32NadscanSize);
    }
    if (pFishList != nullptr) S_FISHID_vCopyFishTargetList(pFishList, &a.FishTargetList);
  }
  if (uHolds) {
    a.u8Use = other;
    a.u32NumberOfSamples[other] = 0;
    a.bNoiseTooHigh[other] = FALSE;
  }
  vClearFish(&a);
  a.u32TimeStamp = 0;
  a.u32PingIndex = 0;
  return result;
}

void T_N_PROCESS_vGetRtsDataForDisplay(BEAM Beam, U8* dest, U32 offset, U32 samples, U32 size) {
  if (dest == nullptr || Beam >= ACCUMULATOR_BEAMS) return;
  CLock lock(Beam);
  const RETURN_ACCUMULATOR& a = Accumulator[Beam];
  S_FRESAMPLE_vFastResample(a.pu8RtsData + std::min(offset, a.u32RtsSamples), samples, u32Left(a.u32RtsSamples, offset),
                            dest, size);
}

U32 T_N_PROCESS_u32GetSmoothedDepthInSamples(BEAM Beam) {
  if (Beam >= ACCUMULATOR_BEAMS) return 0;
  CLock lock(Beam);
  return Accumulator[Beam].u32SmoothedDepthInSamples;
}

void T_N_PROCESS_vClearAllAccumulators(void) {
  for (BEAM b = 0; b < ACCUMULATOR_BEAMS; ++b) {
    CLock lock(b);
    RETURN_ACCUMULATOR& a = Accumulator[b];
    a.u32NumberOfSamples[0] = a.u32NumberOfSamples[1] = 0;
    a.bNoiseTooHigh[0] = a.bNoiseTooHigh[1] = FALSE;
    a.Location = InvalidGpsLocation;
    a.fDepthMetres = 0.0f;
    a.u32DepthInSamples = a.u32SmoothedDepthInSamples = 0;
    vClearFish(&a);
    a.u32TimeStamp = a.u32PingIndex = 0;
  }
}

void T_N_PROCESS_vUpdateNoiseTooHighFlags(BEAM b, U32 measure) {
  if (b >= ACCUMULATOR_BEAMS) return;
  const U32 now = H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
  U32& value = s_au32DampedNoise[b];
  if (measure > value) {
    value = measure;
    s_au32NoiseStamp[b] = now;
  } else {
    const U32 e = now - s_au32NoiseStamp[b];
    s_au32NoiseStamp[b] = now;
    if (e == 0) {
      value = value * 5 / 6;
    } else {
      const U32 a = 500 / e;
      value = value * a / (a + 1);
    }
  }
  const U32 threshold = b == 0 ? 145 : 255;
  if (!s_abNoiseTooHigh[b] && value >= threshold + 25) s_abNoiseTooHigh[b] = TRUE;
  else if (s_abNoiseTooHigh[b] && value <= threshold) s_abNoiseTooHigh[b] = FALSE;
}

void vDuplicatePingSequence(BEAM Beam, U32 u32NumberOfColumns) {
  if (Beam >= ACCUMULATOR_BEAMS) return;
  vSequenceRule(Beam, (S32)std::min<U32>(u32NumberOfColumns, 0x7FFFFFFF), 0);
}

BOOLEAN bCheckAddColumns(BEAM b, const ACCUM_PACING* p) {
  U32 y1 = 0, y2 = 0, y3 = 0;
  (void)H_DATABASE_bFetchU32(FCID("YST1"), &y1);
  (void)H_DATABASE_bFetchU32(FCID("YST2"), &y2);
  (void)H_DATABASE_bFetchU32(FCID("YST3"), &y3);
  NET_SOURCE_TYPE source;
  bool keyed;
  if (b == 0 || b == 1) {
    keyed = y1 != 0;
    source = SONAR_SOURCE_2D;
  } else if (b == 2 && p->u8Transducer == 15) {
    keyed = y1 != 0;
    source = SONAR_SOURCE_2D;
  } else if (b == 2 || (b == 3 && y2 == 0)) {
    keyed = y3 != 0;
    source = SONAR_SOURCE_SI;
  } else if (b == 3) {
    keyed = true;
    source = SONAR_SOURCE_DI;
  } else {
    return FALSE;
  }
  if (!keyed) return FALSE;
  return (p->bSonarEnabled || S_TRANSDUCER_u32GetElementBit(p->u32NetworkElements, source) != 0) ? TRUE : FALSE;
}

void vAddNewColumns(BEAM b, const ACCUM_PACING* p) {
  if (b >= ACCUMULATOR_BEAMS) return;
  U32 v = DEFAULT_CHART_SPEED;
  (void)H_DATABASE_bFetchU32(FCID("SSSP"), &v);
  if (p->eSystemState == STATE_PLAYBACK) {
    if (p->u32PlaybackMode == 2 || p->u32PlaybackMode == 10) v *= 4;
    if (p->u32PlaybackMode == 3 || p->u32PlaybackMode == 9) v *= 2;
  }
  if (p->fCurrentDepthMetres > 50.0f) v *= 2;
  if (v != s_u32CountedSpeed) {
    memset(s_au32PingCounter, 0, sizeof s_au32PingCounter);
    memset(s_au32ColumnCounter, 0, sizeof s_au32ColumnCounter);
    s_u32CountedSpeed = v;
  }
  ++s_au32PingCounter[b];
  const U64 P = (U64)s_au32PingCounter[b] * v;
  const S32 i = (S32)(float)(0.2 * (double)P - (double)s_au32ColumnCounter[b]);
  if (i > 0) {
    if (P % 5 == 0) {
      s_au32PingCounter[b] = 0;
      s_au32ColumnCounter[b] = 0;
    } else {
      s_au32ColumnCounter[b] += (U32)i;
    }
    T_N_HISTORY_vAddColumns((U32)i, b, p->u8Transducer);
  }
  if (!p->bJigging) vSequenceRule(b, i, p->u8Transducer);
}

void S_ACCUM_vBlankScroll(BEAM b, const ACCUM_PACING* p) {
  if (b >= ACCUMULATOR_BEAMS) return;
  {
    CLock lock(b);
    RETURN_ACCUMULATOR& a = Accumulator[b];
    a.u32NumberOfSamples[0] = a.u32NumberOfSamples[1] = 0;
    a.bNoiseTooHigh[0] = a.bNoiseTooHigh[1] = FALSE;
    a.u8Use = 0;
    vClearFish(&a);
    a.u32TimeStamp = a.u32PingIndex = 0;
  }
  if (bCheckAddColumns(b, p)) vAddNewColumns(b, p);
}

void S_ACCUM_vSnapshot(BEAM b, RETURN_ACCUMULATOR* copy) {
  if (b >= ACCUMULATOR_BEAMS || copy == nullptr) return;
  CLock lock(b);
  memcpy(copy, &Accumulator[b], sizeof *copy);
}

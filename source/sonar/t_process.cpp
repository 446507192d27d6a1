#include "source/sonar/t_process.h"

#include <math.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "common/cmd_id.h"
#include "common/language.h"
#include "common/u_convert.h"
#include "common/view_types.h"
#include "source/core/h_database.h"
#include "source/core/u_sound.h"
#include "source/sonar/s_accum.h"
#include "source/sonar/s_depth.h"
#include "source/sonar/s_depthalarm.h"
#include "source/sonar/s_filter.h"
#include "source/sonar/s_fishid.h"
#include "source/sonar/s_transducer.h"
#include "source/sonar/s_tvg.h"
#include "source/sonar/sonar_upcalls.h"
#include "source/startup/startup_upcalls.h"
#include "source/sonar/u_ping.h"
#include "source/startup/t_mmc.h"
#include "source/startup/t_mmc_record.h"

namespace {

#define PROCESS_TEXT(name, text)                                                                 \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
PROCESS_TEXT(Depth_Alarm, "Depth Alarm");
PROCESS_TEXT(Remote_Depth_Alarm, "Remote Depth Alarm");
PROCESS_TEXT(Depth_Offset, "Depth Offset");
PROCESS_TEXT(Water_Type, "Water Type");
PROCESS_TEXT(Nadscan_Beam_Width, "Beam Width");
PROCESS_TEXT(Fish_ID_Sensitivity, "Fish ID Sensitivity");
PROCESS_TEXT(Depth, "Depth");

constexpr FOURCHARID SSF3 = FCID("SSF3"), SSF4 = FCID("SSF4"), SSF5 = FCID("SSF5");
constexpr U32 PROCESS_SLOTS = 5;  // beams 0 to 3 and the short-transmit beam
constexpr U32 SHORT_SLOT = 4;
constexpr U32 PUBLISH_GAP_MS = 250;
constexpr U32 REFILL_PINGS = 6;

SOUND action_failed_sound = {"action_failed_sound", 0, 0, nullptr};

// ------------------------------------------------------------ module state
struct STATE {
  BOOLEAN bSonarEnabled = TRUE;
  BOOLEAN bTvgView = TRUE;
  U8 u8SelectedBeam = 1;
  FOURCHARID SideViewFrequency = SSF4;
  U32 u32ExpFactor = 3;
  BOOLEAN bExpAveraging = TRUE;
  U32 u32View = (U32)-2;
  U32 u32Water = WATER_FRESH;
  U32 u32FishSensitivity = 5;
  U32 au32FishCutOff[4] = {100, 80, 160, 255};  // 83, 50, 200, 455 kHz
  F32 fDepthAlarm = 0.0f, fRemoteDepthAlarm = 0.0f;
  F32 fLowerRange = 0.0f;
  U32 u32DigitalDepthSource = 0;
  U32 u32NetworkElements = 0;
  BOOLEAN bJigging = FALSE;
  SYSTEM_STATE eSystemState = STATE_STARTUP;
  U32 u32PlaybackMode = 0;
  BOOLEAN bRecording = FALSE;
  BOOLEAN bPrepareForPlayback = FALSE;
  BOOLEAN bReverseScroll = FALSE;
  U32 u32RefillPings = 0;
  BEAM Last2DBeam = 1;
  F32 fCurrentDepth = 0.0f;
  U32 au32DisplayCounter[PROCESS_SLOTS] = {};
  F32 afPreviousCutOff[PROCESS_SLOTS] = {};
  U32 u32SupportedBeams = 0;
  U32 u32TwoBeamCounter = 0;
  // Ping period of the 200 kHz beam.
  U32 au32Periods[64] = {};
  U32 u32PeriodSum = 0, u32PeriodIndex = 0, u32LastPeriodStamp = 0;
  BOOLEAN bPeriodStarted = FALSE;
  F32 afReverseDepth[4] = {};
};
STATE s;

// The publication stamp (other tasks may publish too).
std::atomic<U32> s_u32PublishStamp{0};
std::atomic<bool> s_bPublishedOnce{false};

BEAM_DEPTH_HISTORY BeamDepthHistory = {1, 0, 0, 0, 0, 0, 0, 0};
std::mutex s_depthHistoryLock;

std::atomic<U32> s_au32PingsOfBeam[4];
U32 s_u32Pings = 0;

// Working buffers.
U8 s_u8PreviousRawData[PROCESS_SLOTS][PING_MAX_SAMPLES];
U8 s_u8TemporaryStore[PING_MAX_SAMPLES];
U8 s_u8ExpAveragedData[PING_MAX_SAMPLES];
U8 s_u8TmpTvgData[PING_MAX_SAMPLES];

U32 u32Slot(BEAM b) { return b < 4 ? b : SHORT_SLOT; }
bool bDownImaging(U8 t) { return t == 15 || t == 17 || t == 18; }
bool bSideImaging(U8 t) { return t == 5 || t == 9 || t == 10 || t == 16; }

U32 u32Fetch(FOURCHARID key, U32 def) {
  U32 v = def;
  return H_DATABASE_bFetchU32(key, &v) ? v : def;
}
// A usable float: fetched and valid.
bool bFetchValidFloat(FOURCHARID key, F32* v) {
  BOOLEAN valid = FALSE;
  return H_DATABASE_bFetchFloat(key, v, &valid) && valid;
}

U8 u8CurrentTransducer(void) { return (U8)u32Fetch(FCID("SSTS"), u32Fetch(FCID("SSTD"), 15)); }

ACCUM_PACING Pacing(U8 transducer) {
  return {s.bSonarEnabled, s.u32NetworkElements, s.bJigging, s.eSystemState, s.u32PlaybackMode, s.fCurrentDepth,
          transducer};
}

// ------------------------------------------------------------ best depth
// The counters and the rule of the best depth, on the given counters.
F32 fBestInMeters(BEAM_DEPTH_HISTORY* h, F32 f200, F32 fLF, F32 fShort) {
  auto count = [](bool valid, U32* v, U32* inv) {
    if (valid) {
      ++*v;
      *inv = 0;
    } else {
      ++*inv;
      *v = 0;
    }
  };
  count(fShort > 0 && fShort <= 6, &h->u32ShortTxBeamValidCnt, &h->u32ShortTxBeamInValidCnt);
  if (f200 > 0 && f200 <= 150) {
    count(true, &h->u32HFBeamValidCnt, &h->u32HFBeamInValidCnt);
  } else if (f200 <= 0) {
    count(false, &h->u32HFBeamValidCnt, &h->u32HFBeamInValidCnt);
  } else if (s.u8SelectedBeam == 1 && s.u32View != SONAR_DUAL_BEAM_VIEW_PRIORITY) {
    count(true, &h->u32HFBeamValidCnt, &h->u32HFBeamInValidCnt);
  }
  count(fLF > 150, &h->u32LFBeamValidCnt, &h->u32LFBeamInValidCnt);
  bool useShort, use200, useLF;
  if (h->u32ShortTxBeamInValidCnt > 7) {
    useShort = false, use200 = f200 > 0, useLF = fLF > 0;
  } else if (h->u32ShortTxBeamValidCnt > 5) {
    useShort = true, use200 = false, useLF = false;
  } else if (h->u32HFBeamInValidCnt > 7) {
    useShort = fShort > 0, use200 = false, useLF = fLF > 0;
  } else if (h->u32HFBeamValidCnt > 5) {
    useShort = false, use200 = true, useLF = false;
  } else if (h->u32LFBeamInValidCnt > 7) {
    useShort = fShort > 0, use200 = f200 > 0, useLF = false;
  } else if (h->u32LFBeamValidCnt > 5) {
    useShort = false, use200 = false, useLF = fLF > 0;
  } else {
    useShort = fShort > 0, use200 = f200 > 0, useLF = fLF > 0;
  }
  if (useShort && fShort <= 6) return fShort;
  const bool deep = s.u32Water == WATER_SALT_DEEP;
  if (use200 && useLF) {
    if (deep) {
      const bool lf = s.fLowerRange > 350 || f200 > 150 || (fabsf(f200 - fLF) > f200 / 10 && fLF >= 150);
      return lf ? fLF : f200;
    }
    return (s.fLowerRange > 350 || f200 > 175) ? fLF : f200;
  }
  if (use200) return f200;
  if (useLF) return deep ? fLF : (fLF > 150 ? fLF : 0.0f);
  return 0.0f;
}

// The two-beam rule of the down-looking imaging transducers.
F32 fTwoBeam(F32 f200, bool use200, F32 f455, bool use455, bool withCounter) {
  if (withCounter) {
    if (f455 < 5 && !(use200 && f200 >= 5)) {
      if (s.u32TwoBeamCounter >= 6) {
        s.u32TwoBeamCounter = 0;
      } else {
        if (!use455 || f455 == 0) ++s.u32TwoBeamCounter;
        else s.u32TwoBeamCounter = 0;
        if (s.eSystemState != STATE_SIMULATION && s.eSystemState != STATE_POINT_OF_SALE) {
          use455 = true;
          use200 = false;
        }
      }
    } else {
      s.u32TwoBeamCounter = 0;
    }
    if (s.u32DigitalDepthSource == 1) use455 = false;
  }
  if (use200 && use455) {
    if (s.u32Water == WATER_SALT_DEEP) {
      return (fabsf(f200 - f455) < f200 / 10 || s.fLowerRange <= 350) ? f200 : f455;
    }
    return f455 < 30 ? f455 : f200;
  }
  if (use200) return f200;
  if (use455) return f455;
  return 0.0f;
}

F32 fSelectBestDepth(void) {
  F32 v200 = 0, vLF = 0, vShort = 0, v455 = 0;
  const bool has200 = bFetchValidFloat(FCID("IDE2"), &v200);
  const bool hasLF = bFetchValidFloat(FCID("IDE8"), &vLF);
  const bool hasShort = bFetchValidFloat(FCID("IDES"), &vShort);
  bool use200 = has200 && v200 > 0, useLF = hasLF && vLF > 0, useShort = hasShort && vShort > 0;
  const U8 sel = s.u8SelectedBeam;
  // A depth the selection makes usable is taken as fetched (0 without it).
  auto fetched = [](FOURCHARID key, F32* v) {
    if (!H_DATABASE_bFetchFloat(key, v)) *v = 0.0f;
  };
  if (sel == 4 || s.u32View == SONAR_DUAL_BEAM_VIEW_PRIORITY) {
    use200 = useLF = true;
    fetched(FCID("IDE2"), &v200);
    fetched(FCID("IDE8"), &vLF);
  } else if (sel == 0) {
    useLF = true;
    fetched(FCID("IDE8"), &vLF);
  } else if (sel == 1) {
    use200 = true;
    fetched(FCID("IDE2"), &v200);
  } else if (sel == 255) {
    fetched(FCID("IDES"), &vShort);
    return vShort;
  }
  if (u8CurrentTransducer() == 15) {
    const bool use455 = bFetchValidFloat(FCID("IDE4"), &v455) && v455 > 0;
    return fTwoBeam(v200, use200, v455, use455, true);
  }
  std::lock_guard<std::mutex> lock(s_depthHistoryLock);
  return fBestInMeters(&BeamDepthHistory, use200 ? v200 : 0.0f, useLF ? vLF : 0.0f, useShort ? vShort : 0.0f);
}

// ------------------------------------------------------------ filters and gain
U32 u32FilterSonarData(PING_DESCRIPTOR* d) {
  const U32 n = d->u32NumberOfSamples;
  const BEAM b = d->Beam;
  const U32 slot = u32Slot(b);
  const U32 N = u32Fetch(d->u8Transducer == 11 ? FCID("YSNU") : FCID("YSNF"), 0);
  const U32 z = u32Fetch(FCID("SSZC"), 0);
  U32 cut;
  if (N == 0) {
    s.afPreviousCutOff[slot] = 0;
    cut = z;
    s.bExpAveraging = FALSE;
    memcpy(s_u8TemporaryStore, d->pu8RawSonarData, n);
    memcpy(s_u8PreviousRawData[slot], d->pu8RawSonarData, n);
  } else {
    const U32 m = d->u8NoiseLevel, p = d->u8PeakNoiseLevel;
    const U32 spread = p > m ? p - m : 0;
    const U32 t = (U32)(m + N * 0.02 * spread);
    const S32 g = (S32)((F32)t - s.afPreviousCutOff[slot]);
    const S32 stepSize = std::min(g, 20);
    const F32 rate = g <= 0 ? 0.04f : spread > 20 ? 0.15f : N == 125 ? 0.9f : 0.6f;
    s.afPreviousCutOff[slot] += (F32)stepSize * rate;
    const F32 now = std::max(s.afPreviousCutOff[slot], 0.0f);
    cut = std::max((U32)now, z);
    if (b < 2) s.bExpAveraging = TRUE;
    S_FILTER_v2of2Filter(n, d->pu8RawSonarData, s_u8PreviousRawData[slot], s_u8TemporaryStore);
  }
  if (b < 2) {
    S_FILTER_vGetExponentialAverageData(n, b, s_u8TemporaryStore, s_u8ExpAveragedData, s.u32ExpFactor);
  } else if (b == BEAM_NONE) {
    S_FILTER_vGetExponentialAverageData(n, b, s_u8TemporaryStore, s_u8ExpAveragedData, 10);
  }
  return cut;
}

void vGain(PING_DESCRIPTOR* d, U32 level) {
  const BEAM b = d->Beam;
  const U8 t = d->u8Transducer;
  const bool down = bDownImaging(t);
  const bool suppress = down ? b != 3 : !(b == 2 || b == 3);
  const WATER_TYPE water = (WATER_TYPE)s.u32Water;
  const U8* in1 = ((s.bExpAveraging && b < 2) || b == BEAM_NONE) ? s_u8ExpAveragedData : s_u8TemporaryStore;
  if (down && b == 3) in1 = s_u8TemporaryStore;
  S_TVG_TvgRawSonar(d, in1, d->pu8TvgdData, level, suppress, water, 0);
  if (((b == 2 || b == 3) && bSideImaging(t)) || (b == 3 && down)) return;
  U32 scale = 0;
  if (!s.bTvgView && b != BEAM_NONE) scale = b == 0 ? 308 : (b == 1 || b == 2) ? 1 : 0;
  U32& counter = s.au32DisplayCounter[u32Slot(b)];
  if (s.fCurrentDepth > 50.0f) counter = std::min<U32>(counter + 1, 13);
  else if (counter > 5) --counter;
  else counter = 0;
  const U8* in2;
  if (s.bExpAveraging && b < 2) in2 = counter > 5 ? s_u8ExpAveragedData : s_u8TemporaryStore;
  else in2 = b == BEAM_NONE ? s_u8ExpAveragedData : s_u8TemporaryStore;
  S_TVG_TvgRawSonar(d, in2, s_u8TmpTvgData, level, suppress, water, scale);
}

void vKeelOffset(PING_DESCRIPTOR* d, U32 c) {
  F32 o = 0.0f;
  if (!H_DATABASE_bFetchFloat(FCID("YDPO"), &o)) return;
  d->fDepthOffsetFeet = o > 0 ? (F32)(o * 3.2808333290409095) : 0.0f;
  const U32 T = d->u32SamplePeriodMicroSeconds;
  if (T == 0 || !(fabsf(o) > 0.03f)) return;
  const double us = fabs((double)o) * 2000000.0 / c;
  const U32 n = (U32)(std::min(us, 4e9) + T / 2) / T;
  U8* bufs[3] = {d->pu8RawSonarData, d->pu8TvgdData, s_u8TmpTvgData};
  U32& count = d->u32NumberOfSamples;
  if (o > 0) {
    if (n > PING_MAX_SAMPLES - 1) {
      for (U8* p : bufs) memset(p, 0, PING_MAX_SAMPLES);
      count = PING_MAX_SAMPLES;
    } else {
      const U32 moved = std::min(count, PING_MAX_SAMPLES - n);
      for (U8* p : bufs) {
        memmove(p + n, p, moved);
        memset(p, 0, n);
      }
      count = std::min(count + n, PING_MAX_SAMPLES);
    }
  } else {
    if (n > PING_MAX_SAMPLES - 1) {
      for (U8* p : bufs) memset(p, 0, PING_MAX_SAMPLES);
      count = 0;
    } else if (n >= count) {
      for (U8* p : bufs) memset(p, 0, count);
      count = 0;
    } else {
      for (U8* p : bufs) {
        memmove(p, p + n, count - n);
        memset(p + count - n, 0, n);
      }
      count -= n;
    }
  }
  if (d->bSimulated) {
    FISH_TARGET_LIST& f = d->SimulatedFishList;
    for (U32 i = 0; i < std::min<U32>(f.u8NumberOfTargets, FISH_MAX_TARGETS); ++i) {
      U32& at = f.target[i].u32DepthInSamples;
      at = o > 0 ? at + n : (at > n ? at - n : 0);
    }
  }
}

// ------------------------------------------------------------ depth
void vPingPeriod(void) {
  const U32 now = H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
  if (!s.bPeriodStarted) {
    s.bPeriodStarted = TRUE;
    s.u32LastPeriodStamp = now;
    return;
  }
  const U32 period = now - s.u32LastPeriodStamp;
  s.u32LastPeriodStamp = now;
  s.u32PeriodSum = s.u32PeriodSum - s.au32Periods[s.u32PeriodIndex] + period;
  s.au32Periods[s.u32PeriodIndex] = period;
  U32 average = s.u32PeriodSum >> 6;
  if (period > (3 * average) / 2 || period < s.u32PeriodSum / 128) {
    for (U32& p : s.au32Periods) p = period;
    s.u32PeriodSum = 64 * period;
    average = period;
  }
  H_DATABASE_bUpdateEverythingU32(FCID("CSPT"), average, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  s.u32PeriodIndex = (s.u32PeriodIndex + 1) & 63;
}

void vDepth(PING_DESCRIPTOR* d, U32 c) {
  const BEAM b = d->Beam;
  const U8 t = d->u8Transducer;
  FOURCHARID key = FCID("IDE8");
  if (b == 1) key = FCID("IDE2");
  else if (t == 15) key = FCID("IDE4");
  else if (b == BEAM_NONE) key = FCID("IDES");
  bool searched = b <= 1;
  if (b == 2 || b == 3) {
    searched = bDownImaging(t) && s.u32DigitalDepthSource == 0 && (b != 2 || s.SideViewFrequency == SSF5);
  }
  if (!searched) {
    d->fDepthMetres = fSelectBestDepth();
    return;
  }
  F32 o = 0.0f;
  (void)H_DATABASE_bFetchFloat(FCID("YDPO"), &o);
  F32 depth;
  if (d->bSimulated) {
    depth = o + d->fDepthMetres;
  } else {
    const U32 T = d->u32SamplePeriodMicroSeconds;
    const double span = (double)d->u32NumberOfSamples * T;
    double start;
    if (s.u32Water == WATER_SALT_DEEP && b != BEAM_NONE) {
      if (s.fLowerRange > 0) start = 2000000.0 * std::min(0.05 * s.fLowerRange, 22.0) / c;
      else start = (121920000.0 / c < span) ? 6096000.0 / c : 1219200.0 / c;
    } else {
      F32 sssd = 0.3048f;
      (void)H_DATABASE_bFetchFloat(FCID("SSSD"), &sssd);
      start = 2000000.0 * std::max(sssd, 0.0f) / c;
    }
    const U32 us = S_DEPTH_u32FindDepthWith(d, (U32)std::min(start, 4e9), c, s.fLowerRange);
    depth = (F32)(c * 5e-7 * us);
  }
  if (s.eSystemState == STATE_PLAYBACK && s.bReverseScroll) {
    for (F32& v : s.afReverseDepth) v = 0.0f;
    if (b < 2 && depth > 0) s.afReverseDepth[b] = depth;
    d->fDepthMetres = T_N_PROCESS_fSelectBestDepthInMeters(s.afReverseDepth[1], s.afReverseDepth[0], -1.0f);
    return;
  }
  if (s.SideViewFrequency == SSF5 && ((b == 2 && depth <= 5) || (b == 3 && depth > 6))) {
    d->fDepthMetres = 0.0f;
    return;
  }
  H_DATABASE_bUpdateEverythingFloat(key, depth, P_NORMAL, D_DEPTH, nullptr, 2);
  d->fDepthMetres = fSelectBestDepth();
  T_N_PROCESS_vUpdateDepthInDatabase(d->fDepthMetres);
}

void vFish(PING_DESCRIPTOR* d, FISH_TARGET_LIST* fish) {
  memset(fish, 0, sizeof *fish);
  if (d->bSimulated) {
    *fish = d->SimulatedFishList;
    return;
  }
  const BEAM b = d->Beam;
  const U8 t = d->u8Transducer;
  if (((b == 2 || b == 3) && bSideImaging(t)) || (b == 3 && bDownImaging(t)) || b > 3) return;
  U32 cut;
  if (b == 1) cut = s.au32FishCutOff[2];
  else if (b == 2 || b == 3) cut = s.au32FishCutOff[3];
  else cut = d->u32TransmitFrequencyHertz == 50000 ? s.au32FishCutOff[1] : s.au32FishCutOff[0];
  if (d->u8PeakNoiseLevel >= cut) return;
  S_FISHID_vScanForFish(fish, d, (WATER_TYPE)s.u32Water, s.u32FishSensitivity);
}

// ------------------------------------------------------------ one ping
void vProcessPing(PING_DESCRIPTOR* d) {
  if (d->Beam < 4) s_au32PingsOfBeam[d->Beam].fetch_add(1);
  if (++s_u32Pings % 200 == 1) {
    log_me("process: ping %u beam %u, %u samples, %u Hz", s_u32Pings, d->Beam, d->u32NumberOfSamples,
           d->u32TransmitFrequencyHertz);
  }
  if (!s.bSonarEnabled && d->bIsLocal) {
    U_PING_vReturnDescriptor(d);
    return;
  }
  if (s.bRecording) T_MMC_vSaveRawDataToMMC(d);
  if (s.bPrepareForPlayback && d->u32PingIndex != 0) {
    T_N_HISTORY_vPrepareForPlayback();
    s.bPrepareForPlayback = FALSE;
  }
  d->u32NumberOfSamples = std::min(d->u32NumberOfSamples, PING_MAX_SAMPLES);
  if (d->u32SamplePeriodMicroSeconds == 0) d->u32SamplePeriodMicroSeconds = SONAR_SAMPLE_PERIOD_US;
  // One speed of sound for the whole ping, however the water type changes.
  U32 c = g_u32SpeedOfSoundInWater.load();
  if (c == 0) c = SONAR_SPEED_OF_SOUND_FRESH;
  const BEAM b = d->Beam;
  if (d->u8TransmitCycles != 0) {
    const U32 level = u32Fetch(FCID("SSCL"), 5);
    const U32 cut = u32FilterSonarData(d);
    vGain(d, level);
    vKeelOffset(d, c);
    if (cut != 0) {
      S_FILTER_vNoiseRemoval(d->u32NumberOfSamples, d->pu8RawSonarData, s_u8TmpTvgData, s_u8TmpTvgData,
                             std::min<U32>(cut, 255));
    }
    vDepth(d, c);
    if (b == 1) vPingPeriod();
    FISH_TARGET_LIST fish;
    vFish(d, &fish);
    S_ACCUM_vFold(d, s_u8TmpTvgData, c, &fish);
    U32 rts = 0;
    if (H_DATABASE_bFetchU32(FCID("CSRB"), &rts) && rts == b) L_SEMA_Signal(SEMA_RTS);
  }
  if (b < 2) s.Last2DBeam = b;
  const U8 transducer = d->u8Transducer;
  U_PING_vReturnDescriptor(d);
  if (s.u32RefillPings > 0) {
    --s.u32RefillPings;
    return;
  }
  const ACCUM_PACING pacing = Pacing(transducer);
  if ((bCheckAddColumns(b, &pacing) || s.eSystemState == STATE_PLAYBACK) &&
      (!(b == 2 || b == 3) || !s.bJigging || u32Fetch(FCID("YST3"), 0) == 0 || s.Last2DBeam == 1)) {
    vAddNewColumns(b, &pacing);
  }
}

// ------------------------------------------------------------ keys
void vSelectDepthBeam(U32 v) {
  if (v == 3 || v > 4) v = 4;
  const U32 beams =
      S_TRANSDUCER_u32GetBeamsForTransducerAndSource((U8)u32Fetch(FCID("YST1"), 0), SONAR_SOURCE_2D) &
      s.u32SupportedBeams;
  if ((!(beams & 6) && (v == 4 || v == 0)) || (!(beams & 8) && v == 2)) v = 1;
  s.u8SelectedBeam = (U8)v;
  if (v == 0) {
    std::lock_guard<std::mutex> lock(s_depthHistoryLock);
    BeamDepthHistory.u32HFBeamValidCnt = 0;
    BeamDepthHistory.u32LFBeamValidCnt = 6;
  }
}

void vRecording(BOOLEAN on) {
  if (on) {
    if (T_MMC_bOpenSonarMMCFiles()) {
      s.bRecording = TRUE;
    } else {
      U_SOUND_vPlaySound(TONE_USE_CUSTOM, &action_failed_sound, 0, 1);
      H_DATABASE_bUpdateValueBoolean(FCID("CSRE"), FALSE, P_NORMAL);
      T_MMC_vDrawErrorMessage();
    }
  } else if (s.bRecording) {
    T_MMC_vCloseSonarMMCFiles(FALSE);
    s.bRecording = FALSE;
  }
}

void vNewData(const MESSAGE_NEW_DATA* m) {
  const FOURCHARID k = m->FourCharId;
  // The notice is packed: its value is copied out, not referenced.
  DB_DATA_TYPE v;
  memcpy(&v, &m->dbValue, sizeof v);
  if (k == FCID("SSN2")) s.au32FishCutOff[2] = (U8)v.u32Val;
  else if (k == FCID("SSN4")) s.au32FishCutOff[3] = (U8)v.u32Val;
  else if (k == FCID("SSN5")) s.au32FishCutOff[1] = (U8)v.u32Val;
  else if (k == FCID("SSN8")) s.au32FishCutOff[0] = (U8)v.u32Val;
  else if (k == FCID("YSDA")) s.fDepthAlarm = m->bValid ? v.fVal : 0.0f;
  else if (k == FCID("CRDA")) s.fRemoteDepthAlarm = m->bValid ? v.fVal : 0.0f;
  else if (k == FCID("IDER")) {
    // A reading that went invalid (timed out) is no depth.
    if (m->bValid) {
      S_DEPTHALARM_vCompareNewDepthAgainstAlarmSetPoint(DEPTH_SOURCE_REMOTE_DEPTH, v.fVal, s.fRemoteDepthAlarm);
    }
  } else if (k == FCID("YSWA")) s.u32Water = v.u32Val;
  else if (k == FCID("YSLD")) s.fLowerRange = v.fVal;
  else if (k == FCID("CSRE")) vRecording(v.u32Val != 0);
  else if (k == FCID("SEAF")) s.u32ExpFactor = v.u32Val;
  else if (k == FCID("SEAS")) {
    const BOOLEAN on = v.u32Val != 0;
    if (on && !s.bExpAveraging) S_FILTER_vInitExponentialAverageData();
    s.bExpAveraging = on;
  } else if (k == FCID("YSSF")) {
    const FOURCHARID code = v.u32Val;
    if ((code == SSF3 && !(s.u32SupportedBeams & 0x1000)) || (code == SSF5 && !(s.u32SupportedBeams & 0x800))) {
      log_me("[%d]%s: frequency %08X refused", __LINE__, __FILE__, code);
    } else {
      s.SideViewFrequency = code;
      log_me("process: side-view frequency %08X", code);
    }
  } else if (k == FCID("YJIG")) {
    s.bJigging = v.u32Val != 0;
    log_me("[%d]%s: s_bJiggingModeOn = %d\n", __LINE__, __FILE__, s.bJigging);
  } else if (k == FCID("YTVG")) s.bTvgView = v.u32Val != 0;
  else if (k == FCID("ENPM")) s.u32NetworkElements = v.u32Val;
  else if (k == FCID("ISEN")) {
    s.bSonarEnabled = v.u32Val != 0;
    if (!s.bSonarEnabled) H_DATABASE_vDeleteEntry(FCID("IDEP"));
  } else if (k == FCID("SDDS")) s.u32DigitalDepthSource = v.u32Val;
  else if (k == FCID("YSFS")) s.u32FishSensitivity = v.u32Val;
  else if (k == FCID("CCST")) {
    const SYSTEM_STATE was = s.eSystemState;
    s.eSystemState = (SYSTEM_STATE)v.s32Val;
    if (s.eSystemState == STATE_PLAYBACK && was != STATE_PLAYBACK) s.bPrepareForPlayback = TRUE;
  } else if (k == FCID("YSSV")) vSelectDepthBeam(v.u32Val);
  else if (k == FCID("CVEW")) s.u32View = v.u32Val;
}

void vNewPlaybackState(U32 mode) {
  if (mode == s.u32PlaybackMode) return;
  if (s.eSystemState == STATE_PLAYBACK) {
    const BOOLEAN was = s.bReverseScroll;
    s.bReverseScroll = T_N_HISTORY_bReverseScrollForMode(mode, s.bReverseScroll);
    if (s.u32PlaybackMode == 12) {
      T_N_HISTORY_vSetReverseScroll(s.bReverseScroll, FALSE);
    } else if (s.bReverseScroll != was) {
      if (mode == 12) {
        T_N_HISTORY_vSetReverseScroll(s.bReverseScroll, TRUE);
      } else {
        U32 stamps[4] = {};
        T_N_HISTORY_vLookupColumnPingTimeStamps(s.bReverseScroll, stamps);
        T_MMC_vSeekPingsInPlaybackFile(stamps);
        T_N_HISTORY_vSetReverseScroll(s.bReverseScroll, FALSE);
      }
      s.u32RefillPings = REFILL_PINGS;
    }
  } else if (s.bReverseScroll) {
    s.bReverseScroll = FALSE;
    T_N_HISTORY_vSetReverseScroll(FALSE, FALSE);
  }
  s.u32PlaybackMode = mode;
}

// The key table, written at start (P_DEFAULT_SETTING) and on a reset
// (P_NORMAL).
void vWriteKeys(bool start) {
  const U32 pr = start ? P_DEFAULT_SETTING : P_NORMAL;
  auto reg = [](FOURCHARID k) { H_DATABASE_bRegisterForDataWithConditions(k, M_PROCESS, TRUE, FALSE, FALSE); };
  auto f = [&](FOURCHARID k, F32 v, DB_TEXT_RECORD txt, bool r) {
    H_DATABASE_bUpdateEverythingFloat(k, v, pr, D_DEPTH, txt, DB_NO_TIMEOUT);
    if (r && start) reg(k);
  };
  auto u = [&](FOURCHARID k, U32 v, DB_TEXT_RECORD txt, bool r, U32 p) {
    H_DATABASE_bUpdateEverythingU32(k, v, p, D_UNKNOWN, txt, DB_NO_TIMEOUT);
    if (r && start) reg(k);
  };
  f(FCID("SSDA"), 0, Depth_Alarm, false);
  f(FCID("YSDA"), 0, Depth_Alarm, true);
  f(FCID("CRDA"), 0, Remote_Depth_Alarm, true);
  if (start) reg(FCID("IDER"));
  u(FCID("SSCL"), 5, nullptr, false, pr);
  U32 state = 0;
  if (H_DATABASE_bFetchU32(FCID("CCST"), &state)) s.eSystemState = (SYSTEM_STATE)state;
  for (FOURCHARID k : {FCID("SSNF"), FCID("YSNF")}) u(k, 25, nullptr, false, pr);
  for (FOURCHARID k : {FCID("SSNU"), FCID("YSNU")}) u(k, 75, nullptr, false, pr);
  for (FOURCHARID k : {FCID("SDPO"), FCID("YDPO")}) f(k, 0, Depth_Offset, false);
  u(FCID("SSZC"), 0, nullptr, false, pr);
  u(FCID("SSWA"), WATER_FRESH, Water_Type, false, pr);
  u(FCID("YSWA"), WATER_FRESH, Water_Type, true, pr);
  u(FCID("SDBW"), 2, Nadscan_Beam_Width, true, pr);
  u(FCID("SSFS"), 5, Fish_ID_Sensitivity, false, pr);
  u(FCID("YSFS"), 5, Fish_ID_Sensitivity, true, pr);
  u(FCID("SSN8"), 100, nullptr, true, pr);
  u(FCID("SSN5"), 80, nullptr, true, pr);
  u(FCID("SSN2"), 160, nullptr, true, pr);
  u(FCID("SSN4"), 255, nullptr, true, pr);
  u(FCID("CSRB"), 255, nullptr, false, start ? P_UNOWNED : pr);
  H_DATABASE_bUpdateEverythingU32(FCID("BDEP"), FCID("IDEP"), P_NORMAL, D_FCID, Depth, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingS32(FCID("SSDB"), 1637, pr, D_SIGNED32, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingFloat(FCID("SSSD"), (F32)dConvertToInternal(1.0, D_DEPTH, U_FEET), pr, D_DEPTH,
                                    nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingS32(FCID("SSMB"), 3, pr, D_SIGNED32, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingU32(FCID("TSNR"), M_PROCESS, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  if (start) reg(FCID("ISEN"));
  const BOOLEAN tvg = (s.eSystemState == STATE_SIMULATION || s.eSystemState == STATE_POINT_OF_SALE) ? FALSE : TRUE;
  for (FOURCHARID k : {FCID("STVG"), FCID("YTVG")}) {
    H_DATABASE_bUpdateEverythingBoolean(k, tvg, pr, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  }
  if (start) reg(FCID("YTVG"));
  H_DATABASE_bUpdateEverythingBoolean(FCID("SEAS"), TRUE, pr, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  if (start) reg(FCID("SEAS"));
  u(FCID("SEAF"), 3, nullptr, true, pr);
  S_FILTER_vInitExponentialAverageData();
  H_DATABASE_bUpdateEverythingBoolean(FCID("SJIG"), FALSE, pr, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  if (start) reg(FCID("SJIG"));
  BOOLEAN jig = FALSE;
  if (H_DATABASE_bFetchBoolean(FCID("SJIG"), &jig)) s.bJigging = jig;
  u(FCID("SDDS"), 0, nullptr, true, pr);
  s.u32DigitalDepthSource = u32Fetch(FCID("SDDS"), 0);
}

void vStart(void) {
  s.u32PlaybackMode = u32Fetch(FCID("CPSP"), 0);
  for (FOURCHARID k : {FCID("CSRE"), FCID("CCST")}) {
    H_DATABASE_bRegisterForDataWithConditions(k, M_PROCESS, TRUE, FALSE, FALSE);
  }
  vWriteKeys(true);
  for (FOURCHARID k : {FCID("SITM"), FCID("YJIG"), FCID("YSSV"), FCID("YSSF"), FCID("YSLD"), FCID("CVEW"),
                       FCID("ENPM")}) {
    H_DATABASE_bRegisterForDataWithConditions(k, M_PROCESS, TRUE, FALSE, FALSE);
  }
  S_ACCUM_vInit();
  U_SOUND_vRegisterSound(&action_failed_sound, FALSE);
  S_DEPTHALARM_vInitDepthAlarms();
  s.u32SupportedBeams = S_TRANSDUCER_u32GetBeamsSupportedByModel();
  {
    std::lock_guard<std::mutex> lock(s_depthHistoryLock);
    BeamDepthHistory = {1, 0, 0, 0, 0, 0, 0, 0};
  }
}

// Shutdown: the recording ends; pending pings go back to the pool.
void vShutdown(void) {
  if (s.bRecording) T_MMC_vCloseSonarMMCFiles(FALSE);
  s.bRecording = FALSE;
  while (void* p = L_MBOX_Receive(M_PROCESS)) {
    const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)p;
    if (g->Cmd == CMD_ID_SONAR_PROCESS_PING) U_PING_vReturnDescriptor(((const PING_MESSAGE*)p)->pReturnDescriptor);
    H_MEMORY_vDumpMail(p);
  }
}

}  // namespace

void T_N_PROCESS_vTask(void) {
  vStart();
  log_me("process: waiting for the history");
  L_SEMA_Wait(SEMA_TNHIST_WAIT);
  log_me("process: running");
  H_DATABASE_vSendMailboxAllRegisteredItems(M_PROCESS);
  for (;;) {
    void* p = L_MBOX_ReceiveWait(M_PROCESS);
    if (p == nullptr) continue;
    const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)p;
    switch (g->Cmd) {
      case CMD_ID_SHUTDOWN:
        H_MEMORY_vDumpMail(p);
        vShutdown();
        return;
      case CMD_ID_NEW_DATA:
        vNewData((const MESSAGE_NEW_DATA*)p);
        break;
      case CMD_ID_RESET_POS:
        vWriteKeys(false);
        break;
      case CMD_ID_SONAR_PROCESS_PING: {
        PING_DESCRIPTOR* d = ((const PING_MESSAGE*)p)->pReturnDescriptor;
        if (d != nullptr) vProcessPing(d);
        break;
      }
      case CMD_ID_BLANK_SCROLL_PING: {
        const MSG_BLANK_SCROLL_PING* m = (const MSG_BLANK_SCROLL_PING*)p;
        const ACCUM_PACING pacing = Pacing(u8CurrentTransducer());
        S_ACCUM_vBlankScroll(m->Beam, &pacing);
        break;
      }
      case CMD_ID_NEW_PLAYBACK_STATE:
        vNewPlaybackState(((const MSG_NEW_PLAYBACK_STATE*)p)->u32NewPlaybackState);
        break;
      default:
        break;
    }
    H_MEMORY_vDumpMail(p);
  }
}

U32 T_N_PROCESS_u32SelectBestDepthInSamples(U32 s200, U32 sLF) {
  U32 c = g_u32SpeedOfSoundInWater.load();
  if (c == 0) c = SONAR_SPEED_OF_SOUND_FRESH;
  const F32 f200 = (F32)(s200 * 26.0 * c * 5e-7), fLF = (F32)(sLF * 26.0 * c * 5e-7);
  F32 depth;
  const U8 t = u8CurrentTransducer();
  if (bDownImaging(t)) {
    depth = fTwoBeam(f200, f200 > 0, fLF, fLF > 0, false);
  } else {
    // On a copy: the live counters are the processing task's alone.
    BEAM_DEPTH_HISTORY copy;
    {
      std::lock_guard<std::mutex> lock(s_depthHistoryLock);
      copy = BeamDepthHistory;
    }
    depth = fBestInMeters(&copy, f200, fLF, 0.0f);
  }
  if (!(depth > 0)) return 0;
  return ((U32)(depth * 2000000.0 / c) + 13) / 26;
}

F32 T_N_PROCESS_fSelectBestDepthInMeters(F32 f200, F32 fLF, F32 fShort) {
  std::lock_guard<std::mutex> lock(s_depthHistoryLock);
  return fBestInMeters(&BeamDepthHistory, f200, fLF, fShort);
}

F32 T_N_PROCESS_fSelectBestDepthInMetersDIModels(F32 f200, F32 f455) {
  return fTwoBeam(f200, f200 > 0, f455, f455 > 0, false);
}

void T_N_PROCESS_vUpdateDepthInDatabase(F32 fMetres) {
  U32 stamp = s_u32PublishStamp.load();
  if (s_bPublishedOnce.load() && L_TIMER_GetElapsed(&stamp) <= PUBLISH_GAP_MS) return;
  const bool playback = s.eSystemState == STATE_PLAYBACK;
  if (!playback) {
    s_u32PublishStamp.store(H_TICK_u32ReadFreeRunningTimerInSystemTicks());
    s_bPublishedOnce.store(true);
  }
  const F32 v = (F32)dConvertToInternal(fMetres, D_DEPTH, U_METRES);
  if (!(v > 0)) return;
  H_DATABASE_bUpdateEverythingFloat(FCID("IDEP"), v, P_NORMAL, D_DEPTH, Depth, playback ? DB_NO_TIMEOUT : 6);
  if (playback) {
    s_u32PublishStamp.store(H_TICK_u32ReadFreeRunningTimerInSystemTicks());
    s_bPublishedOnce.store(true);
  }
  s.fCurrentDepth = fMetres;
  static U32 s_u32TraceStamp = 0;
  U32 traced = s_u32TraceStamp;
  if (L_TIMER_GetElapsed(&traced) >= 1000) {
    s_u32TraceStamp = traced;
    log_me("process: depth %.2f m", fMetres);
  }
  S_DEPTHALARM_vCompareNewDepthAgainstAlarmSetPoint(DEPTH_SOURCE_LOCAL_DEPTH, v, s.fDepthAlarm);
}

void T_N_PROCESS_vProcessPing(PING_DESCRIPTOR* pPing) {
  if (pPing != nullptr) vProcessPing(pPing);
}

U32 T_N_PROCESS_u32PingsOfBeam(BEAM Beam) { return Beam < 4 ? s_au32PingsOfBeam[Beam].load() : 0; }

BEAM_DEPTH_HISTORY T_N_PROCESS_sBeamDepthHistory(void) {
  std::lock_guard<std::mutex> lock(s_depthHistoryLock);
  return BeamDepthHistory;
}

void T_N_PROCESS_vResetState(void) {
  s = STATE{};
  std::lock_guard<std::mutex> lock(s_depthHistoryLock);
  BeamDepthHistory = {1, 0, 0, 0, 0, 0, 0, 0};
  s_bPublishedOnce.store(false);
}

void T_N_PROCESS_vSetDepthChoice(U32 u32WaterType, F32 fLowerRange, U8 u8SelectedBeam, U32 u32View) {
  s.u32Water = u32WaterType;
  s.fLowerRange = fLowerRange;
  s.u8SelectedBeam = u8SelectedBeam;
  s.u32View = u32View;
}

// The ping task, its ping cycles and the router.
#include "source/sonar/t_ping.h"

#include <string.h>
#include <time.h>

#include <math.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "common/cmd_id.h"
#include "lsvc/lsvc_upcalls.h"
#include "source/core/h_database.h"
#include "source/core/h_hwstubs.h"
#include "source/sonar/h_coproc.h"
#include "source/sonar/s_coproc.h"
#include "source/sonar/s_demultiplex.h"
#include "source/sonar/s_synthsim.h"
#include "source/sonar/s_transducer.h"
#include "source/sonar/s_txcycles.h"
#include "source/sonar/sonar_upcalls.h"
#include "source/sonar/t_ping_int.h"
#include "source/sonar/t_ping_share.h"
#include "source/startup/t_mmc_record.h"
#include "source/startup/t_startup.h"

// ------------------------------------------------------------ task state
BOOLEAN s_bSystemPinging = FALSE;
BOOLEAN s_bBurnInMode = FALSE;
U64 s_TimeStampOfLastPing = 0;

namespace {

BOOLEAN s_bSimulateCoprocessor = FALSE;
BOOLEAN s_bZeroAllPingDataBeforeSending = FALSE;
BOOLEAN s_bLastPingWasNull = TRUE;

constexpr U8 BB_TX_POWER = 236;
constexpr F32 MIN_DEPTH = 2.1336f;
constexpr U32 FAILED_TRANSFER_PAUSE_MS = 100;

U32 u32Fetch(FOURCHARID key, U32 def) {
  U32 v = def;
  return H_DATABASE_bFetchU32(key, &v) ? v : def;
}
BOOLEAN bFetchFloat(FOURCHARID key, F32* v) {
  BOOLEAN valid = FALSE;
  return H_DATABASE_bFetchFloat(key, v, &valid) && valid;
}

void vSleepMs(U32 ms) { L_CLOCK_Sleep(ms); }

// ------------------------------------------------------------ depth search
U32 s_u32InvalidDepthCount = 0;
U16 s_u16DepthSearchThrottle = 0;
U32 s_u32ListenIndex = 0;
constexpr F32 fNewPingDepth[16] = {1.294f, 1.345f, 1.385f, 1.228f, 1.263f, 1.338f, 1.322f, 1.279f,
                                   1.326f, 1.307f, 1.221f, 1.245f, 1.398f, 1.251f, 1.273f, 1.306f};

// ------------------------------------------------------------ the 2D cycle's previous inputs
struct PREVIOUS_2D {
  BEAM beam;
  U32 power, cycles;
  F32 depthToPing;
  U8 bw0, bw1;
  BOOLEAN simulate, burnIn;
  U32 view, csf2, csfl, transducer, elpm, ecpm;
  bool operator==(const PREVIOUS_2D&) const = default;
};
PREVIOUS_2D s_prev2D{};
bool s_bPrevious2DValid = false;

}  // namespace

BOOLEAN bShouldSystemPing(void) {
  BOOLEAN networked = FALSE;
  const BOOLEAN haveSfef = H_DATABASE_bFetchBoolean(FCID("SFEF"), &networked);
  const SYSTEM_STATE state = U_PING_eGetSystemState();
  if (state == STATE_PLAYBACK) {
    return !((s_u32PlaybackMode >= 2 && s_u32PlaybackMode <= 10) ||
             (s_u32PlaybackMode >= 13 && s_u32PlaybackMode <= 16));
  }
  if (state == STATE_SIMULATION || state == STATE_POINT_OF_SALE) return TRUE;
  if (haveSfef && networked && !T_STARTUP_bIsSonarTransducerDetected()) return FALSE;
  return state != 0 && state != STATE_PC_CONNECT;
}

namespace {
void vSetSimulate(BOOLEAN b) {
  s_bSimulateCoprocessor = b;
  H_COPROC_vSimulate(b);
}

}  // namespace

void vUpdateSystemState(SYSTEM_STATE state) {
  if (state == U_PING_eGetSystemState()) return;
  if (U_PING_eGetSystemState() == STATE_PLAYBACK) {
    (void)MMC_RECORD_bOpenPlaybackFile(FALSE, nullptr);
    if (state == STATE_NORMAL_RUN) T_MMC_vCleanupDatabaseAfterPlayback();
  }
  switch (state) {
    case STATE_SIMULATION:
    case STATE_POINT_OF_SALE:
      vSetSimulate(TRUE);
      U_PING_vSetPlayback(FALSE);
      s_bNeedSeekPing = FALSE;
      s_bPingReverseScroll = FALSE;
      T_N_PING_vSetSonarViewEnable();
      H_DATABASE_bUpdateEverything(FCID("IDE2"), DB_dataFloat(0.0f), P_NORMAL, D_DEPTH, nullptr, DB_NO_TIMEOUT);
      H_DATABASE_bUpdateEverything(FCID("IDE8"), DB_dataFloat(0.0f), P_NORMAL, D_DEPTH, nullptr, DB_NO_TIMEOUT);
      break;
    case STATE_PLAYBACK:
      vSetSimulate(FALSE);
      U_PING_vSetPlayback(TRUE);
      s_bNeedSeekPing = FALSE;
      s_bPingReverseScroll = FALSE;
      T_N_PING_vSetSonarViewEnable();
      T_N_PING_vResetPlayback();
      break;
    default:
      vSetSimulate(FALSE);
      U_PING_vSetPlayback(FALSE);
      s_bNeedSeekPing = FALSE;
      s_bPingReverseScroll = FALSE;
      T_N_PING_vSetSonarViewEnable();
      T_N_HISTORY_vEnableShortTransmit(TRUE);
      break;
  }
  U_PING_vSetSystemState(state);
}

namespace {

// ------------------------------------------------------------ transfers
U8* pu8Block(void) { return H_COPROC_pu8DataBlock(); }

BOOLEAN bSend(U8* block) {
  return H_COPROC_u32Transfer(block, MULTI_TX_BYTES, SEND_TO_COPROC) != COPROC_TRANSFER_FAILED;
}
U32 u32Receive(U8* block) {
  return block == nullptr ? COPROC_TRANSFER_FAILED
                          : H_COPROC_u32Transfer(block, COPROC_RECEIVE_BLOCK_BYTES, RECEIVE_FROM_COPROC);
}

}  // namespace

// ------------------------------------------------------------ null ping
void vPerformNullPing(void) {
  PING_DESCRIPTOR* d = U_PING_pTakeDescriptor();
  U8* block = pu8Block();
  U32 got = COPROC_TRANSFER_FAILED;
  if (block != nullptr) {
    const U16 s0 = (U16)(block[23] | block[24] << 8);
    const U16 s1 = (U16)(block[54] | block[55] << 8);
    if (s0 != 0 || s1 != 0) {
      memset(block, 0, MULTI_TX_BYTES);
      TX_SEQUENCE s;
      memset(&s, 0, sizeof s);
      for (auto& p : s.TxPulse) vSetTxPulse(&p, 0, 0, TXMODE_NONE, 0, TRUE);
      for (U8 i = 0; i < MULTI_TX_SEQUENCES; ++i) S_COPROC_vPutSequence(block, i, &s);
      S_COPROC_vSetNumberOfSequences(block, 2);
      (void)bSend(block);
    }
    got = u32Receive(block);
  }
  s_bLastPingWasNull = TRUE;
  U_PING_vReturnDescriptor(d);
  // Without a device a null ping would spin: pause before the next one.
  if (got == COPROC_TRANSFER_FAILED) vSleepMs(FAILED_TRANSFER_PAUSE_MS);
}

namespace {

// ------------------------------------------------------------ 2D cycle
U8 u8FetchBandwidth(U32 beam) {
  if (beam >= 4) return 3;
  if (beam == 0) {
    const U32 w = u32Fetch(FCID("SSW1"), 0);
    if (w != 0) return (U8)w;
    if (u32Fetch(FCID("CSFL"), 0) > 60) return 1;
    F32 csld = 0;
    if (!bFetchFloat(FCID("CSLD"), &csld) || T_N_PING_bAutoDepthRange(csld, s_unitsDepth)) return 3;
    return csld > 350.0f ? 2 : 3;
  }
  if (beam == 1) {
    const U32 w = u32Fetch(FCID("SSW2"), 0);
    return w != 0 ? (U8)w : (s_bPingTvgView ? 3 : 1);
  }
  const U32 w = u32Fetch(FCID("SSW3"), 0);
  if (w != 0) return (U8)w;
  const U32 t = s_db_TransducerSelect;
  return (t == 5 || t == 9 || t == 10 || t == 16) ? 2 : 3;
}

void vStampLocation(PING_DESCRIPTOR* d) {
  S32 lat = 0, lon = 0;
  BOOLEAN vlat = FALSE, vlon = FALSE;
  const BOOLEAN hlat = H_DATABASE_bFetchS32(FCID("ILAT"), &lat, &vlat);
  const BOOLEAN hlon = H_DATABASE_bFetchS32(FCID("ILON"), &lon, &vlon);
  d->Location.bPositionValid = (hlat && hlon && vlat && vlon) ? TRUE : FALSE;
  d->Location.s32LongitudeMM = lon;
  d->Location.s32LatitudeMM = lat;
  d->u32TimeStampMilliSeconds = (U32)L_CLOCK_qwGetTimeInMillis();
}

// The first pulse of frequency f among the sequence's three (null when none).
const TX_PULSE* pPulseOf(const TX_SEQUENCE& s, U32 f, int first, int last) {
  for (int i = first; i <= last; ++i) {
    if (s.TxPulse[i].u16TxFreq != 0 && s.TxPulse[i].u16TxFreq == f) return &s.TxPulse[i];
  }
  return nullptr;
}

// Fills a descriptor from one channel of the receive block; the count is
// the echoed one, capped by the buffer and by what was read.
void vFillChannel(PING_DESCRIPTOR* d, const TX_PULSE* pulse, const U8* block, U32 got, U8 channel) {
  d->u32TransmitFrequencyHertz = (U32)pulse->u16TxFreq * 1000;
  d->u8TransmitCycles = pulse->u8TxCycles;
  d->u32SamplePeriodMicroSeconds = SONAR_SAMPLE_PERIOD_US;
  d->u8TransmitPower = 1;
  d->u8Transducer = (U8)s_db_TransducerSelect;
  d->bSimulated = FALSE;
  U8 noiseBytes[PING_NOISE_BYTES] = {};
  // The echoed count (up to 65,535) is capped by the buffer and by what was read.
  d->u32NumberOfSamples =
      S_DEMULTIPLEX_u32ExtractChannel(block, got, channel, noiseBytes, PING_NOISE_BYTES, d->pu8RawSonarData,
                                      PING_MAX_SAMPLES, &d->u8NoiseLevel, &d->u8PeakNoiseLevel);
}

void vRoute(PING_DESCRIPTOR* d) {
  if (d->Beam == BEAM_NONE) {
    U_PING_vReturnDescriptor(d);
    return;
  }
  if (s_bSimulateCoprocessor) {
    // A ping the simulator did not fill must not go on with the samples of
    // an earlier one.
    if (!S_SYNTHSIM_bReplayPing(d)) {
      U_PING_vReturnDescriptor(d);
      return;
    }
    d->u8NoiseLevel = 0;
    d->u8PeakNoiseLevel = 0;
  }
  X_pingDataDirector(T_N_PING_eGetNetSourceType(d->Beam, s_db_TransducerSelect), FALSE, NETWORK_SONAR_PROCESS, FALSE,
                     d, nullptr, nullptr);
}

void vPerformDownBeamOnlyPing(void) {
  const U8 bw200 = std::max<U8>(u8FetchBandwidth(1), 1);
  const U8 bwLF = u8FetchBandwidth(0) == 0 ? 2 : u8FetchBandwidth(0);
  const U32 view = u32Fetch(FCID("CVEW"), 0);
  const U32 csf2 = u32Fetch(FCID("CSF2"), 200);
  const U32 csfl = u32Fetch(FCID("CSFL"), 83);
  PING_DESCRIPTOR* d[2] = {U_PING_pTakeDescriptor(), U_PING_pTakeDescriptor()};
  if (((s_u32LocalPingMask | s_u32ClientPingMask) & 1) == 0) {
    for (auto* p : d) U_PING_vReturnDescriptor(p);
    vSleepMs(100);
    return;
  }
  for (auto* p : d) {
    p->u32PingIndex = 0;
    p->bReversePing = FALSE;
  }
  F32 listen = 0;
  F32 depthToPing = fLocalFindDepthToPing(&listen);
  // Only clients look at the 2D source: their depths decide.
  if ((s_u32LocalPingMask & 1) == 0) (void)T_N_PING_bGetClientDepths(&listen, &depthToPing);
  if (s_bJiggingModeOn) T_N_PING_vModifyPingDepth(&depthToPing, &listen);
  U8* block = pu8Block();
  if (block == nullptr) {
    for (auto* p : d) U_PING_vReturnDescriptor(p);
    return;
  }
  const U32 powerSetting = s_db_u32TransmitPower;
  const U32 cyclesSetting = s_db_u32TransmitCycles;
  const PREVIOUS_2D now{U_PING_beamGetBeamSelected(), powerSetting, cyclesSetting, depthToPing, bwLF, bw200,
                        s_bSimulateCoprocessor, s_bBurnInMode, view, csf2, csfl, s_db_TransducerSelect,
                        s_u32LocalPingMask, s_u32ClientPingMask};
  if (!s_bPrevious2DValid || !(now == s_prev2D) || s_bLastPingWasNull) {
    memset(block, 0, MULTI_TX_BYTES);
    s_bLastPingWasNull = FALSE;
    TXPOWER power = s_bBurnInMode ? TXPOWER_MED
                    : powerSetting == 0 ? H_XMITPOWER_eSelectTransmitPower(depthToPing)
                                        : (TXPOWER)powerSetting;
    const U8 c200 = cyclesSetting ? (U8)cyclesSetting
                                  : S_TXCYCLES_u8CalculateTxCycles(1, depthToPing, 0.0f, s_db_TransducerSelect);
    const U8 cLF = cyclesSetting ? (U8)cyclesSetting
                                 : S_TXCYCLES_u8CalculateTxCycles(0, depthToPing, 0.0f, s_db_TransducerSelect);
    H_DATABASE_bUpdateValueFloat(FCID("CSPD"), depthToPing, P_NORMAL);
    const BEAM beam = U_PING_beamGetBeamSelected();
    if (beam != 0 && beam != 4 && depthToPing <= 200.0f && view != SONAR_DUAL_BEAM_VIEW_PRIORITY) {
      S_COPROC_vBuildTxSequenceForSingleDownAltShortTransmit(block, c200, power, bw200,
                                                             (U16)T_N_PING_u32SamplesForDepth(listen), (U16)csf2, 1,
                                                             s_bSimulateCoprocessor, BB_TX_POWER, FALSE);
    } else {
      S_COPROC_vBuildTxSequence200kHzParLFAltShortTransmit(
          block, c200, bw200, (U16)T_N_PING_u32SamplesForDepth(std::min(listen, 350.0f)), (U16)csf2, power, cLF, bwLF,
          (U16)T_N_PING_u32SamplesForDepth(listen), (U16)csfl, power, s_bSimulateCoprocessor, BB_TX_POWER, FALSE);
    }
    log_me("ping: 2D block built, depth to ping %.2f m, listen %.2f m", (double)depthToPing, (double)listen);
    (void)bSend(block);
    s_prev2D = now;
    s_bPrevious2DValid = true;
  }
  for (auto* p : d) vStampLocation(p);
  const U32 got = u32Receive(block);
  if (got == COPROC_TRANSFER_FAILED || got < COPROC_RECEIVE_HEADER_BYTES) {
    for (auto* p : d) U_PING_vReturnDescriptor(p);
    vSleepMs(FAILED_TRANSFER_PAUSE_MS);
    return;
  }
  TX_SEQUENCE echoed, s;
  const U8* data = nullptr;
  S_DEMULTIPLEX_bExtractTxSequence(block, &echoed, &data);
  S_COPROC_vCopyAndConvertEndianTxSequence(&echoed, &s);
  // Channel 0: the low frequency when pulse 0 carries it.
  const TX_PULSE* lf = (s.TxPulse[0].u16TxFreq != 0 && s.TxPulse[0].u16TxFreq == csfl) ? &s.TxPulse[0] : nullptr;
  d[0]->Beam = lf ? 0 : BEAM_NONE;
  if (lf) vFillChannel(d[0], lf, block, got, 0);
  // Channel 1: 200 kHz in pulse 0 or 1; the short-transmit pulse gives none.
  const TX_PULSE* hf = pPulseOf(s, csf2, 0, 1);
  const TX_PULSE* shortTx = pPulseOf(s, 400, 0, 1);
  d[1]->Beam = (hf && !shortTx) ? 1 : BEAM_NONE;
  if (hf) vFillChannel(d[1], hf, block, got, 1);
  vRoute(d[0]);
  vRoute(d[1]);
}

// ------------------------------------------------------------ down-looking imaging cycle
struct PREVIOUS_DI {
  BEAM beam;
  U32 power, cycles;
  F32 depthToPing;
  U8 bw200, bwDI, bwLF;
  BOOLEAN simulate, burnIn;
  U32 view, csf2, csfl, fDI, transducer, elpm, ecpm;
  bool operator==(const PREVIOUS_DI&) const = default;
};
PREVIOUS_DI s_prevDI{};
bool s_bPreviousDIValid = false;
U32 s_u32DICountdown = 0;

U32 u32ImagingFrequency(void) {
  U32 key = FCID("SSF4");
  if (!H_DATABASE_bFetchU32(FCID("SSSF"), &key)) key = FCID("SSF4");
  const U32 def = key == FCID("SSF5") ? 800 : key == FCID("SSF3") ? 262 : 455;
  return u32Fetch(key, def);
}

// The first pulse that drives the element of a channel (output bits).
const TX_PULSE* pFlagged(const TX_SEQUENCE& s, U8 outputBits) {
  for (const TX_PULSE& p : s.TxPulse) {
    if (p.u16TxFreq != 0 && (p.u8TxOutput & outputBits)) return &p;
  }
  return nullptr;
}

void vPerformDIPing(void) {
  const U32 w2 = u32Fetch(FCID("SSW2"), 0), w3 = u32Fetch(FCID("SSW3"), 0);
  const U32 fDI = u32ImagingFrequency();
  const U8 bw200 = w2 ? (U8)w2 : (s_bPingTvgView ? 3 : 1);
  const U8 bwDI = w3 ? (U8)w3 : (fDI == 800 ? 3 : 1);
  const U8 bwLF = u8FetchBandwidth(0);
  const U32 view = u32Fetch(FCID("CVEW"), 0);
  const U32 csf2 = u32Fetch(FCID("CSF2"), 200);
  const U32 csfl = u32Fetch(FCID("CSFL"), 455);
  PING_DESCRIPTOR* d[3] = {U_PING_pTakeDescriptor(), U_PING_pTakeDescriptor(), U_PING_pTakeDescriptor()};
  const U32 S = (s_u32LocalPingMask | s_u32ClientPingMask) & 3;
  if (S == 0) {
    for (auto* p : d) U_PING_vReturnDescriptor(p);
    vSleepMs(100);
    return;
  }
  for (auto* p : d) {
    p->u32PingIndex = 0;
    p->bReversePing = FALSE;
  }
  F32 listen = 0;
  F32 depthToPing = fLocalFindDepthToPing(&listen);
  if (s_bJiggingModeOn) T_N_PING_vModifyPingDepth(&depthToPing, &listen);
  U8* block = pu8Block();
  if (block == nullptr) {
    for (auto* p : d) U_PING_vReturnDescriptor(p);
    return;
  }
  const U32 powerSetting = s_db_u32TransmitPower;
  const U32 cyclesSetting = s_db_u32TransmitCycles;
  const PREVIOUS_DI now{U_PING_beamGetBeamSelected(), powerSetting, cyclesSetting, depthToPing, bw200, bwDI, bwLF,
                        s_bSimulateCoprocessor, s_bBurnInMode, view, csf2, csfl, fDI, s_db_TransducerSelect,
                        s_u32LocalPingMask, s_u32ClientPingMask};
  if (s_u32DICountdown == 0 && (!s_bPreviousDIValid || !(now == s_prevDI) || s_bLastPingWasNull)) {
    const U32 previousTransducer = s_bPreviousDIValid ? s_prevDI.transducer : s_db_TransducerSelect;
    memset(block, 0, MULTI_TX_BYTES);
    s_bLastPingWasNull = FALSE;
    TXPOWER p2D = s_bBurnInMode ? TXPOWER_MED
                  : powerSetting == 0 ? H_XMITPOWER_eSelectTransmitPower(depthToPing)
                                      : (TXPOWER)powerSetting;
    TXPOWER pDI = s_bBurnInMode ? TXPOWER_MED : powerSetting == 0 ? TXPOWER_HI : (TXPOWER)powerSetting;
    if (p2D == TXPOWER_HI) p2D = TXPOWER_MED;
    if (pDI == TXPOWER_HI) pDI = TXPOWER_MED;
    const U32 t = s_db_TransducerSelect;
    auto cycles = [&](BEAM k) {
      return cyclesSetting ? (U8)cyclesSetting : S_TXCYCLES_u8CalculateTxCycles(k, depthToPing, 0.0f, t);
    };
    const U8 c200 = cycles(1), cLF = cycles(0), c455 = cycles(2);
    const U8 cDI = fDI == 800 ? 28 : cycles(3);
    H_DATABASE_bUpdateValueFloat(FCID("CSPD"), depthToPing, P_NORMAL);
    F32 range = 0;
    if (!bFetchFloat(FCID("CSIR"), &range) || range <= 0.0f) (void)bFetchFloat(FCID("SSSR"), &range);
    H_DATABASE_bUpdateValueFloat(FCID("CSSD"), range, P_NORMAL);
    const BEAM beam = U_PING_beamGetBeamSelected();
    const bool groupG = beam == 2 || beam == 0 || view == SONAR_DUAL_BEAM_VIEW_PRIORITY || previousTransducer == 17 ||
                        previousTransducer == 18;
    const U16 sListen = (U16)T_N_PING_u32SamplesForDepth(listen);
    const U16 s200 = groupG ? (U16)T_N_PING_u32SamplesForDepth(std::min(listen, 350.0f)) : sListen;
    const BOOLEAN sim = s_bSimulateCoprocessor;
    if (S == 2) {
      S_COPROC_vBuildSingleBeamDIPing(block, 0, cDI, pDI, bwDI, sListen, (U16)fDI, sim);
    } else if (groupG && S == 3) {
      if (previousTransducer == 15) {
        S_COPROC_vBuildTxSequence200kHzAlt455kHzParDIFrequency(block, c200, p2D, bw200, s200, (U16)csf2, c455, p2D,
                                                               bwLF, sListen, 455, cDI, pDI, bwDI, sListen, (U16)fDI,
                                                               sim);
      } else {
        S_COPROC_vBuildTxSequence200kHzAlt83And50kHzParDIFrequency(block, c200, p2D, bw200, s200, (U16)csf2, cLF, p2D,
                                                                   bwLF, sListen, (U16)csfl, cDI, pDI, bwDI, sListen,
                                                                   (U16)fDI, sim);
      }
    } else if (groupG) {
      const bool t15 = previousTransducer == 15;
      S_COPROC_vBuildTxSequence200kHzAltDownLookingPing(block, c200, p2D, bw200, s200, (U16)csf2, t15 ? c455 : cLF,
                                                        p2D, bwLF, sListen, (U16)(t15 ? 455 : csfl), sim);
    } else if (S == 3) {
      S_COPROC_vBuildTxSequence200kHzParDIFrequency(block, c200, p2D, bw200, sListen, (U16)csf2, cDI, pDI, bwDI,
                                                    sListen, (U16)fDI, sim);
    } else {
      S_COPROC_vBuildTxSequence200kHz(block, c200, p2D, bw200, sListen, (U16)csf2, sim);
    }
    log_me("ping: imaging block built, %u sequences, depth to ping %.2f m, listen %.2f m",
           (unsigned)S_COPROC_u8NumberOfSequences(block), (double)depthToPing, (double)listen);
    (void)bSend(block);
    s_prevDI = now;
    s_bPreviousDIValid = true;
  }
  // A sequence runs to its end before a change takes effect.
  if (s_u32DICountdown == 0) {
    const U8 n = S_COPROC_u8NumberOfSequences(block);
    s_u32DICountdown = n > 0 ? n - 1u : 0u;
  } else {
    --s_u32DICountdown;
  }
  for (auto* p : d) vStampLocation(p);
  const U32 got = u32Receive(block);
  if (got == COPROC_TRANSFER_FAILED || got < COPROC_RECEIVE_HEADER_BYTES) {
    for (auto* p : d) U_PING_vReturnDescriptor(p);
    vSleepMs(FAILED_TRANSFER_PAUSE_MS);
    return;
  }
  TX_SEQUENCE echoed, s;
  const U8* data = nullptr;
  S_DEMULTIPLEX_bExtractTxSequence(block, &echoed, &data);
  S_COPROC_vCopyAndConvertEndianTxSequence(&echoed, &s);
  const U32 t = s_db_TransducerSelect;
  const TX_PULSE* pulse[3] = {nullptr, nullptr, nullptr};
  BEAM beams[3] = {BEAM_NONE, BEAM_NONE, BEAM_NONE};
  if (t == 17 || t == 18) {
    if (const TX_PULSE* hf = pPulseOf(s, csf2, 0, 1)) {
      beams[0] = 1;
      pulse[0] = hf;
    } else if (s.TxPulse[0].u16TxFreq != 0 && (s.TxPulse[0].u16TxFreq == csfl || s.TxPulse[0].u16TxFreq == fDI)) {
      beams[0] = 0;
      pulse[0] = &s.TxPulse[0];
    }
    if (s.TxPulse[0].u16TxFreq != 0 && s.TxPulse[0].u16TxFreq == fDI) {
      beams[2] = 3;
      pulse[2] = &s.TxPulse[0];
    }
  } else {
    const bool rx0 = !(s.bRxEnable & 0x02), rx1 = (s.bRxEnable & 0x0C) != 0x0C,
               rx2 = !(s.bRxEnable & 0x10);
    if (rx0) {
      if (const TX_PULSE* p = pFlagged(s, 1)) {
        pulse[0] = p;
        beams[0] = p->u16TxFreq == csf2 ? 1 : (p->u16TxFreq == 400 || t == 15) ? BEAM_NONE : 0;
      }
    }
    if (rx1) {
      if (const TX_PULSE* p = pFlagged(s, 1)) {
        pulse[1] = p;
        beams[1] = 2;
      }
    }
    if (rx2) {
      if (const TX_PULSE* p = pFlagged(s, 4)) {
        pulse[2] = p;
        beams[2] = 3;
      }
    }
  }
  for (U8 ch = 0; ch < 3; ++ch) {
    d[ch]->Beam = beams[ch];
    if (beams[ch] != BEAM_NONE && pulse[ch] != nullptr) vFillChannel(d[ch], pulse[ch], block, got, ch);
  }
  for (U8 ch = 0; ch < 3; ++ch) {
    if (d[ch]->Beam != BEAM_NONE && s_bSimulateCoprocessor && opt_sleeper > 0) {
      struct timespec ts = {(time_t)(opt_sleeper / 1000000), (long)(opt_sleeper % 1000000) * 1000};
      nanosleep(&ts, nullptr);
    }
    vRoute(d[ch]);
  }
}

// ------------------------------------------------------------ side-scan cycle
struct PREVIOUS_SS {
  BEAM beam;
  U32 power, cycles;
  F32 depthToPing, range;
  U8 bw200, bwLF, bwSide;
  BOOLEAN simulate, burnIn;
  U32 view, csf2, csfl, fHigh, transducer, elpm, ecpm;
};
PREVIOUS_SS s_prevSS{};
bool s_bPreviousSSValid = false;
U32 s_u32SSCountdown = 0;

bool bSameSideScan(const PREVIOUS_SS& a, const PREVIOUS_SS& b) {
  return a.beam == b.beam && a.power == b.power && a.cycles == b.cycles && std::abs(a.depthToPing - b.depthToPing) < 0.05f &&
         std::abs(a.range - b.range) < 0.05f && a.bw200 == b.bw200 && a.bwLF == b.bwLF && a.bwSide == b.bwSide &&
         a.simulate == b.simulate && a.burnIn == b.burnIn && a.view == b.view && a.csf2 == b.csf2 && a.csfl == b.csfl &&
         a.fHigh == b.fHigh && a.transducer == b.transducer && a.elpm == b.elpm && a.ecpm == b.ecpm;
}

void vPerformSideScanPing(void) {
  const U8 bw200 = std::max<U8>(u8FetchBandwidth(1), 1);
  const U8 bwLF = u8FetchBandwidth(0) == 0 ? 2 : u8FetchBandwidth(0);
  const U8 bwSide = u8FetchBandwidth(3) == 0 ? 2 : u8FetchBandwidth(3);
  const U32 view = u32Fetch(FCID("CVEW"), 0);
  const U32 csf2 = u32Fetch(FCID("CSF2"), 200);
  const U32 csfl = u32Fetch(FCID("CSFL"), 83);
  const U32 fHigh = u32ImagingFrequency();
  F32 range = 0;
  if (!bFetchFloat(FCID("CSIR"), &range) || range <= 0.0f) {
    if (!bFetchFloat(FCID("SSSR"), &range) || range <= 0.0f) range = 30.0f;
  }
  PING_DESCRIPTOR* d[3] = {U_PING_pTakeDescriptor(), U_PING_pTakeDescriptor(), U_PING_pTakeDescriptor()};
  const U32 S = (s_u32LocalPingMask | s_u32ClientPingMask) & 7;
  if (S == 0) {
    for (auto* p : d) U_PING_vReturnDescriptor(p);
    vSleepMs(100);
    return;
  }
  for (auto* p : d) {
    p->u32PingIndex = 0;
    p->bReversePing = FALSE;
  }
  F32 listen = 0;
  F32 depthToPing = fLocalFindDepthToPing(&listen);
  if (s_bJiggingModeOn) T_N_PING_vModifyPingDepth(&depthToPing, &listen);
  // Jigging with imaging pinged: never shallower than the imaging range.
  if (s_bJiggingModeOn && (S & 6) != 0 && depthToPing < range) depthToPing = listen = range;
  U8* block = pu8Block();
  if (block == nullptr) {
    for (auto* p : d) U_PING_vReturnDescriptor(p);
    return;
  }
  const U32 powerSetting = s_db_u32TransmitPower;
  const U32 cyclesSetting = s_db_u32TransmitCycles;
  const PREVIOUS_SS now{U_PING_beamGetBeamSelected(), powerSetting, cyclesSetting, depthToPing, range, bw200, bwLF,
                        bwSide, s_bSimulateCoprocessor, s_bBurnInMode, view, csf2, csfl, fHigh,
                        s_db_TransducerSelect, s_u32LocalPingMask, s_u32ClientPingMask};
  if (s_u32SSCountdown == 0 && (!s_bPreviousSSValid || !bSameSideScan(now, s_prevSS) || s_bLastPingWasNull)) {
    memset(block, 0, MULTI_TX_BYTES);
    s_bLastPingWasNull = FALSE;
    const TXPOWER p2D = s_bBurnInMode ? TXPOWER_MED
                        : powerSetting == 0 ? H_XMITPOWER_eSelectTransmitPower(depthToPing)
                                            : (TXPOWER)powerSetting;
    const TXPOWER pSide = s_bBurnInMode ? TXPOWER_MED : powerSetting == 0 ? TXPOWER_HI : (TXPOWER)powerSetting;
    const U32 t = s_db_TransducerSelect;
    auto cycles = [&](BEAM k) {
      return cyclesSetting ? (U8)cyclesSetting : S_TXCYCLES_u8CalculateTxCycles(k, depthToPing, 0.0f, t);
    };
    const U8 c200 = cycles(1), cLF = cycles(0);
    const U8 cSide = fHigh == 800 ? 28 : cycles(2);
    H_DATABASE_bUpdateValueFloat(FCID("CSPD"), depthToPing, P_NORMAL);
    H_DATABASE_bUpdateValueFloat(FCID("CSSD"), range, P_NORMAL);
    const BEAM beam = U_PING_beamGetBeamSelected();
    const bool single = beam != 0 && beam != 4 && depthToPing <= 200.0f && view != SONAR_DUAL_BEAM_VIEW_PRIORITY;
    const bool imaging = (S & 6) != 0, twoD = (S & 1) != 0;
    const U16 sListen = (U16)T_N_PING_u32SamplesForDepth(listen);
    const U16 s350 = (U16)T_N_PING_u32SamplesForDepth(std::min(listen, 350.0f));
    const U16 sRange = (U16)T_N_PING_u32SamplesForDepth(range);
    const BOOLEAN sim = s_bSimulateCoprocessor;
    if (!twoD) {
      S_COPROC_vBuildSingleBeamSSPing455kHzLR(block, 3, cSide, pSide, bwSide, sRange, (U16)fHigh, sim);
    } else if (single && imaging) {
      S_COPROC_vBuildTxSequence200kHzParHighFrequencyAltShortTransmit(block, c200, p2D, bw200, sListen, (U16)csf2, cSide,
                                                                      pSide, bwSide, sRange, (U16)fHigh, sim, FALSE);
    } else if (single) {
      S_COPROC_vBuildTxSequence200kHzAltShortTransmit(block, c200, p2D, bw200, sListen, (U16)csf2, sim, FALSE);
    } else if (imaging) {
      S_COPROC_vBuildTxSequence200kHzAltLFParHighFrequencyAltShortTx(block, c200, p2D, bw200, s350, (U16)csf2, cLF, p2D,
                                                                     bwLF, sListen, (U16)csfl, cSide, pSide, bwSide,
                                                                     sRange, (U16)fHigh, sim, FALSE);
    } else {
      S_COPROC_vBuildTxSequence200kHzAltLFAltShortTx(block, c200, p2D, bw200, s350, (U16)csf2, cLF, p2D, bwLF, sListen,
                                                     (U16)csfl, sim, FALSE);
    }
    log_me("ping: side-scan block built, %u sequences, depth to ping %.2f m, range %.2f m",
           (unsigned)S_COPROC_u8NumberOfSequences(block), (double)depthToPing, (double)range);
    (void)bSend(block);
    s_prevSS = now;
    s_bPreviousSSValid = true;
  }
  if (s_u32SSCountdown == 0) {
    const U8 n = S_COPROC_u8NumberOfSequences(block);
    s_u32SSCountdown = n > 0 ? n - 1u : 0u;
  } else {
    --s_u32SSCountdown;
  }
  for (auto* p : d) vStampLocation(p);
  const U32 got = u32Receive(block);
  if (got == COPROC_TRANSFER_FAILED || got < COPROC_RECEIVE_HEADER_BYTES) {
    for (auto* p : d) U_PING_vReturnDescriptor(p);
    vSleepMs(FAILED_TRANSFER_PAUSE_MS);
    return;
  }
  TX_SEQUENCE echoed, s;
  const U8* data = nullptr;
  S_DEMULTIPLEX_bExtractTxSequence(block, &echoed, &data);
  S_COPROC_vCopyAndConvertEndianTxSequence(&echoed, &s);
  const TX_PULSE* pulse[3] = {nullptr, nullptr, nullptr};
  BEAM beams[3] = {BEAM_NONE, BEAM_NONE, BEAM_NONE};
  if (!(s.bRxEnable & 0x02)) {
    if (const TX_PULSE* p = pFlagged(s, 1)) {
      pulse[0] = p;
      beams[0] = p->u16TxFreq == csf2 ? 1 : p->u16TxFreq == 400 ? BEAM_NONE : 0;
    }
  }
  if ((s.bRxEnable & 0x0C) != 0x0C) {
    if (const TX_PULSE* p = pFlagged(s, 2)) {
      pulse[1] = p;
      beams[1] = 2;
    }
  }
  if (!(s.bRxEnable & 0x10)) {
    if (const TX_PULSE* p = pFlagged(s, 4)) {
      pulse[2] = p;
      beams[2] = 3;
    }
  }
  for (U8 ch = 0; ch < 3; ++ch) {
    d[ch]->Beam = beams[ch];
    if (beams[ch] != BEAM_NONE && pulse[ch] != nullptr) vFillChannel(d[ch], pulse[ch], block, got, ch);
  }
  for (U8 ch = 0; ch < 3; ++ch) {
    if (d[ch]->Beam != BEAM_NONE && s_bSimulateCoprocessor && opt_sleeper > 0) {
      struct timespec ts = {(time_t)(opt_sleeper / 1000000), (long)(opt_sleeper % 1000000) * 1000};
      nanosleep(&ts, nullptr);
    }
    vRoute(d[ch]);
  }
}

// ------------------------------------------------------------ ping decision
void vRecordPingRateDelay(void) {
  const U64 now = L_CLOCK_qwGetTimeInMillis();
  const U64 since = now - s_TimeStampOfLastPing;
  if (s_bRecordingActive && s_u32MaxPingsPerSecond >= 1 && s_u32MaxPingsPerSecond <= 10) {
    const U64 interval = 1000 / s_u32MaxPingsPerSecond;
    if (since < interval) vSleepMs((U32)(interval - since));
  }
  s_TimeStampOfLastPing = L_CLOCK_qwGetTimeInMillis();
}

void vPingDecision(void) {
  if (!s_bSystemPinging || (s_u32LocalPingMask == 0 && s_u32ClientPingMask == 0) || !s_bSonarEnabled) {
    vPerformNullPing();
    return;
  }
  const SYSTEM_STATE state = U_PING_eGetSystemState();
  const BOOLEAN detected = T_STARTUP_bIsSonarTransducerDetected();
  const BOOLEAN sim = state == STATE_SIMULATION || state == STATE_POINT_OF_SALE;
  const BOOLEAN ping = (detected && (state == STATE_NORMAL_RUN || sim)) || (!detected && sim);
  if (!ping) {
    if (!detected && state == STATE_STARTUP) {
      log_me("DO NOT Call vPerformNullPing, DMA channel not ready");
      return;
    }
    vPerformNullPing();
    return;
  }
  switch (s_db_TransducerSelect) {
    case 1:
    case 4:
    case 11:
      vPerformDownBeamOnlyPing();
      break;
    case 2:
    case 5:
    case 9:
    case 10:
      vPerformSideScanPing();
      break;
    case 16:
      // A 360° transducer outside the simulator takes no descriptor of its
      // own: a null ping keeps the pool cycling, so pinging resumes when the
      // selection changes.
      if (sim) {
        vPerformSideScanPing();
      } else {
        vPerformNullPing();
      }
      break;
    case 15:
    case 17:
    case 18:
      vPerformDIPing();
      break;
    default:
      vPerformNullPing();
      break;
  }
  vRecordPingRateDelay();
}

void vRunSystem(void) {
  U32 state = 0;
  if (!H_DATABASE_bFetchU32(FCID("CCST"), &state)) return;
  L_MUTEX_LockWait(RES_SONAR_SHARE);
  vUpdateSystemState((SYSTEM_STATE)state);
  s_bSystemPinging = bShouldSystemPing();
  s_bBurnInMode = state == STATE_BURN_IN;
  L_MUTEX_Unlock(RES_SONAR_SHARE);
  if (s_bSystemPinging) {
    H_COPROC_vInitialize();
    U8* block = pu8Block();
    if (block != nullptr) {
      memset(block, 0, MULTI_TX_BYTES);
      (void)u32Receive(block);
    }
  }
  for (FOURCHARID key : {FCID("CCST"), FCID("CPSP"), FCID("CSRE")})
    H_DATABASE_bRegisterForDataWithConditions(key, M_PING, TRUE, FALSE, FALSE);
  s_u32PlaybackMode = u32Fetch(FCID("CPSP"), s_u32PlaybackMode);
  U32 csre = 0;
  if (H_DATABASE_bFetchU32(FCID("CSRE"), &csre)) s_bRecordingActive = csre != 0 ? TRUE : FALSE;
  log_me("ping: system state %u, pinging %d, transducer %u, ELPM %X", state, s_bSystemPinging,
         s_db_TransducerSelect, s_u32LocalPingMask.load());
}

// Handles every message in the mailbox; TRUE when a shutdown was among them.
bool bHandleMail(void) {
  bool shutdown = false;
  while (void* p = L_MBOX_Receive(M_PING)) {
    const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)p;
    switch (g->Cmd) {
      case CMD_ID_SHUTDOWN:
        shutdown = true;
        T_N_PING_vShareShutdown();
        break;
      case CMD_ID_NEW_DATA:
        if (!shutdown) {
          const MESSAGE_NEW_DATA* m = (const MESSAGE_NEW_DATA*)p;
          T_N_PING_bControlChangeSend(m->FourCharId, m->dbValue.u32Val, 0, nullptr);
          vHandleNewData(m);
        }
        break;
      case CMD_ID_RUN_SYSTEM:
        vRunSystem();
        break;
      case CMD_ID_RESET_POS:
        if (!T_ETHERNET_bIsAddressReady()) {
          H_DATABASE_bUpdateValueU32(FCID("ENPM"), 0, P_NORMAL);
          H_DATABASE_bUpdateValueU32(FCID("ECPM"), 0, P_NORMAL);
          s_u32NetworkPingMask = 0;
          s_u32ClientPingMask = 0;
        }
        vRegisterDatabaseItems(TRUE);
        break;
      default:
        (void)T_N_PING_bHandleShareMail(p);
        break;
    }
    H_MEMORY_vDumpMail(p);
  }
  return shutdown;
}

}  // namespace

void T_N_PING_vApplyNewData(FOURCHARID fcid, U32 u32Value) {
  MESSAGE_NEW_DATA m;
  memset(&m, 0, sizeof m);
  m.Header.Cmd = CMD_ID_NEW_DATA;
  m.FourCharId = fcid;
  m.dbValue.u32Val = u32Value;
  m.bValid = TRUE;
  vHandleNewData(&m);
}

// ------------------------------------------------------------ depth
BOOLEAN T_N_PING_bAutoDepthRange(F32 fSetting, U32 u32Units) {
  switch (u32Units) {
    case U_METRES:
      return fSetting < 1.0f;
    case U_FEET:
      return fSetting * 3.2808399f < 2.0f;
    case U_FATHOMS:
      return fSetting / 1.8288f < 1.0f;
    default:
      return FALSE;
  }
}

U32 T_N_PING_u32SamplesForDepth(F32 fMetres) {
  U32 c = g_u32SpeedOfSoundInWater.load(std::memory_order_relaxed);
  if (c == 0) c = SONAR_SPEED_OF_SOUND_FRESH;
  if (fMetres <= 0.0f) return 0;
  const U32 n = ((unsigned)((double)fMetres * 2000000.0 / c) + 13) / 26;
  return std::min(n, PING_MAX_SAMPLES);
}

F32 fLocalFindDepthToPing(F32* pfDepthToListen) {
  F32 idep = 0;
  F32 current = 0;
  if (bFetchFloat(FCID("IDEP"), &idep)) {
    s_u32InvalidDepthCount = 0;
    U_PING_vIncrementDepthKnownCnt(1);
    current = idep;
  } else {
    ++s_u32InvalidDepthCount;
    if (s_u32InvalidDepthCount > 3) U_PING_vSetDepthKnownCnt(0);
  }
  U_PING_vSetCurrentDepth(current);
  if (U_PING_u32GetDepthKnownCnt() > 4) U_PING_vSetDeepWaterMode(FALSE);
  if (U_PING_u32GetDepthKnownCnt() <= 4 && U_PING_bGetDeepWaterMode()) {
    const F32 deepest = S_TRANSDUCER_fMaximumDepthRangeMetres();
    *pfDepthToListen = deepest;
    return std::max(deepest, MIN_DEPTH);
  }
  F32 next = std::max(current, 10.0f);
  F32 csld = 10.0f;
  F32 stored = 0;
  if (bFetchFloat(FCID("CSLD"), &stored)) {
    csld = stored;
    next = std::max(next, csld);
  }
  if (std::abs(current) < 0.05f) {
    next = std::max(next, std::max(csld, 60.0f) + 5.0f * s_u16DepthSearchThrottle);
    ++s_u16DepthSearchThrottle;
  } else {
    s_u16DepthSearchThrottle = 0;
  }
  const BEAM beam = U_PING_beamGetBeamSelected();
  const F32 a = (beam != 0 && beam != 4 && U_PING_layeridGetCurrentView() != SONAR_DUAL_BEAM_VIEW_PRIORITY) ? 1.0f
                                                                                                           : 1.55f;
  F32 listen = next < 60.0f ? next * (fNewPingDepth[s_u32ListenIndex] + a) : next * fNewPingDepth[s_u32ListenIndex];
  s_u32ListenIndex = (s_u32ListenIndex + 1) % 16;
  const F32 maximum = T_N_PING_bAutoDepthRange(s_db_MaximumDepthToPing, s_unitsDepth)
                          ? S_TRANSDUCER_fMaximumDepthRangeMetres()
                          : s_db_MaximumDepthToPing;
  *pfDepthToListen = std::max(MIN_DEPTH, std::min(maximum, listen));
  return std::max(MIN_DEPTH, std::min(maximum, 1.25f * next));
}

void T_N_PING_vModifyPingDepth(F32* pfDepthToPing, F32* pfDepthToListen) {
  const F32 lower = T_N_HISTORY_fGetLowerRangeForDisplay();
  const F32 depth = lower < 10.0f ? 12.0f : lower + 2.0f;
  *pfDepthToPing = depth;
  *pfDepthToListen = depth;
}

// ------------------------------------------------------------ router
NET_SOURCE_TYPE T_N_PING_eGetNetSourceType(BEAM Beam, U32 u32Transducer) {
  if (Beam == 2 && u32Transducer == 15) return SONAR_SOURCE_2D;
  if (Beam == 2 || Beam == 3) return SONAR_SOURCE_DI;
  return SONAR_SOURCE_2D;
}

void X_pingDataDirector(NET_SOURCE_TYPE eNetSourceType, BOOLEAN isRecordPlayback,
                        NETWORK_SONAR_PROCESS_TYPE processType, BOOLEAN blankPing, PING_DESCRIPTOR* p1,
                        PING_DESCRIPTOR* p2,
                        PING_DESCRIPTOR* p3) {
  if (p1 == nullptr) return;
  if (p1->Beam == BEAM_NONE) p1->u32TransmitFrequencyHertz = 200000;
  if (!isRecordPlayback) {
    p1->bIsLocal = FALSE;
    if (s_bZeroAllPingDataBeforeSending) {
      for (PING_DESCRIPTOR* p : {p1, p2, p3}) {
        if (p != nullptr) memset(p->pu8RawSonarData, 0, std::min(p->u32NumberOfSamples, PING_MAX_SAMPLES));
      }
    }
    T_N_PING_vSendToNetworkDestinations(eNetSourceType, processType, p1);
  }
  const SYSTEM_STATE state = U_PING_eGetSystemState();
  const bool drop = (state == STATE_PLAYBACK && !isRecordPlayback) ||
                    (state != STATE_PLAYBACK && eNetSourceType <= SONAR_SOURCE_360 &&
                     U_PING_eGetNetworkClientState(eNetSourceType) == NETWORK_CLIENT_STATE_CONNECTED);
  if (drop) {
    U_PING_vReturnDescriptor(p1);
    if (processType == NETWORK_SONAR_PROCESS_3D) {
      U_PING_vReturnDescriptor(p2);
      U_PING_vReturnDescriptor(p3);
    }
    return;
  }
  if (processType == NETWORK_SONAR_PROCESS) {
    const bool sim = state == STATE_SIMULATION || state == STATE_POINT_OF_SALE || state == STATE_PLAYBACK;
    if ((!sim && (p1->Beam == 2 || p1->Beam == 3) && (s_u32NetworkPingMask & 4)) ||
        (state != STATE_PLAYBACK && (p1->Beam == 0 || p1->Beam == 1) && (s_u32NetworkPingMask & 1))) {
      U_PING_vReturnDescriptor(p1);
      return;
    }
    auto* m = (PING_MESSAGE*)H_MEMORY_pvMalloc(sizeof(PING_MESSAGE));
    memset(m, 0, sizeof *m);
    m->Header.Cmd = CMD_ID_SONAR_PROCESS_PING;
    m->pReturnDescriptor = p1;
    p1->bIsLocal = TRUE;
    if (L_MBOX_Send(M_PROCESS, m, 3, 0) != lsSUCCESS) {
      H_MEMORY_vFree(m);
      U_PING_vReturnDescriptor(p1);
    }
    return;
  }
  if (processType == NETWORK_SONAR_PROCESS_BLANK) {
    // The processing task scrolls one blank column of the beam; the
    // descriptor itself goes back at once.
    auto* m = (MSG_BLANK_SCROLL_PING*)H_MEMORY_pvMalloc(sizeof(MSG_BLANK_SCROLL_PING));
    memset(m, 0, sizeof *m);
    m->Header.Cmd = CMD_ID_BLANK_SCROLL_PING;
    m->Beam = p1->Beam;
    p1->bIsLocal = TRUE;
    U_PING_vReturnDescriptor(p1);
    if (L_MBOX_Send(M_PROCESS, m, 3, 0) != lsSUCCESS) H_MEMORY_vFree(m);
    return;
  }
  if (processType == NETWORK_SONAR_PROCESS_3D) {
    auto* m = (TRIPLE_PING_MESSAGE*)H_MEMORY_pvMalloc(sizeof(TRIPLE_PING_MESSAGE));
    memset(m, 0, sizeof *m);
    m->Header.Cmd = CMD_ID_SONAR_PROCESS_TRIPLE_PING;
    m->bBlankPing = blankPing;
    PING_DESCRIPTOR* three[3] = {p1, p2, p3};
    for (int i = 0; i < 3; ++i) {
      m->apReturnDescriptor[i] = three[i];
      if (three[i] != nullptr) three[i]->bIsLocal = TRUE;
    }
    if (L_MBOX_Send(M_3D_PROCESS, m, 3, 0) != lsSUCCESS) {
      H_MEMORY_vFree(m);
      for (PING_DESCRIPTOR* p : three) U_PING_vReturnDescriptor(p);
    }
    return;
  }
  // Any other kind: the ping is not processed, and its descriptor goes back.
  U_PING_vReturnDescriptor(p1);
}

// ------------------------------------------------------------ 3D sonar
void T_3D_vEndAtOnce(void) { (void)L_TASK_Terminate(L_TASK_GetMyID()); }
// ------------------------------------------------------------ playback
namespace {

std::mutex s_readBeamMutex;
U8 s_au8ReadBeamCountdown[4];
U32 s_u32ReadBeamMask = 0;
std::atomic<U64> s_u64TimeOfNextRecordedPing{0};
constexpr U8 READ_BEAM_COUNTDOWN = 12;

void vResetDescriptor(PING_DESCRIPTOR* d) {
  d->Beam = BEAM_NONE;
  d->u8AdcChannel = 0;
  d->u8TransmitCycles = 0;
  d->u8TransmitPower = 0;
  d->bSimulated = FALSE;
  d->u32SamplePeriodMicroSeconds = 0;
  d->u32NumberOfSamples = 0;
  d->u16MilliSecondsBetweenPings = 0;
  d->u16MilliSecondsBeforeNextPing = 0;
  d->Location.bPositionValid = FALSE;
  d->fDepthMetres = 0;
  d->fDepthOffsetFeet = 0;
  d->u8NoiseLevel = 0;
  d->u8PeakNoiseLevel = 0;
  d->u8Transducer = 0;
  d->u32TransmitFrequencyHertz = 0;
  d->u32TimeStampMilliSeconds = 0;
  d->u8BandwidthControl = 0;
  d->SimulatedFishList.u8NumberOfTargets = 0;
  d->SimulatedFishList.bSimulatedFishList = TRUE;
  d->u32PingIndex = 0;
  d->bReversePing = FALSE;
}

bool bPlaybackPaused(U32 mode) {
  return mode == PLAYBACK_MODE_PAUSED || mode == PLAYBACK_MODE_PAUSED_BEGIN || mode == PLAYBACK_MODE_PAUSED_END;
}

}  // namespace

void vUpdateReadBeamPinging(BEAM Beam, BOOLEAN bInitialize, BOOLEAN bClearBeam) {
  std::lock_guard<std::mutex> lock(s_readBeamMutex);
  if (bInitialize) {
    memset(s_au8ReadBeamCountdown, 0, sizeof s_au8ReadBeamCountdown);
    s_u32ReadBeamMask = 0;
    H_DATABASE_bUpdateEverythingU32(FCID("CSBP"), 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
    return;
  }
  if (Beam > 3) return;
  U32 mask = 0;
  for (U32 b = 0; b < 4; ++b) {
    if (s_au8ReadBeamCountdown[b] != 0) {
      --s_au8ReadBeamCountdown[b];
      mask |= 1u << b;
    }
  }
  if (bClearBeam) {
    s_au8ReadBeamCountdown[Beam] = 0;
    mask &= ~(1u << Beam);
  } else {
    s_au8ReadBeamCountdown[Beam] = READ_BEAM_COUNTDOWN;
    mask |= 1u << Beam;
  }
  if (mask != s_u32ReadBeamMask) {
    s_u32ReadBeamMask = mask;
    H_DATABASE_bUpdateValueU32(FCID("CSBP"), mask, P_NORMAL);
  }
}

void T_N_PING_vResetPlayback(void) {
  s_u64TimeOfNextRecordedPing.store(0);
  vUpdateReadBeamPinging(0, TRUE, FALSE);
}

void T_N_PING_vRecordPlayback(void) {
  const U32 mode = u32Fetch(FCID("CPSP"), 0);
  if (!U_PING_bGetPlayback() || bPlaybackPaused(mode)) {
    vSleepMs(500);
    return;
  }
  bool timePaced = false;
  for (U32 s = 0; s <= SONAR_SOURCE_360; ++s)
    timePaced = timePaced || U_PING_eGetNetworkClientState(s) == NETWORK_CLIENT_STATE_CONNECTED;
  if (timePaced && L_CLOCK_qwGetTimeInTicks() < s_u64TimeOfNextRecordedPing.load()) {
    vSleepMs(1);  // not yet due: wait a tick rather than spin
    return;
  }
  PING_DESCRIPTOR* d = U_PING_pTakeDescriptor();
  vResetDescriptor(d);
  U32 delay = 0;
  const U32 result = T_MMC_u32ReadPingFromMMC(d, &delay, (PLAYBACK_MODE_TYPE)mode, &s_bNeedSeekPing);
  const BEAM beam = d->Beam;
  switch (result) {
    case MMC_READ_NOTHING:
      if (!timePaced) vSleepMs(delay);
      U_PING_vReturnDescriptor(d);
      break;
    case MMC_READ_BLANK:
      vUpdateReadBeamPinging(beam, FALSE, TRUE);
      if (!timePaced) vSleepMs(delay);
      X_pingDataDirector(T_N_PING_eGetNetSourceType(beam, s_db_TransducerSelect), TRUE,
                         NETWORK_SONAR_PROCESS_BLANK, FALSE, d, nullptr, nullptr);
      break;
    case MMC_READ_BEAM_ENDED:
      vUpdateReadBeamPinging(beam, FALSE, TRUE);
      if (u32Fetch(FCID("CSBP"), 0) == 0) {
        H_DATABASE_bUpdateValueU32(FCID("CPSP"), PLAYBACK_MODE_PAUSED_END, P_NORMAL);
        delay = 300;
      }
      if (!timePaced) vSleepMs(delay);
      U_PING_vReturnDescriptor(d);
      break;
    default:
      vUpdateReadBeamPinging(beam, FALSE, FALSE);
      if (!timePaced) vSleepMs(delay);
      X_pingDataDirector(T_N_PING_eGetNetSourceType(beam, s_db_TransducerSelect), TRUE, NETWORK_SONAR_PROCESS,
                         FALSE, d, nullptr, nullptr);
      break;
  }
  if (timePaced) {
    const U64 next = s_u64TimeOfNextRecordedPing.load();
    s_u64TimeOfNextRecordedPing.store((next == 0 ? L_CLOCK_qwGetTimeInTicks() : next) + delay);
  }
}

void T_N_PING_vPlaybackTask(void) {
  for (;;) T_N_PING_vRecordPlayback();
}

// ------------------------------------------------------------ the task
void T_N_PING_vTask(void) {
  vRegisterDatabaseItems(FALSE);
  // Start value of ISEN: a transducer (ITXD 1) and the sonar on.
  U32 itxd = 0;
  const BOOLEAN haveItxd = H_DATABASE_bFetchU32(FCID("ITXD"), &itxd);
  H_DATABASE_bUpdateValueBoolean(FCID("ISEN"), (haveItxd && itxd == 1 && s_bSonarEnabled) ? TRUE : FALSE, P_NORMAL);
  T_N_PING_vRegisterFcidsOfInterest();
  vInitialisePingDescriptorQueue();
  const TASK me = L_TASK_GetMyID();
  L_TASK_SetPriority(me, (PRIORITY)(L_TASK_GetPriority(me) - 5));
  U32 tsmg = 0;
  while (!H_DATABASE_bFetchU32(FCID("TSMG"), &tsmg)) L_CLOCK_Sleep(5);
  TIMER_INFO* trigger = L_TIMER_Allocate();
  if (trigger == nullptr) FATAL_ERROR("No timers available");
  (void)L_TIMER_Start(trigger, 500, 0, SEMA_TRIGGER_SONAR);
  log_me("ping task running, transducer %u", s_db_TransducerSelect);

  const SEMA list[] = {SEMA_MBOX_PING, SEMA_PING_QNE, 0};
  for (;;) {
    if (!T_N_PING_bNetworkRegistered() && T_ETHERNET_bIsAddressReady()) T_N_PING_SetupNetworkInterface();
    L_MUTEX_LockWait(RES_SONAR_SHARE);
    bool localInUse = T_N_PING_bAnyDestination() != FALSE;
    for (U32 s = 0; s <= SONAR_SOURCE_360; ++s)
      localInUse = localInUse || U_PING_eGetNetworkClientState(s) == NETWORK_CLIENT_STATE_LOCAL;
    const SYSTEM_STATE state = U_PING_eGetSystemState();
    const bool simState = state == STATE_SIMULATION || state == STATE_POINT_OF_SALE;
    if (localInUse && s_bSonarEnabled && !simState) {
      vSetSimulate(FALSE);
      s_bZeroAllPingDataBeforeSending = FALSE;
    } else {
      vSetSimulate(TRUE);
      s_bZeroAllPingDataBeforeSending = simState ? FALSE : TRUE;
    }
    if (simState) H_DATABASE_bUpdateValueBoolean(FCID("ISEN"), TRUE, P_NORMAL);
    L_MUTEX_Unlock(RES_SONAR_SHARE);

    const S32 which = L_SEMA_WaitMultiple(list);
    if (which == SEMA_MBOX_PING) {
      if (bHandleMail()) break;
    } else if (which == SEMA_PING_QNE) {
      vPingDecision();
    } else {
      FATAL_ERROR("RTXC Fault");
    }
  }
  for (;;) H_MEMORY_vDumpMail(L_MBOX_ReceiveWait(M_PING));
}

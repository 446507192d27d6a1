// The ping task's working settings: the keys it creates with their
// defaults, the changes it listens to, the sonar-views indication ISEN and
// the refill of a source's shown controls.
#include <string.h>

#include "common/cmd_id.h"
#include "common/language.h"
#include "lsvc/lsvc.h"
#include "source/sonar/s_sonarmenus.h"
#include "source/core/h_database.h"
#include "source/sonar/s_transducer.h"
#include "source/sonar/sonar_upcalls.h"
#include "source/sonar/t_ping.h"
#include "source/sonar/s_share.h"
#include "source/sonar/t_ping_int.h"
#include "source/startup/t_startup.h"

#define PING_TEXT(name, text)                                                                                  \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, text, text, \
                                                 text, text}

// ------------------------------------------------------------ mirrors
BOOLEAN s_bSonarEnabled = TRUE;
F32 s_db_MaximumDepthToPing = 0.0f;
U32 s_db_u32TransmitCycles = 0;
U32 s_db_u32TransmitPower = 0;
U32 s_unitsDepth = U_FEET;
BOOLEAN s_bJiggingModeOn = FALSE;
U32 s_u32MaxPingsPerSecond = 11;
BOOLEAN s_bPingTvgView = TRUE;
U32 s_db_TransducerSelect = 0;
U32 s_u32WaterType = 0;
BOOLEAN s_bAutoDepthRange = TRUE;
U32 s_u32DelayAfterLFBeamMS = 0;
U32 s_u32PlaybackMode = PLAYBACK_MODE_STOP;
BOOLEAN s_bRecordingActive = FALSE;
std::atomic<U32> s_u32LocalPingMask{0};
std::atomic<U32> s_u32ClientPingMask{0};
std::atomic<U32> s_u32NetworkPingMask{0};
S32 s_s32LocalPingMaskSonarOff = -1;
BOOLEAN s_bNeedSeekPing = FALSE;
BOOLEAN s_bPingReverseScroll = FALSE;

namespace {

PING_TEXT(s_txtSIRange, "SI Range");
PING_TEXT(s_txtSweepRange, "360 Range");
PING_TEXT(s_txtPingDepth, "Ping Depth");
PING_TEXT(s_txtPingDepthSide, "Ping Depth Side");

constexpr F32 TWO_FEET_IN_METRES = 0.6096f;

U32 u32Fetch(FOURCHARID key, U32 def) {
  U32 v = def;
  BOOLEAN valid = FALSE;
  return H_DATABASE_bFetchU32(key, &v, &valid) && valid ? v : def;
}

// ITXD as the transducer detected: missing or all ones count as 0.
U32 u32DetectedTransducer(void) {
  const U32 itxd = u32Fetch(FCID("ITXD"), 0);
  return itxd == 0xFFFFFFFFu ? 0 : itxd;
}

bool bSimulationState(void) {
  const SYSTEM_STATE s = U_PING_eGetSystemState();
  return s == STATE_SIMULATION || s == STATE_POINT_OF_SALE;
}

// One default: written at the start priority, or the reset priority when
// the factory defaults are forced.
struct DEFAULT_ROW {
  FOURCHARID key;
  DB_DATA_TYPE (*value)(void);
  DATA_TYPE type;
  U32 startPriority, resetPriority;
  DB_TEXT_RECORD text;
};

template <U32 N>
DB_DATA_TYPE dbU32() {
  return DB_dataU32(N);
}
DB_DATA_TYPE dbTrue() { return DB_dataU32(TRUE); }
DB_DATA_TYPE dbZeroDepth() { return DB_dataFloat(0.0f); }
DB_DATA_TYPE dbTenMetres() { return DB_dataFloat(10.0f); }
DB_DATA_TYPE dbSSF4() { return DB_dataU32(FCID("SSF4")); }

const DEFAULT_ROW s_aDefaults[] = {
    {FCID("CSFL"), dbU32<83>, D_UNKNOWN, P_DEFAULT_SETTING, P_NORMAL, nullptr},
    {FCID("CSF2"), dbU32<200>, D_UNKNOWN, P_DEFAULT_SETTING, P_NORMAL, nullptr},
    {FCID("SSW1"), dbU32<0>, D_UNKNOWN, P_DEFAULT_SETTING, P_NORMAL, nullptr},
    {FCID("SSW2"), dbU32<0>, D_UNKNOWN, P_DEFAULT_SETTING, P_NORMAL, nullptr},
    {FCID("SSW3"), dbU32<0>, D_UNKNOWN, P_DEFAULT_SETTING, P_NORMAL, nullptr},
    {FCID("SSEN"), dbTrue, D_UNKNOWN, P_DEFAULT_SETTING, P_NORMAL, nullptr},
    {FCID("ISEN"), dbTrue, D_UNKNOWN, P_DEFAULT_SETTING, P_NORMAL, nullptr},
    {FCID("SSMD"), dbZeroDepth, D_DEPTH, P_DEFAULT_SETTING, P_NORMAL, nullptr},
    {FCID("YSMD"), dbZeroDepth, D_DEPTH, P_DEFAULT_SETTING, P_NORMAL, nullptr},
    {FCID("SSTC"), dbU32<0>, D_UNKNOWN, P_DEFAULT_SETTING, P_NORMAL, nullptr},
    {FCID("SSTP"), dbU32<0>, D_UNKNOWN, P_DEFAULT_SETTING, P_NORMAL, nullptr},
    {FCID("SUDP"), dbU32<U_FEET>, D_UNITS, P_UNOWNED, P_UNOWNED, nullptr},
    {FCID("SSSR"), dbTenMetres, D_DEPTH, P_DEFAULT_SETTING, P_DEFAULT_SETTING, s_txtSIRange},
    {FCID("SASR"), dbTenMetres, D_DEPTH, P_DEFAULT_SETTING, P_DEFAULT_SETTING, s_txtSweepRange},
    {FCID("SSF5"), dbU32<800>, D_UNKNOWN, P_DEFAULT_SETTING, P_NORMAL, nullptr},
    {FCID("SSF4"), dbU32<455>, D_UNKNOWN, P_DEFAULT_SETTING, P_NORMAL, nullptr},
    {FCID("SSF3"), dbU32<262>, D_UNKNOWN, P_DEFAULT_SETTING, P_NORMAL, nullptr},
    {FCID("SSSF"), dbSSF4, D_UNKNOWN, P_DEFAULT_SETTING, P_NORMAL, nullptr},
    {FCID("CSPD"), dbZeroDepth, D_DEPTH, P_NORMAL, P_NORMAL, s_txtPingDepth},
    {FCID("CSSD"), dbZeroDepth, D_DEPTH, P_NORMAL, P_NORMAL, s_txtPingDepthSide},
    {FCID("CSIR"), dbZeroDepth, D_DEPTH, P_NORMAL, P_NORMAL, nullptr},
};

// Keys whose changes the task follows (changed values only), and the ping
// masks (changed values and every update).
const FOURCHARID s_aWatched[] = {
    FCID("SSCL"), FCID("SSSF"), FCID("CVEW"), FCID("SSEN"), FCID("SSMD"), FCID("SSSV"), FCID("SSTC"),
    FCID("SSTP"), FCID("SUDP"), FCID("SSTS"), FCID("SSES"), FCID("SSSR"), FCID("SASR"), FCID("SJIG"),
    FCID("YJIG"), FCID("SRPS"), FCID("STVG"), FCID("CCST"), FCID("YSWA"), FCID("YSLD"), FCID("SLFD"),
};
const FOURCHARID s_aMasks[] = {FCID("ECPM"), FCID("ENPM"), FCID("ELPM")};

void vDeepWaterSearch(void) {
  U_PING_vSetDeepWaterMode(TRUE);
  U_PING_vSetDepthKnownCnt(0);
}

// The sonar switched on or off (SSEN), with RES_SONAR_SHARE held.
void vSonarSwitched(BOOLEAN bOn) {
  if (bOn) {
    if (!bSimulationState() && s_s32LocalPingMaskSonarOff >= 0) {
      vWriteLocalPingMask((U32)s_s32LocalPingMaskSonarOff);
    }
    vPerformNullPing();
  } else {
    s_s32LocalPingMaskSonarOff = (S32)s_u32LocalPingMask;
    vWriteLocalPingMask(0);
  }
}

// The imaging frequency must suit the selected transducer.
void vKeepFrequencyConsistent(U32 u32Selection) {
  U32 sssv = 0, sssf = 0;
  BOOLEAN vValid = FALSE, fValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("SSSV"), &sssv, &vValid) || !vValid) return;
  if (!H_DATABASE_bFetchU32(FCID("SSSF"), &sssf, &fValid) || !fValid) return;
  bool ok = true;
  switch (u32Selection) {
    case 1:
    case 4:
    case 11:
    case 12:
    case 13:
    case 14:
      if (sssv > 4) H_DATABASE_bUpdateValueU32(FCID("SSSV"), 1, P_NORMAL);
      return;
    case 2:
    case 3:
    case 9:
      ok = sssf == FCID("SSF4");
      break;
    case 5:
      ok = sssf == FCID("SSF4") || sssf == FCID("SSF3");
      break;
    case 10:
    case 15:
    case 17:
    case 18:
      ok = sssf == FCID("SSF5") || sssf == FCID("SSF4");
      break;
    default:
      return;
  }
  if (!ok) H_DATABASE_bUpdateValueU32(FCID("SSSF"), FCID("SSF4"), P_NORMAL);
}

// A new transducer selection (SSTS).
// TRUE while the source is taken, or being taken, from another unit.
bool bFromAnotherUnit(U32 u32Source) {
  const NETWORK_CLIENT_STATE st = U_PING_eGetNetworkClientState(u32Source);
  return (s_u32NetworkPingMask & (1u << u32Source)) != 0 || st == NETWORK_CLIENT_STATE_REGISTER ||
         st == NETWORK_CLIENT_STATE_CONNECTED;
}

void vTransducerSelected(U32 u32Value) {
  L_MUTEX_LockWait(RES_SONAR_SHARE);
  const U32 detected = u32DetectedTransducer();
  bool tookLocal = false;
  U32 selection = 0, mask = 0;
  if (detected != 0) {
    selection = u32Value;
    mask = S_TRANSDUCER_u32GetSonarSources((U8)(selection < 256 ? selection : 0));
  } else {
    log_me("ping: transducer not detected");
  }
  s_db_TransducerSelect = selection;
  U32 state = 0;
  while (!H_DATABASE_bFetchU32(FCID("CCST"), &state)) L_CLOCK_Sleep(1);
  const bool sim = state == STATE_SIMULATION || state == STATE_POINT_OF_SALE;
  if (sim) {
    const U32 simMask = u32Value == 0 ? 15 : S_TRANSDUCER_u32GetSonarSources((U8)(u32Value < 256 ? u32Value : 0));
    H_DATABASE_bUpdateValueU32(FCID("YST1"), (simMask & 1) ? selection : 0, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("YST2"), (simMask & 2) ? selection : 0, P_NORMAL);
  } else {
    // The connected transducer may become known after the system already
    // runs (its keys are written a while after the tasks start): a source
    // taken neither locally nor from another unit is taken locally now, or
    // the unit would never ping.
    if (detected != 0) {
      for (U32 source : {(U32)SONAR_SOURCE_2D, (U32)SONAR_SOURCE_DI}) {
        if (bFromAnotherUnit(source) || U_PING_eGetNetworkClientState(source) == NETWORK_CLIENT_STATE_LOCAL) continue;
        if (T_N_PING_vSwitchToLocalSonar(source)) tookLocal = true;
      }
    }
    U32 elements[4] = {mask & 1, mask & 2, mask & 4, mask & 8};
    const FOURCHARID shown[3] = {FCID("YST1"), FCID("YST2"), FCID("YST3")};
    for (U32 s = 0; s < 3; ++s) {
      if (U_PING_eGetNetworkClientState(s) != NETWORK_CLIENT_STATE_LOCAL) continue;
      const U32 value = (elements[s] && detected != 0) ? selection : 0;
      H_DATABASE_bUpdateValueU32(shown[s], value, P_NORMAL);
      if (s != SONAR_SOURCE_2D) vMenuSideScanFrequency(selection);
    }
    if (U_PING_eGetNetworkClientState(SONAR_SOURCE_360) == NETWORK_CLIENT_STATE_LOCAL)
      H_DATABASE_bUpdateValueU32(FCID("YST4"), selection, P_NORMAL);
    // Sources taken from another unit are not pinged here.
    if (s_u32NetworkPingMask & 1) elements[0] = 0;
    if (s_u32NetworkPingMask & 2) elements[1] = 0;
    if (s_u32NetworkPingMask & 4) elements[2] = elements[3] = 0;
    U32 smac = 0;
    BOOLEAN smacValid = FALSE;
    if (H_DATABASE_bFetchU32(FCID("SMAC"), &smac, &smacValid) && smacValid) {
      for (U32 s = 0; s < 3; ++s) {
        if ((smac & 0xFFFFFF) != T_N_PING_u32SonarSourceMAC(s)) elements[s] = 0;
      }
    }
    T_N_PING_vSetPingBitMask(elements[0], elements[1], elements[2], elements[3]);
  }
  // Telling the network clients of the new transducer belongs to the
  // sharing side (it has none to tell until clients register).
  L_MUTEX_Unlock(RES_SONAR_SHARE);
  if (tookLocal) T_N_PING_vSetSonarViewEnable();
  vKeepFrequencyConsistent(selection);
}

void vPlaybackModeChanged(U32 u32Mode) {
  if (u32Mode == s_u32PlaybackMode) return;
  auto* m = (MSG_NEW_PLAYBACK_STATE*)H_MEMORY_pvMalloc(sizeof(MSG_NEW_PLAYBACK_STATE));
  memset(m, 0, sizeof *m);
  m->Header.Cmd = CMD_ID_NEW_PLAYBACK_STATE;
  m->u32NewPlaybackState = u32Mode;
  if (L_MBOX_Send(M_PROCESS, m, 3, 0) != lsSUCCESS) H_MEMORY_vFree(m);
  const BOOLEAN reverse = T_N_HISTORY_bReverseScrollForMode(u32Mode, s_bPingReverseScroll);
  s_u32PlaybackMode = u32Mode;
  if (reverse != s_bPingReverseScroll && u32Mode != PLAYBACK_MODE_END_FILL) s_bNeedSeekPing = TRUE;
  s_bPingReverseScroll = reverse;
  s_bSystemPinging = bShouldSystemPing();
}

void vWriteDefaults(BOOLEAN bForce) {
  for (const DEFAULT_ROW& r : s_aDefaults) {
    H_DATABASE_bUpdateEverything(r.key, r.value(), bForce ? r.resetPriority : r.startPriority, r.type, r.text,
                                 DB_NO_TIMEOUT);
  }
  U32 srps = 0;
  if (!H_DATABASE_bFetchU32(FCID("SRPS"), &srps)) {
    srps = 11;
    H_DATABASE_bUpdateValueU32(FCID("SRPS"), srps, P_NORMAL);
  }
  s_u32MaxPingsPerSecond = srps;
}

// The saved choice of a source: the key's value, -1 when missing or invalid.
S32 s32SavedSource(FOURCHARID key) {
  U32 v = 0;
  BOOLEAN valid = FALSE;
  return H_DATABASE_bFetchU32(key, &v, &valid) && valid ? (S32)v : -1;
}

}  // namespace

// ------------------------------------------------------------ ping masks
void vWriteLocalPingMask(U32 u32Mask) {
  U32 stored = 0;
  const bool have = H_DATABASE_bFetchU32(FCID("ELPM"), &stored);
  s_u32LocalPingMask = u32Mask;
  if (!have || stored != u32Mask) H_DATABASE_bUpdateValueU32(FCID("ELPM"), u32Mask, P_NORMAL);
}

void vWriteNetworkPingMask(U32 u32Mask) {
  U32 stored = 0;
  const bool have = H_DATABASE_bFetchU32(FCID("ENPM"), &stored);
  s_u32NetworkPingMask = u32Mask;
  if (!have || stored != u32Mask) H_DATABASE_bUpdateValueU32(FCID("ENPM"), u32Mask, P_NORMAL);
}

void vWritePingMaskBit(FOURCHARID key, U32 u32Source, bool bOn) {
  std::atomic<U32>& copy = key == FCID("ELPM")   ? s_u32LocalPingMask
                           : key == FCID("ENPM") ? s_u32NetworkPingMask
                                                 : s_u32ClientPingMask;
  U32 old = 0;
  if (!H_DATABASE_bFetchU32(key, &old)) old = copy;
  U32 now = old;
  if (bOn) {
    S_TRANSDUCER_vSetElementBit(&now, (NET_SOURCE_TYPE)u32Source);
  } else {
    S_TRANSDUCER_vUnsetElementBit(&now, (NET_SOURCE_TYPE)u32Source);
  }
  copy = now;
  if (now == old) return;
  H_DATABASE_bUpdateValueU32(key, now, P_NORMAL);
  log_me("sonar share: %.4s %X", (const char*)&key, now);
}

void T_N_PING_vSetPingBitMask(U32 u32TwoD, U32 u32DI, U32 u32SI, U32 u32Sweep) {
  U32 mask = s_u32LocalPingMask;
  const U32 before = mask;
  const U32 flags[4] = {u32TwoD, u32DI, u32SI, u32Sweep};
  for (U32 s = 0; s <= SONAR_SOURCE_360; ++s) {
    if (flags[s]) {
      S_TRANSDUCER_vSetElementBit(&mask, (NET_SOURCE_TYPE)s);
    } else {
      S_TRANSDUCER_vUnsetElementBit(&mask, (NET_SOURCE_TYPE)s);
    }
  }
  log_me("ping: local ping mask %X -> %X", before, mask);
  s_u32LocalPingMask = mask;
  H_DATABASE_bUpdateValueU32(FCID("ELPM"), mask, P_NORMAL);
}

U32 T_N_PING_u32GetSourcesToPingOnLocalTx(void) { return u32Fetch(FCID("ECPM"), 0) | u32Fetch(FCID("ELPM"), 0); }

U32 T_N_PING_u32GetSourcesSelectedByLocal(void) { return u32Fetch(FCID("ENPM"), 0) | u32Fetch(FCID("ELPM"), 0); }

// ------------------------------------------------------------ ISEN
void T_N_PING_vSetSonarViewEnable(void) {
  BOOLEAN networked = FALSE, valid = FALSE;
  networked = H_DATABASE_bFetchBoolean(FCID("SFEF"), &networked, &valid) && valid && networked ? TRUE : FALSE;
  const U32 itxd = u32DetectedTransducer();
  BOOLEAN enabled = TRUE;
  if (!H_DATABASE_bFetchBoolean(FCID("SSEN"), &enabled)) enabled = s_bSonarEnabled;
  const bool local = U_PING_eGetNetworkClientState(SONAR_SOURCE_2D) == NETWORK_CLIENT_STATE_LOCAL ||
                     U_PING_eGetNetworkClientState(SONAR_SOURCE_DI) == NETWORK_CLIENT_STATE_LOCAL;
  bool isen = itxd != 0 && enabled && local;
  if (U_PING_bGetPlayback()) {
    isen = true;
  } else if (networked && (U_PING_eGetNetworkClientState(SONAR_SOURCE_2D) == NETWORK_CLIENT_STATE_CONNECTED ||
                           U_PING_eGetNetworkClientState(SONAR_SOURCE_DI) == NETWORK_CLIENT_STATE_CONNECTED)) {
    isen = true;
  }
  H_DATABASE_bUpdateValueBoolean(FCID("ISEN"), isen ? TRUE : FALSE, P_NORMAL);
}

// ------------------------------------------------------------ shown controls
void T_N_PING_vUpdateLocalDatabaseItems(U16 u16Index) {
  const FCID_TRANSLATE_TYPE* table = S_SHARE_pTranslateTable();
  for (U32 i = 0; i < SONAR_SHARED_CONTROLS; ++i) {
    if (!(table[i].u32SonarSources & (1u << u16Index))) continue;
    DB_DATA_TYPE value = DB_dataU32(0);
    BOOLEAN valid = FALSE;
    if (!H_DATABASE_bFetch(table[i].fcidSavedSetting, &value, &valid) || !valid) {
      // A saved setting not written yet (its owner writes the defaults
      // later) leaves the shown control alone: a 0 shown here would be
      // copied back over the saved setting as a user's change.
      if (table[i].fcidUIControl != FCID("YBMT")) continue;
      value = DB_dataU32(255u);
    }
    H_DATABASE_bUpdateValue(table[i].fcidUIControl, value, P_NORMAL);
  }
}

// ------------------------------------------------------------ registration
void vRegisterDatabaseItems(BOOLEAN bForceFactoryDefaults) {
  vWriteDefaults(bForceFactoryDefaults);
  for (FOURCHARID key : s_aWatched) H_DATABASE_bRegisterForDataWithConditions(key, M_PING, TRUE, FALSE, FALSE);
  for (FOURCHARID key : s_aMasks) H_DATABASE_bRegisterForDataWithConditions(key, M_PING, TRUE, FALSE, TRUE);

  BOOLEAN b = TRUE;
  s_bSonarEnabled = H_DATABASE_bFetchBoolean(FCID("SSEN"), &b) ? b : TRUE;
  b = FALSE;
  s_bJiggingModeOn = H_DATABASE_bFetchBoolean(FCID("SJIG"), &b) ? b : FALSE;
  b = TRUE;
  s_bPingTvgView = H_DATABASE_bFetchBoolean(FCID("STVG"), &b) ? b : TRUE;
  s_db_MaximumDepthToPing = 0.0f;
  s_db_u32TransmitCycles = 0;
  s_db_u32TransmitPower = 0;
  s_unitsDepth = U_FEET;
  s_bRecordingActive = FALSE;
  s_bPingReverseScroll = FALSE;
  s_bNeedSeekPing = FALSE;
  L_MUTEX_LockWait(RES_SONAR_SHARE);
  U_PING_vSetPlayback(FALSE);
  L_MUTEX_Unlock(RES_SONAR_SHARE);
  s_u32PlaybackMode = PLAYBACK_MODE_STOP;
  T_N_PING_vSetSonarViewEnable();

  L_MUTEX_LockWait(RES_SONAR_SHARE);
  T_N_PING_vUpdateSonarSource(s32SavedSource(FCID("SN2D")), SONAR_SOURCE_2D);
  T_N_PING_vUpdateSonarSource(s32SavedSource(FCID("SNDI")), SONAR_SOURCE_DI);
  if (T_STARTUP_bIsSonarTransducerDetected()) {
    T_N_PING_vSwitchToLocalSonar(SONAR_SOURCE_2D);
    T_N_PING_vSwitchToLocalSonar(SONAR_SOURCE_DI);
  }
  L_MUTEX_Unlock(RES_SONAR_SHARE);

  H_DATABASE_bUpdateValueU32(FCID("SLFD"), s_u32DelayAfterLFBeamMS, P_NORMAL);
  H_DATABASE_bUpdateEverythingU32(FCID("TPNG"), M_PING, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_vSendMailboxAllRegisteredItems(M_PING);
}

// ------------------------------------------------------------ changes
void vHandleNewData(const MESSAGE_NEW_DATA* m) {
  const FOURCHARID key = m->FourCharId;
  const U32 u = m->dbValue.u32Val;
  const F32 f = m->dbValue.fVal;
  if (key == FCID("YSWA")) {
    s_u32WaterType = u;
    if (u == 1) vDeepWaterSearch();
  } else if (key == FCID("SSTC")) {
    s_db_u32TransmitCycles = u;
  } else if (key == FCID("SSTP")) {
    s_db_u32TransmitPower = u;
  } else if (key == FCID("SRPS")) {
    s_u32MaxPingsPerSecond = u;
  } else if (key == FCID("SLFD")) {
    s_u32DelayAfterLFBeamMS = u;
  } else if (key == FCID("SUDP")) {
    s_unitsDepth = u;
  } else if (key == FCID("STVG")) {
    s_bPingTvgView = u != 0 ? TRUE : FALSE;
  } else if (key == FCID("YSLD")) {
    s_bAutoDepthRange = T_N_PING_bAutoDepthRange(f, s_unitsDepth);
  } else if (key == FCID("SSMD")) {
    s_db_MaximumDepthToPing = f < TWO_FEET_IN_METRES ? 0.0f : f;
  } else if (key == FCID("CSRE")) {
    s_bRecordingActive = u != 0 ? TRUE : FALSE;
    if (s_bRecordingActive) s_TimeStampOfLastPing = L_CLOCK_qwGetTimeInMillis();
  } else if (key == FCID("YJIG")) {
    s_bJiggingModeOn = u != 0 ? TRUE : FALSE;
    log_me("ping: jigging mode %u", (unsigned)s_bJiggingModeOn);
  } else if (key == FCID("ECPM")) {
    s_u32ClientPingMask = u;
  } else if (key == FCID("ELPM")) {
    s_u32LocalPingMask = u;
  } else if (key == FCID("ENPM")) {
    s_u32NetworkPingMask = u;
  } else if (key == FCID("SSEN")) {
    const BOOLEAN on = u != 0 ? TRUE : FALSE;
    const BOOLEAN changed = on != s_bSonarEnabled;
    s_bSonarEnabled = on;
    if (changed && U_PING_eGetSystemState() != 0) {
      L_MUTEX_LockWait(RES_SONAR_SHARE);
      vSonarSwitched(on);
      L_MUTEX_Unlock(RES_SONAR_SHARE);
    }
    T_N_PING_vSetSonarViewEnable();
  } else if (key == FCID("CPSP")) {
    vPlaybackModeChanged(u);
  } else if (key == FCID("SSES")) {
    log_me("ping: element selection %X", u);
  } else if (key == FCID("SSTS")) {
    vTransducerSelected(u);
  } else if (key == FCID("CCST")) {
    L_MUTEX_LockWait(RES_SONAR_SHARE);
    vUpdateSystemState((SYSTEM_STATE)u);
    s_bSystemPinging = bShouldSystemPing();
    s_bBurnInMode = u == STATE_BURN_IN ? TRUE : FALSE;
    if (u == STATE_SIMULATION || u == STATE_POINT_OF_SALE) {
      s_db_TransducerSelect = u32Fetch(FCID("SSTS"), s_db_TransducerSelect);
      H_DATABASE_bUpdateValueU32(FCID("ITXD"), 1, P_NORMAL);
      // A source this unit takes from another unit stays with it.
      for (U32 source : {(U32)SONAR_SOURCE_2D, (U32)SONAR_SOURCE_DI}) {
        if (!bFromAnotherUnit(source)) T_N_PING_vSwitchToLocalSonar(source);
      }
    }
    L_MUTEX_Unlock(RES_SONAR_SHARE);
  } else if (key == FCID("SSSV")) {
    L_MUTEX_LockWait(RES_SONAR_SHARE);
    U_PING_vSetBeamSelected((BEAM)u);
    if (s_u32WaterType == 1 && (u == 0 || u == 4)) vDeepWaterSearch();
    L_MUTEX_Unlock(RES_SONAR_SHARE);
  } else if (key == FCID("CVEW")) {
    L_MUTEX_LockWait(RES_SONAR_SHARE);
    U_PING_vSetCurrentView((LAYER_ID)(S32)u);
    if (s_u32WaterType == 1 && (S32)u == SONAR_DUAL_BEAM_VIEW_PRIORITY && U_PING_beamGetBeamSelected() == 1)
      vDeepWaterSearch();
    L_MUTEX_Unlock(RES_SONAR_SHARE);
  }
}

// The local road of the sonar sources: a source is served by this unit's
// transducer when the unit chose itself for it. Switching a source to
// another unit and the registration with its server are the network side.
//
// Threads: called by the ping task (with RES_SONAR_SHARE held where the
// callers say) and by the unit network's task.
#include <atomic>

#include "lsvc/lsvc.h"
#include "source/sonar/s_sonarmenus.h"
#include "source/core/h_database.h"
#include "source/sonar/s_transducer.h"
#include "source/sonar/sonar_upcalls.h"
#include "source/sonar/t_ping.h"
#include "source/sonar/t_ping_int.h"
#include "source/startup/t_startup.h"

namespace {

constexpr U32 NO_UNIT = 0xFFFFFF;
std::atomic<U32> s_u32SonarSourceMAC[4] = {NO_UNIT, NO_UNIT, NO_UNIT, NO_UNIT};

const FOURCHARID s_aShownTransducer[4] = {FCID("YST1"), FCID("YST2"), FCID("YST3"), FCID("YST4")};

U32 u32Valid(FOURCHARID key, BOOLEAN* pbValid) {
  U32 v = 0;
  BOOLEAN valid = FALSE;
  *pbValid = H_DATABASE_bFetchU32(key, &v, &valid) && valid ? TRUE : FALSE;
  return *pbValid ? v : 0;
}

// The unit's own identifier (SMAC, low 24 bits); FALSE without one.
BOOLEAN bOwnUnit(U32* pu32Own) {
  BOOLEAN valid = FALSE;
  *pu32Own = u32Valid(FCID("SMAC"), &valid) & NO_UNIT;
  return valid;
}

// SSTS when a transducer is detected (ITXD valid and not 0), else 0.
U32 u32TransducerWhenDetected(void) {
  BOOLEAN valid = FALSE;
  const U32 itxd = u32Valid(FCID("ITXD"), &valid);
  if (!valid || itxd == 0 || itxd == 0xFFFFFFFFu) return 0;
  U32 ssts = 0;
  return H_DATABASE_bFetchU32(FCID("SSTS"), &ssts) ? ssts : 0;
}

void vLocalBit(U32 s, bool on) { vWritePingMaskBit(FCID("ELPM"), s, on); }

void vNetworkBitCleared(U32 s) { vWritePingMaskBit(FCID("ENPM"), s, false); }

// Shows the transducer of source s (the sweep source shows 16).
void vShowTransducer(U32 s, U32 u32Transducer, bool bEverything) {
  const U32 value = s == SONAR_SOURCE_360 ? 16 : u32Transducer;
  if (bEverything) {
    H_DATABASE_bUpdateEverythingU32(s_aShownTransducer[s], value, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  } else {
    H_DATABASE_bUpdateValueU32(s_aShownTransducer[s], value, P_NORMAL);
  }
  if (s == SONAR_SOURCE_DI || s == SONAR_SOURCE_SI) vMenuSideScanFrequency(u32Transducer);
}

// Applies a chosen unit to source s; bTwin is the receive side's copy.
void vApplyChoice(S32 s32Unit, U32 s, bool bTwin) {
  if (s > SONAR_SOURCE_360) return;
  U32 own = 0;
  if (!bOwnUnit(&own)) return;
  const bool none = s32Unit == -1;
  const U32 unit = (U32)s32Unit & NO_UNIT;
  const bool mine = !none && unit == own;
  if (!bTwin) s_u32SonarSourceMAC[s].store(none ? NO_UNIT : unit);
  const BOOLEAN detected = T_STARTUP_bIsSonarTransducerDetected();
  switch (U_PING_eGetNetworkClientState(s)) {
    case NETWORK_CLIENT_STATE_INIT:
      T_N_PING_vUpdateLocalDatabaseItems((U16)s);
      if (mine && detected) {
        if (s != SONAR_SOURCE_360) {
          vShowTransducer(s, u32TransducerWhenDetected(), false);
        } else if (bTwin) {
          vShowTransducer(s, 16, false);
        }
        U_PING_vSetNetworkClientState(NETWORK_CLIENT_STATE_LOCAL, s);
      } else {
        U_PING_vSetNetworkClientState(NETWORK_CLIENT_STATE_DISCONNECTED, s);
      }
      break;
    case NETWORK_CLIENT_STATE_LOCAL:
      if (none || !detected) {
        if (bTwin) U_PING_vSetNetworkClientState(NETWORK_CLIENT_STATE_DISCONNECTED, s);
        break;
      }
      if (!mine) U_PING_vSetNetworkClientState(NETWORK_CLIENT_STATE_DISCONNECTED, s);
      vLocalBit(s, mine);
      vNetworkBitCleared(s);
      break;
    case NETWORK_CLIENT_STATE_CONNECTED:
    case NETWORK_CLIENT_STATE_DISCONNECTED: {
      if (!mine) break;
      const U32 transducer = u32TransducerWhenDetected();
      U32 elements = 0;
      if (transducer != 0) {
        BOOLEAN valid = FALSE;
        elements = u32Valid(FCID("SSES"), &valid);
      }
      vShowTransducer(s, transducer, true);
      vLocalBit(s, S_TRANSDUCER_u32GetElementBit(elements, (NET_SOURCE_TYPE)s) != 0);
      vNetworkBitCleared(s);
      T_N_PING_vUpdateLocalDatabaseItems((U16)s);
      U_PING_vSetNetworkClientState(NETWORK_CLIENT_STATE_LOCAL, s);
      break;
    }
    default:
      break;
  }
}

}  // namespace

BOOLEAN T_N_PING_vSwitchToLocalSonar(U32 u32Source) {
  U32 ssts = 0;
  (void)H_DATABASE_bFetchU32(FCID("SSTS"), &ssts);
  U32 own = 0;
  const BOOLEAN haveOwn = bOwnUnit(&own);
  const U32 sources = S_TRANSDUCER_u32GetSonarSources((U8)(ssts < 256 ? ssts : 0));
  if (u32Source > SONAR_SOURCE_360 || !(sources & (1u << u32Source))) {
    log_me("source %d unavailable on transducer %d", (int)u32Source, (int)ssts);
    return FALSE;
  }
  vNetworkBitCleared(u32Source);
  vLocalBit(u32Source, true);
  const S32 self = haveOwn ? (S32)own : -1;
  T_N_PING_vUpdateSonarSource(self, (U16)u32Source);
  T_NET_PING_RECEIVE_vUpdateSonarSource(self, (U16)u32Source);
  U_PING_vSetNetworkClientState(NETWORK_CLIENT_STATE_LOCAL, u32Source);
  H_DATABASE_bUpdateValueU32(s_aShownTransducer[u32Source], u32Source == SONAR_SOURCE_360 ? 16 : ssts, P_NORMAL);
  return TRUE;
}

void T_N_PING_vUpdateSonarSource(S32 s32SonarSource, U16 u16SourceType) {
  vApplyChoice(s32SonarSource, u16SourceType, false);
}

void T_NET_PING_RECEIVE_vUpdateSonarSource(S32 s32SonarSource, U16 u16SourceType) {
  vApplyChoice(s32SonarSource, u16SourceType, true);
}

U32 T_N_PING_u32SonarSourceMAC(U32 u32Source) {
  return u32Source <= SONAR_SOURCE_360 ? s_u32SonarSourceMAC[u32Source].load() : NO_UNIT;
}

void T_N_PING_vResetSonarSources(void) {
  for (auto& m : s_u32SonarSourceMAC) m.store(NO_UNIT);
}

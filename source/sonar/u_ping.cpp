#include "source/sonar/u_ping.h"

#include <string.h>

#include <atomic>

namespace {

PING_DESCRIPTOR PingDescriptor[PING_DESCRIPTORS];
PING_DESCRIPTOR* QueueOfAvailableDescriptorPointers[PING_DESCRIPTORS];
U8* s_apu8Blocks[3];
constexpr size_t POOL_BLOCK_BYTES = 880000;
constexpr size_t PAIR_BYTES = 2 * PING_MAX_SAMPLES;

std::atomic<U32> s_aeClientState[4];
std::atomic<S32> s_eSystemState{0};
std::atomic<BOOLEAN> s_bPlayback{FALSE};
std::atomic<BOOLEAN> s_bDeepWater{FALSE};
std::atomic<U32> s_u32DepthKnown{0};
std::atomic<F32> s_fCurrentDepth{0.0f};
std::atomic<BEAM> s_beamSelected{1};
std::atomic<S32> s_eCurrentView{NO_VIEW_PRIORITY};

}  // namespace

void vInitialisePingDescriptorQueue(void) {
  if (s_apu8Blocks[0] == nullptr) {
    for (U8*& block : s_apu8Blocks) block = (U8*)H_MEMORY_pvMalloc(POOL_BLOCK_BYTES);
    for (U32 i = 0; i < PING_DESCRIPTORS; ++i) {
      PING_DESCRIPTOR& d = PingDescriptor[i];
      memset(&d, 0, sizeof d);
      d.pu8RawSonarData = s_apu8Blocks[i / 8] + (i % 8) * PAIR_BYTES;
      d.pu8TvgdData = d.pu8RawSonarData + PING_MAX_SAMPLES;
    }
  }
  if (L_QUEUE_Define(Q_PING, sizeof(PING_DESCRIPTOR*), PING_DESCRIPTORS, QueueOfAvailableDescriptorPointers, 0) !=
          lsSUCCESS ||
      L_QUEUE_DefineSema(Q_PING, SEMA_PING_QNE, QNE) != lsSUCCESS) {
    FATAL_ERROR("Couldn't define queue");
  }
  for (U32 i = 0; i < PING_DESCRIPTORS; ++i) {
    PING_DESCRIPTOR* p = &PingDescriptor[i];
    p->u16MilliSecondsBetweenPings = 0;
    p->u16MilliSecondsBeforeNextPing = 0;
    if (L_QUEUE_Put(Q_PING, &p) != lsSUCCESS) FATAL_ERROR("Queue initialization failure");
  }
}

PING_DESCRIPTOR* U_PING_pGetDescriptor(U32 u32Index) {
  return u32Index < PING_DESCRIPTORS ? &PingDescriptor[u32Index] : nullptr;
}

PING_DESCRIPTOR* U_PING_pTakeDescriptor(void) {
  PING_DESCRIPTOR* p = nullptr;
  if (L_QUEUE_GetWait(Q_PING, &p) != lsSUCCESS) return nullptr;
  return p;
}

void U_PING_vReturnDescriptor(PING_DESCRIPTOR* pDescriptor) {
  if (pDescriptor == nullptr) return;
  if (L_QUEUE_Put(Q_PING, &pDescriptor) != lsSUCCESS) FATAL_ERROR("Couldn't return descriptor to queue");
}

NETWORK_CLIENT_STATE U_PING_eGetNetworkClientState(U32 i) {
  if (i >= 4) return NETWORK_CLIENT_STATE_INIT;
  const U32 v = s_aeClientState[i].load();
  return v == 0 ? NETWORK_CLIENT_STATE_INIT : (NETWORK_CLIENT_STATE)v;
}
void U_PING_vSetNetworkClientState(NETWORK_CLIENT_STATE e, U32 i) {
  if (i < 4) s_aeClientState[i].store(e);
}
SYSTEM_STATE U_PING_eGetSystemState(void) { return (SYSTEM_STATE)s_eSystemState.load(); }
void U_PING_vSetSystemState(SYSTEM_STATE e) { s_eSystemState.store(e); }
BOOLEAN U_PING_bGetPlayback(void) { return s_bPlayback.load(); }
void U_PING_vSetPlayback(BOOLEAN b) { s_bPlayback.store(b); }
BOOLEAN U_PING_bGetDeepWaterMode(void) { return s_bDeepWater.load(); }
void U_PING_vSetDeepWaterMode(BOOLEAN b) { s_bDeepWater.store(b); }
U32 U_PING_u32GetDepthKnownCnt(void) { return s_u32DepthKnown.load(); }
void U_PING_vSetDepthKnownCnt(U32 n) { s_u32DepthKnown.store(n); }
void U_PING_vIncrementDepthKnownCnt(U32 n) { s_u32DepthKnown.fetch_add(n); }
F32 U_PING_fGetCurrentDepth(void) { return s_fCurrentDepth.load(); }
void U_PING_vSetCurrentDepth(F32 f) { s_fCurrentDepth.store(f); }
BEAM U_PING_beamGetBeamSelected(void) { return s_beamSelected.load(); }
void U_PING_vSetBeamSelected(BEAM b) { s_beamSelected.store(b); }
LAYER_ID U_PING_layeridGetCurrentView(void) { return (LAYER_ID)s_eCurrentView.load(); }
void U_PING_vSetCurrentView(LAYER_ID v) { s_eCurrentView.store(v); }

void U_PING_vResetState(void) {
  for (auto& s : s_aeClientState) s.store(NETWORK_CLIENT_STATE_INIT);
  s_eSystemState.store(0);
  s_bPlayback.store(FALSE);
  s_bDeepWater.store(FALSE);
  s_u32DepthKnown.store(0);
  s_fCurrentDepth.store(0.0f);
  s_beamSelected.store(1);
  s_eCurrentView.store(NO_VIEW_PRIORITY);
}

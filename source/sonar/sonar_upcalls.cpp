#include "source/sonar/sonar_upcalls.h"

#include <atomic>

#include "lsvc/lsvc.h"

L_UPCALL_DEFINE(void, T_N_HISTORY_vEnableShortTransmit, (BOOLEAN bEnable), (bEnable)) { (void)bEnable; }

L_UPCALL_DEFINE(F32, T_N_HISTORY_fGetLowerRangeForDisplay, (void), ()) { return 10.0f; }

L_UPCALL_DEFINE(void, T_N_HISTORY_vAddColumns, (U32 u32NumColumns, U8 Beam, U8 u8Transducer),
                (u32NumColumns, Beam, u8Transducer)) {
  (void)u32NumColumns;
  (void)u8Transducer;
  static std::atomic<bool> traced{false};
  if (!traced.exchange(true)) log_me("history: no history, columns of beam %u not drawn", Beam);
}

L_UPCALL_DEFINE(void, T_N_HISTORY_vSetReverseScroll, (BOOLEAN bReverseScroll, BOOLEAN bEndFill),
                (bReverseScroll, bEndFill)) {
  log_me("history: no history, reverse scroll %d end fill %d", bReverseScroll, bEndFill);
}

L_UPCALL_DEFINE(void, T_N_HISTORY_vLookupColumnPingTimeStamps, (BOOLEAN bReverseScroll, U32* pu32TimeStamps),
                (bReverseScroll, pu32TimeStamps)) {
  (void)bReverseScroll;
  if (pu32TimeStamps != nullptr) {
    for (int i = 0; i < 4; ++i) pu32TimeStamps[i] = 0;
  }
}

L_UPCALL_DEFINE(BOOLEAN, T_N_HISTORY_bReverseScrollForMode, (U32 u32PlaybackMode, BOOLEAN bReverseScroll),
                (u32PlaybackMode, bReverseScroll)) {
  switch (u32PlaybackMode) {
    case 2: case 3: case 4: case 5: case 12: return TRUE;
    case 7: case 8: case 9: case 10: case 13: return FALSE;
    default: return bReverseScroll;
  }
}

L_UPCALL_DEFINE(BOOLEAN, T_ETHERNET_bIsAddressReady, (void), ()) { return FALSE; }

L_UPCALL_DEFINE(void, T_N_HISTORY_vCreateDiEnhanceDialog, (void), ()) {
  log_me("T_N_HISTORY_vCreateDiEnhanceDialog: no enhance dialog");
}

L_UPCALL_DEFINE(void, T_N_HISTORY_vDrawSonarSplit, (BITMAP * pBitmap, const WINDOW_SPECIFICATION* pSpec),
                (pBitmap, pSpec)) {
  (void)pBitmap;
  (void)pSpec;
}

L_UPCALL_DEFINE(void, T_ETHERNET_vGetMulticastIpAddress, (U32 eSource, U32* pu32MulticastIPAddress),
                (eSource, pu32MulticastIPAddress)) {
  (void)eSource;
  if (pu32MulticastIPAddress != nullptr) *pu32MulticastIPAddress = 0;
}

L_UPCALL_DEFINE(U32, T_SLP_CLIENT_u32GetTransducerFromServerIP, (U32 u32Ip, U32 u32Port, U32 u32Source),
                (u32Ip, u32Port, u32Source)) {
  log_me("no service discovery: transducer of server %08X unknown", u32Ip);
  (void)u32Port;
  (void)u32Source;
  return 0;
}

L_UPCALL_DEFINE(void, T_N_HISTORY_vDrawFullScreenSonar, (BITMAP * pBitmap, const WINDOW_SPECIFICATION* pSpec),
                (pBitmap, pSpec)) {
  (void)pBitmap;
  (void)pSpec;
}

L_UPCALL_DEFINE(void, T_N_HISTORY_vDrawDualBeamView, (BITMAP * pBitmap, const WINDOW_SPECIFICATION* pSpec),
                (pBitmap, pSpec)) {
  (void)pBitmap;
  (void)pSpec;
}

L_UPCALL_DEFINE(void, T_N_HISTORY_vDrawZoomSonar, (BITMAP * pBitmap, const WINDOW_SPECIFICATION* pSpec),
                (pBitmap, pSpec)) {
  (void)pBitmap;
  (void)pSpec;
}

L_UPCALL_DEFINE(void, T_N_HISTORY_vDrawNadscan, (BITMAP * pBitmap, const WINDOW_SPECIFICATION* pSpec),
                (pBitmap, pSpec)) {
  (void)pBitmap;
  (void)pSpec;
}

L_UPCALL_DEFINE(void, T_N_HISTORY_vDrawNadscanSplit, (BITMAP * pBitmap, const WINDOW_SPECIFICATION* pSpec),
                (pBitmap, pSpec)) {
  (void)pBitmap;
  (void)pSpec;
}

L_UPCALL_DEFINE(void, T_N_HISTORY_vDrawDownAndSidebeamView, (BITMAP * pBitmap, const WINDOW_SPECIFICATION* pSpec),
                (pBitmap, pSpec)) {
  (void)pBitmap;
  (void)pSpec;
}

L_UPCALL_DEFINE(void, T_N_HISTORY_vDrawVerticalScrollView, (BITMAP * pBitmap, const WINDOW_SPECIFICATION* pSpec),
                (pBitmap, pSpec)) {
  (void)pBitmap;
  (void)pSpec;
}

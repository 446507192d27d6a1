#include "source/startup/startup_upcalls.h"

#include "lsvc/lsvc.h"
#include "source/core/h_database.h"

L_UPCALL_DEFINE(BOOLEAN, S_DETECT_bTransducerConnected, (void), ()) {
  log_me("S_DETECT_bTransducerConnected: no sonar");
  return FALSE;
}
L_UPCALL_DEFINE(BOOLEAN, U_UART_bRegisterForChannel, (U8 u8Port, U8 u8Match, S32 s32Sema), (u8Port, u8Match, s32Sema)) {
  (void)u8Match;
  (void)s32Sema;
  log_me("U_UART_bRegisterForChannel: no serial-port service, port %u not registered", (unsigned)u8Port);
  return FALSE;
}
L_UPCALL_DEFINE(BOOLEAN, INLINETEST_bCoprocessorReady, (void), ()) { return TRUE; }
L_UPCALL_DEFINE(BOOLEAN, INLINETEST_bTestPing,
                (U8 u8CoprocBeam, U8 u8Channel, U16 u16FrequencykHz, U8 u8Receiver, U8 u8Bandwidth,
                 U16* pu16Signal, U16* pu16Noise, U32* pu32SampleUs),
                (u8CoprocBeam, u8Channel, u16FrequencykHz, u8Receiver, u8Bandwidth, pu16Signal, pu16Noise,
                 pu32SampleUs)) {
  (void)u8Channel;
  (void)u16FrequencykHz;
  (void)u8Receiver;
  (void)u8Bandwidth;
  (void)pu16Signal;
  (void)pu16Noise;
  (void)pu32SampleUs;
  log_me("INLINETEST_bTestPing: no sonar, beam %u not pinged", (unsigned)u8CoprocBeam);
  return FALSE;
}
L_UPCALL_DEFINE(void, T_NAV_ALARM_vSetNavUIRawNote, (const char* pcText), (pcText)) {
  log_me("note: %s", pcText != nullptr ? pcText : "");
}
L_UPCALL_DEFINE(void, T_N_HISTORY_vPrepareForPlayback, (void), ()) {
  log_me("T_N_HISTORY_vPrepareForPlayback: no sonar history");
}

L_UPCALL_DEFINE(void*, T_CHART_vpAlloc, (void), ()) {
  alignas(8) static U8 s_au8ImageBuffer[CHART_IMAGE_BUFFER_BYTES];
  return s_au8ImageBuffer;
}
L_UPCALL_DEFINE(BOOLEAN, T_ETHERNET_bIsDynamic, (void), ()) {
  BOOLEAN bDynamic = FALSE, bValid = FALSE;
  return (H_DATABASE_bFetchBoolean(FCID("SIPD"), &bDynamic, &bValid) && bValid && bDynamic) ? TRUE : FALSE;
}
L_UPCALL_DEFINE(BOOLEAN, T_ETHERNET_vGetIPAddress, (char* pcText), (pcText)) {
  if (pcText != nullptr) pcText[0] = '\0';
  return FALSE;
}

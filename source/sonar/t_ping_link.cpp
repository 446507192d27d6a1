// The ping task's small outside operations: text to serial port 1 and the
// two calls kept for older callers.
#include "lsvc/lsvc.h"
#include "source/sonar/t_ping.h"

void T_N_PING_vSendString(const char* pcText) {
  if (pcText == nullptr) return;
  for (const char* p = pcText; *p != '\0'; ++p) {
    const U8 c = (U8)*p;
    if (L_QUEUE_PutWait(Q_TRANSMIT_UART1, &c) != lsSUCCESS) {
      log_me("ping: serial port 1 queue refused a character; rest of the text dropped");
      return;
    }
  }
}

void T_N_PING_vClearPingList(BOOLEAN bFromNetwork) { (void)bFromNetwork; }

void T_N_PING_vSetSideBeamRange(F32 fSideBeamRange) { (void)fSideBeamRange; }

// Server monitors.
#include "common/u_srvmonitor.h"

#include <string.h>

namespace {

struct SERVER_MONITOR_TYPE {
  GMSG_ADDRESS gaServerAddress;
  MBOX mboxId;
  BOOLEAN bActive;
  U32 u32LastMessageReceivedTime;
  U32 u32TimeoutTimeInterval;
  const char* pUserName;
};

// Handles run from 0 to SERVER_MONITOR_SLOTS - 2.
SERVER_MONITOR_TYPE mtServerMonitorArray[SERVER_MONITOR_SLOTS];
U32 s_u32Allocated = 0;  // monitors handed out (0 until the first allocation)

class MonitorLock {
 public:
  MonitorLock() { L_MUTEX_LockWait(RES_SRVMONITOR); }
  ~MonitorLock() { L_MUTEX_Unlock(RES_SRVMONITOR); }
  MonitorLock(const MonitorLock&) = delete;
  MonitorLock& operator=(const MonitorLock&) = delete;
};

// The monitor of a handle already handed out; call with the lock held.
SERVER_MONITOR_TYPE* s_pMonitor(U32 u32Handle) {
  return u32Handle < s_u32Allocated ? &mtServerMonitorArray[u32Handle] : nullptr;
}

U32 s_u32Now(void) { return H_TICK_u32ReadFreeRunningTimerInMilliSeconds(); }

}  // namespace

U32 U_SERVER_MONITOR_u32Allocate(void) {
  MonitorLock lock;
  if (s_u32Allocated == 0) memset(mtServerMonitorArray, 0, sizeof mtServerMonitorArray);
  if (s_u32Allocated >= SERVER_MONITOR_SLOTS - 1) return SERVER_MONITOR_INVALID;
  SERVER_MONITOR_TYPE* m = &mtServerMonitorArray[s_u32Allocated];
  memset(m, 0, sizeof *m);
  m->u32TimeoutTimeInterval = SERVER_MONITOR_DEFAULT_TIMEOUT_MS;
  m->u32LastMessageReceivedTime = s_u32Now();
  return s_u32Allocated++;
}

void U_SERVER_MONITOR_vSetServerAddress(U32 u32Handle, const GMSG_ADDRESS* pAddress) {
  MonitorLock lock;
  SERVER_MONITOR_TYPE* m = s_pMonitor(u32Handle);
  if (!m || !pAddress) return;
  m->gaServerAddress = *pAddress;
  m->u32LastMessageReceivedTime = s_u32Now();
}

void U_SERVER_MONITOR_vSetMailbox(U32 u32Handle, MBOX mbox) {
  MonitorLock lock;
  if (SERVER_MONITOR_TYPE* m = s_pMonitor(u32Handle)) m->mboxId = mbox;
}

void U_SERVER_MONITOR_vSetTimeoutInterval(U32 u32Handle, U32 u32Milliseconds) {
  MonitorLock lock;
  if (SERVER_MONITOR_TYPE* m = s_pMonitor(u32Handle)) m->u32TimeoutTimeInterval = u32Milliseconds;
}

void U_SERVER_MONITOR_vSetUserName(U32 u32Handle, const char* pcName) {
  MonitorLock lock;
  if (SERVER_MONITOR_TYPE* m = s_pMonitor(u32Handle)) m->pUserName = pcName;
}

void U_SERVER_MONITOR_vSetActive(U32 u32Handle, BOOLEAN bActive) {
  MonitorLock lock;
  if (SERVER_MONITOR_TYPE* m = s_pMonitor(u32Handle)) {
    m->bActive = bActive ? TRUE : FALSE;
    m->u32LastMessageReceivedTime = s_u32Now();
  }
}

void U_SERVER_MONITOR_vReceivedMessage(U32 u32Handle) {
  MonitorLock lock;
  if (SERVER_MONITOR_TYPE* m = s_pMonitor(u32Handle)) m->u32LastMessageReceivedTime = s_u32Now();
}

void U_SERVER_MONITOR_vCheckForTimeouts(void) {
  MonitorLock lock;
  for (U32 i = 0; i < s_u32Allocated; i++) {
    SERVER_MONITOR_TYPE* m = &mtServerMonitorArray[i];
    if (!m->bActive) continue;
    const U32 u32TimeNow = s_u32Now();
    const U32 u32TimeInterval = H_TICK_u32ElapsedTime(m->u32LastMessageReceivedTime, u32TimeNow);
    if (u32TimeInterval <= m->u32TimeoutTimeInterval) continue;
    log_me("U_SERVER_MONITOR_vCheckForTimeouts: Timeout! pName = %s u32TimeNow = %d u32TimeInterval = %d "
           "mtServerMonitorArray[%d].u32TimeoutTimeInterval = %d\n",
           m->pUserName ? m->pUserName : "(null)", (int)u32TimeNow, (int)u32TimeInterval, (int)i,
           (int)m->u32TimeoutTimeInterval);
    auto* msg = static_cast<MSG_SERVER_MONITOR_TIMEOUT*>(H_MEMORY_pvMallocNoWait(sizeof(MSG_SERVER_MONITOR_TIMEOUT)));
    if (msg) {
      memset(msg, 0, sizeof *msg);
      msg->Header.Cmd = CMD_ID_SERVER_MONITOR_TIMEOUT;
      msg->u32Mailbox = (U32)m->mboxId;
      msg->ServerAddress = m->gaServerAddress;
      m->bActive = FALSE;
      if (L_MBOX_Send(m->mboxId, msg, SERVER_MONITOR_MESSAGE_PRIORITY, 0) != lsSUCCESS) H_MEMORY_vFree(msg);
    }
    m->u32LastMessageReceivedTime = u32TimeNow;
  }
}

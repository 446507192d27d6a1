// The factory in-line test task: take-over, the frame protocol on serial
// port 0 and the command handlers (see t_inlinetest.h).
#include "source/startup/t_inlinetest.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <mutex>

#include "common/cmd_id.h"
#include "common/db_types.h"
#include "common/key_types.h"
#include "source/core/h_database.h"
#include "source/core/h_inlinetest.h"
#include "source/core/h_nvram.h"
#include "source/core/u_shutdown.h"
#include "source/core/version.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/u_view.h"
#include "source/startup/startup_upcalls.h"
#include "source/startup/t_nvram.h"

namespace {

constexpr U32 SHUTDOWN_ACK_MS = 1000;
constexpr U32 COPROC_WAIT_MS = 5000;  // the longest wait for the coprocessor at the take-over
constexpr U32 SEND_WAIT_MS = 2000;    // the longest wait for room in the transmit queue
const char* const WAITING_TEXT = "Waiting for Test Command";

std::atomic<bool> s_bInInlineTest{false};
char s_strStartingTest[INLINETEST_STATUS_TEXT + 1] = "Waiting for Test Command";  // under RES_INLINETEST
INLINETEST_RX s_rx;

const INLINETEST_COMMAND s_tLookupCommand[INLINETEST_COMMANDS] = {
    {T_INLINETEST_bWriteDatabaseItem, 'w', 1},     {T_INLINETEST_bReadDatabaseItem, 'r', 1},
    {T_INLINETEST_bClearUserInfo, 'c', 0},         {T_INLINETEST_bReturnSoftwareVersion, 'v', 0},
    {T_INLINETEST_bResetGps, 'g', 0},              {T_INLINETEST_bHandleScratchNVR, 'e', 0},
    {T_INLINETEST_bStopPing, 'S', 0},              {T_INLINETEST_bExitTest, 'x', 0},
    {T_INLINETEST_bDisplayMsg, 'd', 1},            {T_INLINETEST_bRunTest, 't', 1},
    {T_INLINETEST_bChecksumMaps, 'm', 0},          {T_INLINETEST_bLinuxCommand, 'l', 1},
    {T_INLINETEST_bLinuxGPUCheck, 'p', 0},         {T_INLINETEST_bCustomScreen, 'i', 1},
    {T_INLINETEST_bReadEfuse, 'f', 1},
};

void vReply(char* pcFrame, const char* pcText) { snprintf(pcFrame, INLINETEST_FRAME_BYTES, "%s", pcText); }

// The key at the start of the text (first character in the lowest byte);
// false when the text holds fewer than four characters.
bool bKeyOf(const char* pcText, FOURCHARID* pKey) {
  if (strnlen(pcText, 4) < 4) return false;
  *pKey = MAKE_FOURCHARID(pcText[0], pcText[1], pcText[2], pcText[3]);
  return true;
}

// A decimal number of 32 bits and nothing else.
bool bDecimal(const char* pcText, U32* pValue) {
  if (*pcText == '\0') return false;
  unsigned long long v = 0;
  for (const char* p = pcText; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    v = v * 10 + (unsigned)(*p - '0');
    if (v > 0xFFFFFFFFull) return false;
  }
  *pValue = (U32)v;
  return true;
}

int nExitStatus(int status) {
  if (status < 0) return status;
  return (status & 0x7F) == 0 ? (status >> 8) & 0xFF : 128 + (status & 0x7F);
}

// Each mailbox gets a shutdown message of its own: one not acknowledged in
// time stays queued there (its receiver frees it), so a shared message
// would be linked into two mailboxes at once.
void vSendShutdown(MBOX mbox) {
  auto* m = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE)));
  memset(m, 0, sizeof *m);
  m->Cmd = CMD_ID_SHUTDOWN;
  const S32 rc = L_MBOX_SendWaitTicks(mbox, m, 3, SEMA_SONAR_SHUTDOWN, SHUTDOWN_ACK_MS);
  if (rc == lsSUCCESS || rc == -lsMBOX_INVALID || rc == -lsSEMA_INVALID) {
    H_MEMORY_vFree(m);
  }
  if (rc != lsSUCCESS) log_me("INLINETEST: mailbox %d did not acknowledge the shutdown (%d)", (int)mbox, (int)rc);
}

void vWaitForKey(FOURCHARID key, U32 pauseMs) {
  U32 value = 0;
  while (!H_DATABASE_bFetchU32(key, &value)) L_CLOCK_Sleep(pauseMs);
}

void vTakeOver(void) {
  s_bInInlineTest.store(true);
  (void)H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_INLINE_TEST, P_TESTMODE);
  for (U32 waited = 0; !INLINETEST_bCoprocessorReady(); waited += 100) {
    if (waited >= COPROC_WAIT_MS) {
      log_me("INLINETEST: the sonar coprocessor is not ready, going on without it");
      break;
    }
    L_CLOCK_Sleep(100);
  }
  (void)U_KEYBOARD_bRegisterKeys(M_INLINETEST, 0xFFFE, KEY_CHANGE, FALSE, FALSE, CURSOR_4, REGISTER_DIAGNOSTIC);
  (void)U_KEYBOARD_bRegisterKeys(M_INLINETEST, 1, KEY_CHANGE, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_DIAGNOSTIC);
  if (!U_VIEW_bRegisterLayer(&T_INLINETEST_vDrawTestLayer, IN_LINE_TEST_LAYER, USED_BY_NONE, 0, 0, TRUE, nullptr,
                             nullptr, nullptr)) {
    FATAL_ERROR("Unable to register IN_LINE_TEST_LAYER");
  }
  (void)H_DATABASE_bUpdateValueU32(FCID("CVEW"), IN_LINE_TEST_LAYER, P_TESTMODE);
  (void)L_SEMA_Signal(SEMA_CLEAR_ALARMS);
  vWaitForKey(FCID("TSMG"), 1);
  for (MBOX mbox : {M_PING, M_PROCESS, M_HISTORY, M_MMC}) vSendShutdown(mbox);
  // The chart task is stopped only while it holds none of its resources.
  static const MUTEX s_aLocks[] = {RES_CHART_CACHE, RES_FS_FOP, RES_NAND_HDWR, RES_MMC_HDWR, RES_CHART_IMAGES,
                                   RES_DATABASE};
  for (MUTEX m : s_aLocks) (void)L_MUTEX_LockWait(m);
  (void)L_TASK_Terminate(TASK_CHARTTASK);
  for (int i = (int)(sizeof s_aLocks / sizeof s_aLocks[0]) - 1; i >= 0; --i) (void)L_MUTEX_Unlock(s_aLocks[i]);
  vSendShutdown(M_ACCESSORY);
  vWaitForKey(FCID("TBAT"), 5);
  (void)L_TASK_SetPriority(TASK_UARTTASK, 1);
  (void)U_UART_bRegisterForChannel(2, 0, -1);
  (void)U_UART_bRegisterForChannel(3, 0, -1);
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
  log_me("INLINETEST: unit taken over for the in-line test");
  T_INLINETEST_vSendString("#ACK\n\r");
}

void vSendToLink(const char* pcText) { T_INLINETEST_vSendString(pcText); }

}  // namespace

// ------------------------------------------------------------ frames
const INLINETEST_COMMAND* T_INLINETEST_pCommands(void) { return s_tLookupCommand; }

void T_INLINETEST_vResetRx(INLINETEST_RX* pRx) {
  if (pRx->pcFrame != nullptr) H_MEMORY_vFree(pRx->pcFrame);
  pRx->pcFrame = nullptr;
  pRx->u32Used = 0;
  pRx->nCommand = INLINETEST_NO_COMMAND;
  pRx->eState = RX_WAIT_PREFIX;
}

void T_INLINETEST_vFeed(INLINETEST_RX* pRx, U8 u8Byte, void (*pfnReply)(const char*),
                        const INLINETEST_COMMAND* pTable) {
  if (pTable == nullptr) pTable = s_tLookupCommand;
  const bool bLineEnd = u8Byte == '\r' || u8Byte == '\n';
  bool bDispatch = false;
  switch (pRx->eState) {
    case RX_WAIT_PREFIX:
      if (u8Byte != '#') return;
      T_INLINETEST_vResetRx(pRx);
      pRx->pcFrame = static_cast<char*>(H_MEMORY_pvMalloc(INLINETEST_FRAME_BYTES));
      if (pRx->pcFrame == nullptr) return;
      memset(pRx->pcFrame, 0, INLINETEST_FRAME_BYTES);
      pRx->eState = RX_WAIT_COMMAND;
      return;
    case RX_WAIT_COMMAND:
      for (int i = 0; i < INLINETEST_COMMANDS; ++i) {
        if ((U8)pTable[i].cLetter == u8Byte) {
          pRx->nCommand = i;
          pRx->eState = pTable[i].bArguments ? RX_WAIT_DATA : RX_WAIT_CR;
          return;
        }
      }
      T_INLINETEST_vResetRx(pRx);
      return;
    case RX_WAIT_DATA:
      if (bLineEnd) {
        bDispatch = true;
      } else if (pRx->u32Used < INLINETEST_FRAME_BYTES - 1) {
        pRx->pcFrame[pRx->u32Used++] = (char)u8Byte;
        pRx->pcFrame[pRx->u32Used] = '\0';
      } else {
        bDispatch = true;  // full: this byte is dropped, the frame goes with what it holds
      }
      break;
    case RX_WAIT_CR:
      if (bLineEnd) {
        bDispatch = true;
      } else {
        T_INLINETEST_vResetRx(pRx);
      }
      break;
  }
  if (!bDispatch) return;
  const INLINETEST_COMMAND& row = pTable[pRx->nCommand];
  char* frame = pRx->pcFrame;
  pRx->pcFrame = nullptr;  // a handler that ends the program must not find it half released
  T_INLINETEST_vResetRx(pRx);
  frame[INLINETEST_FRAME_BYTES - 1] = '\0';
  (void)row.pfnHandler(frame);
  frame[INLINETEST_FRAME_BYTES - 1] = '\0';
  if (pfnReply != nullptr) pfnReply(frame);
  H_MEMORY_vFree(frame);
}

void T_INLINETEST_vSendString(const char* pcText) {
  if (pcText == nullptr) return;
  for (const char* p = pcText; *p; ++p) {
    const U8 byte = (U8)*p;
    if (L_QUEUE_PutWaitTicks(Q_TRANSMIT_UART0, &byte, SEND_WAIT_MS) != lsSUCCESS) {
      log_me("INLINETEST: port 0 does not send, reply cut short");
      return;
    }
  }
}

int T_INLINETEST_nScanInts(char* pcText, S32* pns32Values, int nMax) {
  int n = 0;
  char* p = pcText;
  char* firstEnd = nullptr;
  while (n < nMax && n < 16) {
    char* comma = strchr(p, ',');
    if (comma != nullptr) *comma = '\0';
    pns32Values[n++] = (*p == 'F') ? 1 : (S32)strtol(p, nullptr, 10);
    if (firstEnd == nullptr) firstEnd = comma;
    if (comma == nullptr) break;
    p = comma + 1;
  }
  // The reply buffer keeps only the first field.
  if (firstEnd != nullptr) *firstEnd = '\0';
  return n;
}

// ------------------------------------------------------------ handlers
BOOLEAN T_INLINETEST_bWriteDatabaseItem(char* pcFrame) {
  FOURCHARID key = 0;
  U32 value = 0;
  if (!bKeyOf(pcFrame, &key) || pcFrame[4] == '\0' || !bDecimal(pcFrame + 5, &value)) {
    log_me("INLINETEST: write refused, not a key, separator and decimal value");
    vReply(pcFrame, "#NAK\n\r");
    return TRUE;
  }
  (void)H_DATABASE_bUpdateValueU32(key, value, P_TESTMODE);
  U32 back = 0;
  if (H_DATABASE_bFetchU32(key, &back) && back == value) {
    (void)L_SEMA_Signal(SEMA_NVRAM_UPDATE);
    vReply(pcFrame, "#ACK\n\r");
  } else {
    vReply(pcFrame, "#NAK\n\r");
  }
  return TRUE;
}

BOOLEAN T_INLINETEST_bReadDatabaseItem(char* pcFrame) {
  FOURCHARID key = 0;
  U32 value = 0;
  if (!bKeyOf(pcFrame, &key) || !H_DATABASE_bFetchU32(key, &value)) {
    vReply(pcFrame, "#NAK\n\r");
    return TRUE;
  }
  snprintf(pcFrame, INLINETEST_FRAME_BYTES, "%u\n\r", (unsigned)value);
  return TRUE;
}

BOOLEAN T_INLINETEST_bClearUserInfo(char* pcFrame) {
  U32 mbox = 0;
  if (H_DATABASE_bFetchU32(FCID("TNVR"), &mbox)) {
    static PERSONALIZATION_DATA_BLOCK s_block;
    memset(&s_block, 0, sizeof s_block);
    auto* msg = static_cast<MSG_WRITE_PERSONALIZED*>(H_MEMORY_pvMalloc(sizeof(MSG_WRITE_PERSONALIZED)));
    if (msg != nullptr) {
      memset(msg, 0, sizeof *msg);
      msg->Header.Cmd = CMD_ID_WRITE_PERSONALIZED;
      msg->pPersonData = &s_block;
      // A semaphore of its own: "?" on port 0 signals the connect semaphore.
      if (L_MBOX_SendWait((MBOX)mbox, msg, 3, SEMA_INLINE_TEST) == lsSUCCESS) {
        H_MEMORY_vFree(msg);
      } else {
        log_me("INLINETEST: the NVRAM task did not take the personal data");
      }
    }
  }
  T_NAV_vDeleteAllTracksWaypointsRoutes(TRUE);
  vReply(pcFrame, "#ACK\n\r");
  return TRUE;
}

BOOLEAN T_INLINETEST_bReturnSoftwareVersion(char* pcFrame) {
  const VERSION_INFO* v = VERSION_pversion_infoGetCurrentVersion();
  snprintf(pcFrame, INLINETEST_FRAME_BYTES, "%s\n\r", v != nullptr ? v->version : "");
  return TRUE;
}

BOOLEAN T_INLINETEST_bResetGps(char* pcFrame) {
  vReply(pcFrame, "GPS Reset\n\r");
  return TRUE;
}

BOOLEAN T_INLINETEST_bHandleScratchNVR(char* pcFrame) {
  pcFrame[0] = '\0';
  if (!s_bInInlineTest.load()) return TRUE;
  T_INLINETEST_vSetStatus("Erasing NVR");
  INLINETEST_HW_vStopTimer();
  L_CLOCK_Sleep(10);
  static const FOURCHARID s_aKeep[] = {FCID("TTST"), FCID("TVUE"), FCID("TDSP"), 0};
  (void)U_SHUTDOWN_vShutdown(s_aKeep);  // the NVRAM task saves once more and then no longer
  (void)H_NVRAM_bScratchNVR(H_NVRAM_SCRATCH_CODE_1, H_NVRAM_SCRATCH_CODE_2);
  T_NAV_NVRAM_vErase();
  T_NAV_NVRAM_vInit();
  T_NVRAM_vInitHardware();
  H_NVRAM_vFlashWriteBack();
  T_INLINETEST_vSetStatus("NVR Erased");
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
  return TRUE;
}

BOOLEAN T_INLINETEST_bStopPing(char* pcFrame) {
  INLINETEST_HW_vStopTimer();
  pcFrame[0] = '\0';
  return TRUE;
}

BOOLEAN T_INLINETEST_bExitTest(char* pcFrame) {
  T_INLINETEST_vSendString("#ACK\n\r");
  pcFrame[0] = '\0';
  // Pending saves ("w", the pass bits) are written before the program ends.
  static const FOURCHARID s_aKeep[] = {FCID("TTST"), FCID("TVUE"), FCID("TDSP"), FCID("TURT"), 0};
  (void)U_SHUTDOWN_vShutdown(s_aKeep);
  for (int i = 0; i < 100 && L_QUEUE_Inquire(Q_TRANSMIT_UART0) > 0; ++i) L_CLOCK_Sleep(10);
  L_CLOCK_Sleep(50);
  H_SHUTDOWN_vShutdown();
  return TRUE;
}

BOOLEAN T_INLINETEST_bDisplayMsg(char* pcFrame) {
  T_INLINETEST_vSetStatus(pcFrame[0] != '\0' ? pcFrame : WAITING_TEXT);
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
  return TRUE;
}

BOOLEAN T_INLINETEST_bRunTest(char* pcFrame) {
  INLINETEST_HW_vRunTest(pcFrame);
  return TRUE;
}

BOOLEAN T_INLINETEST_bChecksumMaps(char* pcFrame) {
  (void)H_INLINETEST_bVerifyMapChecksums("/usr/tessix/ZAVIDODA/CHARTS/isolinex.md5");
  vReply(pcFrame, "\n\r");
  return TRUE;
}

BOOLEAN T_INLINETEST_bLinuxCommand(char* pcFrame) {
  printf("Trying system command %s\n", pcFrame);
  fflush(stdout);
  const int status = nExitStatus(L_UTILS_nSystem(pcFrame));
  if (status != 0) {
    log_me("syscmd failed!");
    vReply(pcFrame, "Error in system command!\n\r");
  } else {
    vReply(pcFrame, "Command Completed Successfully!\n\r");
  }
  return TRUE;
}

BOOLEAN T_INLINETEST_bLinuxGPUCheck(char* pcFrame) {
  printf("Trying dmesg | grep sgx\n");
  fflush(stdout);
  vReply(pcFrame, nExitStatus(L_UTILS_nSystem("dmesg | grep sgx")) == 0 ? "GPU present\n\r" : "No GPU\n\r");
  return TRUE;
}

BOOLEAN T_INLINETEST_bCustomScreen(char*) { return TRUE; }
BOOLEAN T_INLINETEST_bReadEfuse(char*) { return TRUE; }

// ------------------------------------------------------------ shared state
void T_INLINETEST_vSetStatus(const char* pcText) {
  (void)L_MUTEX_LockWait(RES_INLINETEST);
  snprintf(s_strStartingTest, sizeof s_strStartingTest, "%s", pcText);
  (void)L_MUTEX_Unlock(RES_INLINETEST);
}

void T_INLINETEST_vDrawTestLayer(BITMAP* pBitmap, const WINDOW_SPECIFICATION*) {
  if (pBitmap == nullptr) return;
  (void)L_MUTEX_LockWait(RES_INLINETEST);
  INLINETEST_HW_vDraw(pBitmap, s_strStartingTest);
  (void)L_MUTEX_Unlock(RES_INLINETEST);
}

// ------------------------------------------------------------ the task
void T_INLINETEST_vTask(void) {
  T_INLINETEST_vSetStatus(WAITING_TEXT);
  (void)L_MBOX_DefineSema(M_INLINETEST, SEMA_MBOX_INLINETEST);
  if (H_DATABASE_bUpdateEverythingU32(FCID("TTST"), M_INLINETEST, P_TESTMODE, D_MAILBOX, nullptr, DB_NO_TIMEOUT)) {
    FATAL_ERROR("Somebody else registered the Inline Test Task Maibox");
  }
  s_bInInlineTest.store(false);
  INLINETEST_HW_vInit();
  // The serial-port task may still be starting: its key is polled for
  // between the waits.
  bool bRegistered = false;
  SEMA waitList[] = {SEMA_MBOX_INLINETEST, SEMA_TEST_CONNECT, SEMA_TIMER_SONAR_TEST, 0, 0};
  for (;;) {
    if (!bRegistered) {
      U32 uart = 0;
      if (H_DATABASE_bFetchU32(FCID("TURT"), &uart)) {
        bRegistered = U_UART_bRegisterForChannel(0, '?', SEMA_TEST_CONNECT) != FALSE;
      }
    }
    const S32 fired = bRegistered ? L_SEMA_WaitMultiple(waitList) : L_SEMA_WaitMultipleTicks(waitList, 50);
    if (fired == -lsTIMEOUT || fired == lsTIMEOUT) continue;
    if (fired == SEMA_MBOX_INLINETEST) {
      while (void* pMsg = L_MBOX_Receive(M_INLINETEST)) {
        auto* generic = static_cast<GENERIC_MESSAGE*>(pMsg);
        if (generic->Cmd == CMD_ID_RUN_SYSTEM) {
          U32 state = 0;
          if (H_DATABASE_bFetchU32(FCID("CCST"), &state) && state == STATE_BURN_IN) {
            (void)H_INLINETEST_bVerifyMapChecksums("/usr/tessix/ZAVIDODA/CHARTS/isolinex.md5");
          }
        } else if (generic->Cmd == CMD_ID_KEY_CHANGE) {
          INLINETEST_HW_vKey(static_cast<MSG_KEY_CHANGE*>(pMsg));
          (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
        }
        H_MEMORY_vDumpMail(pMsg);
      }
    } else if (fired == SEMA_TEST_CONNECT) {
      if (!s_bInInlineTest.load()) {
        vTakeOver();
        waitList[3] = SEMA_QUEUE_RX0;
      }
    } else if (fired == SEMA_TIMER_SONAR_TEST) {
      INLINETEST_HW_vTick();
      (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
    } else if (fired == SEMA_QUEUE_RX0) {
      U16 element = 0;
      while (L_QUEUE_Get(Q_RECEIVE_UART0, &element) == lsSUCCESS) {
        T_INLINETEST_vFeed(&s_rx, (U8)(element & 0xFF), &vSendToLink);
      }
    } else {
      log_me("INLINETEST: cannot wait on its semaphores (%d)", (int)fired);
      L_CLOCK_Sleep(1000);
    }
  }
}

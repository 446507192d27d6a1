// Orderly shutdown. Every task is sent CMD_ID_SHUTDOWN in turn and waited
// for; the NVRAM task goes last so that the settings it saves reflect what
// the other tasks did while they finished.
//
// Each send sets the acknowledgement semaphore pending first, and a task
// that misses its time limit keeps its message as an abandoned one: its late
// H_MEMORY_vDumpMail frees the block without signalling, so it can never be
// taken for the acknowledgement of the next task. The next task gets a new
// block, as the old one may still lie in the late task's mailbox.
#include "source/core/u_shutdown.h"

#include <string.h>

#include "common/db_types.h"
#include "source/core/h_database.h"

namespace {

constexpr PRIORITY SHUTDOWN_MSG_PRIORITY = 3;

bool bExcluded(FOURCHARID key, const FOURCHARID* pExclusions) {
  if (pExclusions == nullptr) return false;
  for (const FOURCHARID* p = pExclusions; *p != 0; ++p) {
    if (*p == key) return true;
  }
  return false;
}

// The four characters of a key, for trace lines.
struct KEY_TEXT {
  char text[5];
  explicit KEY_TEXT(FOURCHARID key) {
    for (int i = 0; i < 4; ++i) {
      const char ch = (char)((key >> (8 * i)) & 0xFF);
      text[i] = (ch >= 0x20 && ch < 0x7F) ? ch : '?';
    }
    text[4] = '\0';
  }
};

GENERIC_MESSAGE* pNewMessage(void) {
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  if (msg == nullptr) {
    ERROR_error(__FILE__, __LINE__, "Out of messages in shutdown");
    U_RESET_vReset();
  }
  return msg;
}

void vPrepare(GENERIC_MESSAGE* msg) {
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_SHUTDOWN;
}

// A send that failed before the message was queued leaves the block with
// the sender.
bool bNotSent(S32 rc) { return rc == -lsMBOX_INVALID || rc == -lsSEMA_INVALID; }

// Sends the shutdown to one task and waits for it. Returns the block to use
// for the next task: the same one when it came back, a new one otherwise.
GENERIC_MESSAGE* pShutdownOne(GENERIC_MESSAGE* msg, FOURCHARID key, MBOX mbox) {
  vPrepare(msg);
  const KEY_TEXT name(key);
  log_me("shutdown: %s (mailbox %d)", name.text, mbox);
  const S32 rc = L_MBOX_SendWaitTicks(mbox, msg, SHUTDOWN_MSG_PRIORITY, SEMA_SHUTDOWN_KEYB, U_SHUTDOWN_ACK_MS);
  if (rc == lsSUCCESS) return msg;
  if (bNotSent(rc)) {
    log_me("shutdown: %s names mailbox %d, not sent (%d)", name.text, mbox, rc);
    return msg;
  }
  log_me("shutdown: %s (mailbox %d) did not acknowledge (%d)", name.text, mbox, rc);
  return pNewMessage();
}

}  // namespace

S32 U_SHUTDOWN_vShutdown(const FOURCHARID* pExclusions) {
  GENERIC_MESSAGE* msg = pNewMessage();
  bool bNvram = false;
  MBOX mboxNvram = 0;

  MULTI_FETCH_CONTROL_STRUCTURE walk;
  memset(&walk, 0, sizeof walk);
  walk.cMatch = 'T';
  while (H_DATABASE_bFetchNextBeginningWith(&walk)) {
    if (walk.id == FCID("TNVR")) {
      bNvram = true;
      mboxNvram = (MBOX)walk.data.u32Val;
      continue;
    }
    if (walk.id == FCID("TKBD") || bExcluded(walk.id, pExclusions)) continue;
    msg = pShutdownOne(msg, walk.id, (MBOX)walk.data.u32Val);
  }

  if (!bNvram) {
    H_MEMORY_vFree(msg);
    return 0;
  }
  // The NVRAM task saves the settings before it acknowledges: no time limit.
  vPrepare(msg);
  log_me("shutdown: TNVR (mailbox %d)", mboxNvram);
  const S32 rc = L_MBOX_SendWait(mboxNvram, msg, SHUTDOWN_MSG_PRIORITY, SEMA_SHUTDOWN_KEYB);
  if (rc == lsSUCCESS || bNotSent(rc)) H_MEMORY_vFree(msg);
  if (rc != lsSUCCESS) log_me("shutdown: TNVR (mailbox %d) did not acknowledge (%d)", mboxNvram, rc);
  return rc;
}

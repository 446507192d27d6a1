// The view-key task: steps through the views on the VIEW and EXIT keys,
// restores the view of the last shutdown at start, saves it at shutdown and
// sets the factory view on a factory reset.
#include "source/graphics/t_viewkey.h"

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/t_view_review.h"
#include "source/ui/t_keyboard.h"
#include "source/graphics/t_view.h"

namespace {

// TRUE until the first CMD_ID_RUN_SYSTEM has been handled.
bool firstPass = true;

BOOLEAN bIsShownView(const LAYER_ITEM* p) { return p->where_used == USED_BY_NONE && p->bCurrentDisplayMode; }

void vWriteCurrentView(LAYER_ID layer) { (void)H_DATABASE_bUpdateValueS32(VIEW_KEY_CURRENT, (S32)layer, P_NORMAL); }

// The system state; FALSE when the key holds no value.
bool bFetchState(S32* pState) { return H_DATABASE_bFetchS32(VIEW_KEY_STATE, pState) != FALSE; }

// The current view; it exists from the view task's start on, so a missing
// or invalid value means the tasks were started in a broken order.
LAYER_ID eFetchCurrentView(void) {
  S32 s32View = NO_VIEW_PRIORITY;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchS32(VIEW_KEY_CURRENT, &s32View, &bValid)) FATAL_ERROR("T_VIEW, no CVEW item");
  if (!bValid) FATAL_ERROR("T_VIEW, CVEW invalid");
  return (LAYER_ID)s32View;
}

// Identifiers of full views lie below the overlays; a saved value outside
// that range (a damaged settings file) must not become the current view.
bool bIsViewIdentifier(S32 s32Layer) { return s32Layer > USED_BY_NONE && s32Layer < SONAR_COMBO_LAYER; }

// First CMD_ID_RUN_SYSTEM: the view of the last shutdown comes back, except
// in the diagnostic and in-line test states, which choose their own view,
// and in the point-of-sale demonstration, which starts on the factory view.
void vRestoreView(void) {
  S32 state = 0;
  if (!bFetchState(&state)) {
    vWriteCurrentView(VIEWKEY_FACTORY_VIEW);
    return;
  }
  if (state == STATE_DIAGNOSTIC || state == STATE_INLINE_TEST) return;
  S32 s32Saved = 0;
  if (state == STATE_POINT_OF_SALE || !H_DATABASE_bFetchS32(VIEWKEY_KEY_SAVED_VIEW, &s32Saved)) {
    vWriteCurrentView(VIEWKEY_FACTORY_VIEW);
    return;
  }
  if (!bIsViewIdentifier(s32Saved)) {
    log_me("VIEWKEY: saved view %d is not a view; the factory view is shown", (int)s32Saved);
    vWriteCurrentView(VIEWKEY_FACTORY_VIEW);
    return;
  }
  vWriteCurrentView((LAYER_ID)s32Saved);
}

// VIEW and EXIT only, on their press; the keyboard task asks again until
// its mailbox key exists.
void vRegisterKeys(void) {
  while (!U_KEYBOARD_bRegisterKeys(M_VIEWKEY, KEY_MASK_VIEW | KEY_MASK_EXIT, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY,
                                   REGISTER_EXCLUSIVE)) {
    L_CLOCK_Sleep(1);
  }
}

void vHandleRunSystem(void) {
  if (!firstPass) return;
  firstPass = false;
  vRestoreView();
  vRegisterKeys();
}

// CMD_ID_SHUTDOWN: the current view is kept for the next start when the
// unit runs in one of the user's own states.
void vSaveView(void) {
  S32 state = 0;
  if (bFetchState(&state) && (state == STATE_PLAYBACK || state == STATE_NORMAL_RUN || state == STATE_SIMULATION)) {
    const LAYER_ID current = eFetchCurrentView();
    if (current != NO_VIEW_PRIORITY) {
      (void)H_DATABASE_bUpdateValueS32(VIEWKEY_KEY_SAVED_VIEW, (S32)current, P_NORMAL);
    }
  }
  GUI_vSaveN2KViewsVisibility();
}

// CMD_ID_RESET_POS.
void vFactoryView(void) {
  S32 state = 0;
  if (bFetchState(&state) && state == STATE_INLINE_TEST) return;
  vWriteCurrentView(VIEWKEY_FACTORY_VIEW);
}

// The chosen view becomes current. The page being composed is dropped
// before the change is written, so that the view task's page of the new
// view, which clears those flags as it begins, is never the one dropped.
void vFinish(LAYER_ID result) {
  T_VIEW_vMarkViewChanged();
  vWriteCurrentView(result);
  log_me("VIEWKEY: view %d", (int)result);
  (void)L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
}

// VIEW: the next shown view after the one on the screen.
void vSetNextBackgroundLayer(void) {
  T_NAV_vUnRegisterSnapshotPreviewLayer();
  vFinish(T_VIEW_eChooseNextBackgroundLayer());
}

void vHandleKey(const MSG_KEY_CHANGE* pMsg) {
  switch (pMsg->key) {
    case KEY_MASK_VIEW:
      vSetNextBackgroundLayer();
      break;
    case KEY_MASK_EXIT:
      T_VIEWKEY_vSetPriorBackgroundLayer();
      break;
    default:
      (void)L_SEMA_Signal(SEMA_KEYCLICK_BAD);
      break;
  }
  // Whatever the key, the review view's full-size picture is given up.
  T_VIEW_vReviewReleaseFullPicture();
}

void vHandleMessage(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_RUN_SYSTEM:
      vHandleRunSystem();
      break;
    case CMD_ID_KEY_CHANGE:
      vHandleKey(reinterpret_cast<const MSG_KEY_CHANGE*>(pMsg));
      break;
    case CMD_ID_SHUTDOWN:
      vSaveView();
      break;
    case CMD_ID_RESET_POS:
      vFactoryView();
      break;
    default:
      break;
  }
  H_MEMORY_vDumpMail(pMsg);
}

}  // namespace

LAYER_ID T_VIEWKEY_ePriorBackgroundLayer(LAYER_ID current) {
  LAYER_ID result = NO_VIEW_PRIORITY;
  (void)L_MUTEX_LockWait(RES_VIEW_LIST);
  const LAYER_ITEM* pHead = T_VIEW_pGetLayerList();
  const LAYER_ITEM* pFound = nullptr;
  if (pHead != nullptr && pHead->layer != current) {
    for (const LAYER_ITEM* p = pHead; p != nullptr && p->layer != current; p = p->next) {
      if (bIsShownView(p)) pFound = p;
    }
  }
  if (pFound == nullptr) {
    // Wrap: the last shown view of the whole list.
    for (const LAYER_ITEM* p = pHead; p != nullptr; p = p->next) {
      if (bIsShownView(p)) pFound = p;
    }
  }
  if (pFound != nullptr) result = pFound->layer;
  (void)L_MUTEX_Unlock(RES_VIEW_LIST);
  return result;
}

void T_VIEWKEY_vSetPriorBackgroundLayer(void) {
  const LAYER_ID current = eFetchCurrentView();
  vFinish(T_VIEWKEY_ePriorBackgroundLayer(current));
}

void T_VIEWKEY_vTask(void) {
  if (H_DATABASE_bUpdateEverythingU32(VIEWKEY_KEY_MAILBOX, M_VIEWKEY, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT)) {
    FATAL_ERROR("Somebody else registered the View Key Task Maibox");
  }
  static const SEMA s_waitList[] = {SEMA_MBOX_VIEWKEY, 0};
  for (;;) {
    const S32 fired = L_SEMA_WaitMultiple(s_waitList);
    if (fired != SEMA_MBOX_VIEWKEY) {
      log_me("VIEWKEY: cannot wait on its mailbox (%d)", (int)fired);
      L_CLOCK_Sleep(1000);
      continue;
    }
    while (void* pMsg = L_MBOX_Receive(M_VIEWKEY)) vHandleMessage(static_cast<GENERIC_MESSAGE*>(pMsg));
  }
}

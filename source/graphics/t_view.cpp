// The view task: its start, its wait loop and the commands of its mailbox.
// The layer list lives in t_view_layers.cpp, the refresh in
// t_view_refresh.cpp and the banners in t_view_banner.cpp.
#include <atomic>

#include "source/core/h_database.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/t_view_review.h"
#include "source/graphics/t_view_int.h"

WINDOW_SPECIFICATION s_windowSpec = {NO_VIEW_PRIORITY, SPLIT_RIGHT_WINDOW, SPLIT_FULL_WINDOW, {0, 0, 0, 0}, FALSE, 0};

namespace {

// The current view as other tasks read it.
std::atomic<S32> s_eShownLayer{NO_VIEW_PRIORITY};

// View task state.
bool s_bRunSystemSeen = false;
bool s_bGatewayKnown = false;
U32 s_u32Gateway = 0;

// Keys of the snapshot and recording review view.
constexpr FOURCHARID s_reviewKeys[] = {FCID("SCSC"), FCID("CPSP"), FCID("CPSM"), FCID("CSD0"), FCID("CSD1"),
                                       VIEW_KEY_SONAR_RECORDING};

bool bReviewKey(FOURCHARID key) {
  for (FOURCHARID k : s_reviewKeys) {
    if (k == key) return true;
  }
  return false;
}

void vHandleNewData(const MESSAGE_NEW_DATA* pMsg) {
  GUI_vHandleNewData(pMsg);
  const FOURCHARID key = pMsg->FourCharId;
  const U32 u32Value = pMsg->dbValue.u32Val;
  if (key == VIEW_KEY_CURRENT) {
    T_VIEW_vSetShownLayer((LAYER_ID)(S32)u32Value);
    T_VIEW_vReviewViewChanged((LAYER_ID)(S32)u32Value);
    T_VIEW_vRequestExpeditedViewUpdate();
    return;
  }
  if (key == VIEW_KEY_ACTIVE_SIDE) {
    s_windowSpec.activeWindow = (SPLIT_WINDOW_TYPE)(S32)u32Value;
    T_VIEW_vRequestPage();
    return;
  }
  if (key == VIEW_KEY_GATEWAY) {
    if (!s_bGatewayKnown || u32Value != s_u32Gateway) {
      s_bGatewayKnown = true;
      s_u32Gateway = u32Value;
      if (u32Value != 0) {
        GUI_vRegisterGatewayMenus();
        GUI_vRegisterNMEA2KUnits();
      } else {
        GUI_vUnRegisterGatewayMenus();
        GUI_vUnRegisterNMEA2KUnits();
      }
      T_VIEW_vRequestPage();
    }
    return;
  }
  // A sonar recording ends: the review view returns to its thumbnails
  // before the banner goes.
  if (bReviewKey(key)) {
    T_VIEW_vReviewNotice(pMsg);
    T_VIEW_vRequestPage();
  }
  if (T_VIEW_bBannerNotice(key, u32Value)) return;
  if (bReviewKey(key)) return;
  (void)T_VIEW_bHandleLayerKeyNotice(key, u32Value);
}

void vHandleRunSystem(void) {
  if (!s_bRunSystemSeen) {
    s_bRunSystemSeen = true;
    (void)GUI_bRunStart();
    T_VIEW_vBannerRunSystem();
    const S32 priority = L_TASK_GetPriority(TASK_VIEWTASK);
    if (priority > 0) T_VIEW_vSetNormalPriority((PRIORITY)priority);
  }
  T_VIEW_vReviewRunSystem();
}

void vHandleMessage(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_NEW_DATA:
      vHandleNewData(reinterpret_cast<const MESSAGE_NEW_DATA*>(pMsg));
      break;
    case CMD_ID_RESET_POS:
      T_VIEW_vResetDisplayKeys();
      GUI_vRestoreSlotsDefault();
      T_VIEW_vReviewResetPos();
      T_VIEW_vRequestPage();
      break;
    case CMD_ID_REGISTER_LAYER:
      T_VIEW_vHandleRegisterLayer(reinterpret_cast<MSG_REGISTER_LAYER*>(pMsg));
      break;
    case CMD_ID_UNREGISTER_LAYER:
      T_VIEW_vHandleUnregisterLayer(reinterpret_cast<MSG_UNREGISTER_LAYER*>(pMsg));
      break;
    case CMD_ID_SET_VIEW:
      T_VIEW_vSetBackgroundLayer(reinterpret_cast<const MSG_SET_VIEW*>(pMsg)->layer);
      break;
    case CMD_ID_PING_START:
    case CMD_ID_KEY_CHANGE:
      T_VIEW_vReviewMessage(pMsg);
      T_VIEW_vRequestPage();
      break;
    case CMD_ID_RUN_SYSTEM:
      vHandleRunSystem();
      break;
    default:
      break;  // CMD_ID_SHUTDOWN among them: nothing to do here
  }
  H_MEMORY_vDumpMail(pMsg);
}

}  // namespace

void T_VIEW_vSetShownLayer(LAYER_ID layer) {
  s_windowSpec.currentLayer = layer;
  s_eShownLayer.store(layer);
}

LAYER_ID T_VIEW_eShownLayer(void) { return (LAYER_ID)s_eShownLayer.load(); }

void T_VIEW_vTask(void) {
  (void)H_DATABASE_bUpdateValueS32(VIEW_KEY_CURRENT, NO_VIEW_PRIORITY, P_DEFAULT_SETTING);
  (void)H_DATABASE_bUpdateValueS32(VIEW_KEY_ACTIVE_SIDE, SPLIT_RIGHT_WINDOW, P_DEFAULT_SETTING);
  (void)H_DATABASE_bRegisterForDataWithConditions(VIEW_KEY_CURRENT, M_VIEW, TRUE, FALSE, FALSE);
  (void)H_DATABASE_bRegisterForDataWithConditions(VIEW_KEY_ACTIVE_SIDE, M_VIEW, TRUE, FALSE, FALSE);
  T_VIEW_vSetShownLayer(NO_VIEW_PRIORITY);
  s_windowSpec.activeWindow = SPLIT_RIGHT_WINDOW;
  T_VIEW_vRefreshInit();
  T_VIEW_vBannerInit();

  if (H_DATABASE_bUpdateEverythingU32(VIEW_KEY_MAILBOX, M_VIEW, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT)) {
    FATAL_ERROR("Somebody else registered the View Task Maibox");
  }
  (void)NMEA2kSource_bInit();
  (void)GUI_bStart();

  static const SEMA s_waitList[] = {SEMA_MBOX_VIEW,         SEMA_VIEW_RELEASE_BITMAP, SEMA_TIMER_SIM_MSG,
                                    SEMA_TIMER_VIEW_UPDATE, SEMA_VIEW_UPDATE,         0};
  for (;;) {
    const S32 fired = L_SEMA_WaitMultiple(s_waitList);
    switch (fired) {
      case SEMA_MBOX_VIEW:
        while (void* pMsg = L_MBOX_Receive(M_VIEW)) vHandleMessage(static_cast<GENERIC_MESSAGE*>(pMsg));
        break;
      case SEMA_VIEW_RELEASE_BITMAP:
        T_VIEW_vHandleReleaseBitmap();
        break;
      case SEMA_TIMER_SIM_MSG:
        T_VIEW_vHandleSimTimer();
        break;
      case SEMA_TIMER_VIEW_UPDATE:
        T_VIEW_vHandleUpdateTimer();
        break;
      case SEMA_VIEW_UPDATE:
        T_VIEW_vHandleRefreshRequest();
        break;
      default:
        log_me("VIEW: cannot wait on its semaphores (%d)\n", (int)fired);
        L_CLOCK_Sleep(1000);
        break;
    }
  }
}

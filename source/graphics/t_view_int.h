// What the modules of the view task share among themselves: the task's
// WINDOW_SPECIFICATION, the layer list and the handlers the main loop calls.
#pragma once

#include <atomic>

#include "common/db_types.h"
#include "source/graphics/t_view.h"

// The WINDOW_SPECIFICATION handed to every callback; the view task alone
// writes it.
extern WINDOW_SPECIFICATION s_windowSpec;
// Head of the layer list; changed only by the view task, under RES_VIEW_LIST.
extern LAYER_ITEM* s_playerHeadPointer;
// Set by any task to drop the page being composed; cleared at the start of
// each page.
extern std::atomic<BOOLEAN> s_bViewChanged;
extern std::atomic<BOOLEAN> s_bViewUpdateCancelled;

// ------------------------------------------------------------ t_view.cpp
// Makes the layer the view the task shows (s_windowSpec and the copy other
// tasks read).
void T_VIEW_vSetShownLayer(LAYER_ID layer);

// ------------------------------------------------------------ t_view_layers.cpp
void T_VIEW_vHandleRegisterLayer(MSG_REGISTER_LAYER* pMsg);
void T_VIEW_vHandleUnregisterLayer(MSG_UNREGISTER_LAYER* pMsg);
// A display key or split-position key changed; FALSE when no layer has it.
BOOLEAN T_VIEW_bHandleLayerKeyNotice(FOURCHARID key, U32 u32Value);
// Factory reset of the views' display keys.
void T_VIEW_vResetDisplayKeys(void);
// The list node of the layer, or null.
LAYER_ITEM* T_VIEW_pFindListNode(LAYER_ID layer);
// The list node of the layer when it is shown, or null.
LAYER_ITEM* T_VIEW_pFindShownListNode(LAYER_ID layer);

// ------------------------------------------------------------ t_view_refresh.cpp
// Allocates the task's timers; called once in the view task.
void T_VIEW_vRefreshInit(void);
// What is shown changed (a layer came or went, a banner, a dialog, a split
// or a display key): the view task asks itself for a page, drawn at once
// when the last one is 100 ms old, else when the pacing timer runs out.
// Requests made while one is pending merge into one page.
void T_VIEW_vRequestPage(void);
// SEMA_VIEW_UPDATE, SEMA_TIMER_VIEW_UPDATE and SEMA_VIEW_RELEASE_BITMAP fired.
void T_VIEW_vHandleRefreshRequest(void);
void T_VIEW_vHandleUpdateTimer(void);
void T_VIEW_vHandleReleaseBitmap(void);
// The task's own priority, read once the system runs.
void T_VIEW_vSetNormalPriority(PRIORITY priority);
// The window of a registration of that side and split percentage on the page.
void T_VIEW_vSetupWindow(const BITMAP* pPage, SPLIT_WINDOW_TYPE eSide, S32 s32Percentage, WINDOW_LOCATION* pWindow);

// ------------------------------------------------------------ t_view_banner.cpp
void T_VIEW_vBannerInit(void);
// First CMD_ID_RUN_SYSTEM: banners as a setting, the system state.
void T_VIEW_vBannerRunSystem(void);
// The one-second banner timer fired.
void T_VIEW_vHandleSimTimer(void);
// Change notices of CCST, SMSG, IPRA and CSRE; FALSE for any other key.
BOOLEAN T_VIEW_bBannerNotice(FOURCHARID key, U32 u32Value);

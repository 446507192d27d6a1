// Client functions of the view task: registration messages and the current
// view and side.
#include "source/graphics/u_view.h"

#include "source/core/h_database.h"
#include "source/graphics/t_view.h"

namespace {

// Message priority of registrations (ordinary local commands).
constexpr PRIORITY VIEW_MESSAGE_PRIORITY = 3;

// The view task's mailbox, 0 while its key is missing, invalid or out of range.
MBOX eViewMailbox(void) {
  U32 mailbox = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(VIEW_KEY_MAILBOX, &mailbox, &bValid) || !bValid) return 0;
  if (mailbox < 1 || mailbox > (U32)nmboxes) return 0;
  return (MBOX)mailbox;
}

// Sends a message block to the view task; the block is freed when it cannot
// be sent.
BOOLEAN bSend(MBOX mailbox, void* message) {
  if (L_MBOX_Send(mailbox, message, VIEW_MESSAGE_PRIORITY, 0) != lsSUCCESS) {
    H_MEMORY_vFree(message);
    return FALSE;
  }
  return TRUE;
}

BOOLEAN bRegister(DRAW_FUNCTION* pfnDraw, LAYER_ID layer, LAYER_ID layerWhereUsed, U32 u32User,
                  FOURCHARID fcidControl, BOOLEAN bDefaultState, DB_TEXT_RECORD pPlaybackString,
                  DB_TEXT_RECORD pSimString, DB_TEXT_RECORD pPOSString, SPLIT_WINDOW_TYPE eLocation,
                  FOURCHARID fcidSplitControl) {
  const MBOX mailbox = eViewMailbox();
  if (mailbox == 0) return FALSE;
  MSG_REGISTER_LAYER* pMsg = static_cast<MSG_REGISTER_LAYER*>(H_MEMORY_pvCalloc(1, sizeof(MSG_REGISTER_LAYER)));
  if (pMsg == nullptr) return FALSE;
  pMsg->header.Cmd = CMD_ID_REGISTER_LAYER;
  pMsg->layer = layer;
  pMsg->where_used = layerWhereUsed;
  pMsg->pDrawFunction = pfnDraw;
  pMsg->fcidDisplayFlag = fcidControl;
  pMsg->bDisplay = bDefaultState;
  pMsg->user = u32User;
  pMsg->pPlaybackString = pPlaybackString;
  pMsg->pSimString = pSimString;
  pMsg->pPOSString = pPOSString;
  pMsg->eLocation = eLocation;
  pMsg->fcidSplitControl = fcidSplitControl;
  pMsg->flag = FALSE;
  return bSend(mailbox, pMsg);
}

}  // namespace

BOOLEAN U_VIEW_bRegisterLayer(DRAW_FUNCTION* pfnDraw, LAYER_ID layer, LAYER_ID layerWhereUsed, U32 u32User,
                              FOURCHARID fcidControl, BOOLEAN bDefaultState, DB_TEXT_RECORD pPlaybackString,
                              DB_TEXT_RECORD pSimString, DB_TEXT_RECORD pPOSString) {
  return bRegister(pfnDraw, layer, layerWhereUsed, u32User, fcidControl, bDefaultState, pPlaybackString, pSimString,
                   pPOSString, SPLIT_FULL_WINDOW, 0);
}

BOOLEAN U_VIEW_bRegisterLayerSplit(DRAW_FUNCTION* pfnDraw, LAYER_ID layer, LAYER_ID layerWhereUsed, U32 u32User,
                                   FOURCHARID fcidControl, BOOLEAN bDefaultState, DB_TEXT_RECORD pPlaybackString,
                                   DB_TEXT_RECORD pSimString, DB_TEXT_RECORD pPOSString,
                                   SPLIT_WINDOW_TYPE eLocation, FOURCHARID fcidSplitControl) {
  return bRegister(pfnDraw, layer, layerWhereUsed, u32User, fcidControl, bDefaultState, pPlaybackString, pSimString,
                   pPOSString, eLocation, fcidSplitControl);
}

BOOLEAN U_VIEW_bUnRegisterLayerSplit(LAYER_ID layer, SPLIT_WINDOW_TYPE eLocation) {
  const MBOX mailbox = eViewMailbox();
  if (mailbox == 0) return FALSE;
  MSG_UNREGISTER_LAYER* pMsg =
      static_cast<MSG_UNREGISTER_LAYER*>(H_MEMORY_pvCalloc(1, sizeof(MSG_UNREGISTER_LAYER)));
  if (pMsg == nullptr) return FALSE;
  pMsg->header.Cmd = CMD_ID_UNREGISTER_LAYER;
  pMsg->layer = layer;
  pMsg->eLocation = eLocation;
  pMsg->flag = FALSE;
  return bSend(mailbox, pMsg);
}

BOOLEAN U_VIEW_bUnRegisterLayer(LAYER_ID layer) { return U_VIEW_bUnRegisterLayerSplit(layer, SPLIT_FULL_WINDOW); }

LAYER_ID U_VIEW_eCurrentView(void) {
  S32 view = NO_VIEW_PRIORITY;
  if (!H_DATABASE_bFetchS32(VIEW_KEY_CURRENT, &view)) return NO_VIEW_PRIORITY;
  return (LAYER_ID)view;
}

SPLIT_WINDOW_TYPE U_VIEW_eCurrentSplit(void) {
  S32 side = NO_SPLIT_WINDOW;
  if (!H_DATABASE_bFetchS32(VIEW_KEY_ACTIVE_SIDE, &side)) return NO_SPLIT_WINDOW;
  return (SPLIT_WINDOW_TYPE)side;
}

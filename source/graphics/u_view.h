// Client functions of the view task, for every task that draws: layers are
// registered and removed by a message to the view task's mailbox (key TVUE).
// Each returns FALSE, sending nothing, while the view task's key is missing
// or invalid, and TRUE once the message is sent; whether the view task took
// the registration is not reported back.
#pragma once

#include "common/types.h"
#include "common/view_types.h"

// A layer over the whole screen: a view of its own (layerWhereUsed
// USED_BY_NONE), an overlay of one view, or of every view (USED_BY_ALL).
// fcidControl is the layer's display key (0 for none) with its factory value
// bDefaultState; the three texts are the banners shown over a view in
// playback, simulation and the point-of-sale demonstration (null for none).
BOOLEAN U_VIEW_bRegisterLayer(DRAW_FUNCTION* pfnDraw, LAYER_ID layer, LAYER_ID layerWhereUsed, U32 u32User,
                              FOURCHARID fcidControl, BOOLEAN bDefaultState, DB_TEXT_RECORD pPlaybackString,
                              DB_TEXT_RECORD pSimString, DB_TEXT_RECORD pPOSString);
// The same for one side of a split view; fcidSplitControl is the key that
// holds the left window's share of the screen width in percent.
BOOLEAN U_VIEW_bRegisterLayerSplit(DRAW_FUNCTION* pfnDraw, LAYER_ID layer, LAYER_ID layerWhereUsed, U32 u32User,
                                   FOURCHARID fcidControl, BOOLEAN bDefaultState, DB_TEXT_RECORD pPlaybackString,
                                   DB_TEXT_RECORD pSimString, DB_TEXT_RECORD pPOSString,
                                   SPLIT_WINDOW_TYPE eLocation, FOURCHARID fcidSplitControl);
BOOLEAN U_VIEW_bUnRegisterLayer(LAYER_ID layer);
BOOLEAN U_VIEW_bUnRegisterLayerSplit(LAYER_ID layer, SPLIT_WINDOW_TYPE eLocation);

// The current view (CVEW), NO_VIEW_PRIORITY when it cannot be fetched.
LAYER_ID U_VIEW_eCurrentView(void);
// The active split side (CVAS), NO_SPLIT_WINDOW when it cannot be fetched.
SPLIT_WINDOW_TYPE U_VIEW_eCurrentSplit(void);

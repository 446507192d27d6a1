// View-key task: the VIEW key steps to the next shown view, the EXIT key to
// the previous one. It also restores the view of the last shutdown at start,
// saves the current view at shutdown and sets the factory view on a factory
// reset. It works on the view task's layer list (under RES_VIEW_LIST) and on
// the current-view key CVEW; the view task draws the new view at once.
#pragma once

#include "common/types.h"
#include "common/view_types.h"

// Settings keys of the task.
constexpr FOURCHARID VIEWKEY_KEY_MAILBOX = FCID("TVKY");     // the task's mailbox
constexpr FOURCHARID VIEWKEY_KEY_SAVED_VIEW = FCID("SVEW");  // view saved at shutdown

// The view shown on a first start, after a factory reset and in the
// point-of-sale demonstration.
constexpr LAYER_ID VIEWKEY_FACTORY_VIEW = CHART_PLUS_NADSCAN_VIEW_PRIORITY;

// Entry of the task (task table row VIEWKEYTASK).
void T_VIEWKEY_vTask(void);

// The view shown before the current one (CVEW): the last shown view in
// front of it in the layer list, else the last shown view of the whole list
// (which may be the current view itself), else NO_VIEW_PRIORITY. Reads the
// list under RES_VIEW_LIST.
LAYER_ID T_VIEWKEY_ePriorBackgroundLayer(LAYER_ID current);
// The EXIT key: makes the view before the current one current and drops the
// page being composed.
void T_VIEWKEY_vSetPriorBackgroundLayer(void);

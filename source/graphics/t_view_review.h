// The snapshot and recording review view of the view task: the hooks the
// view task and the view-key task call. The view's own drawing and states
// are not built yet; each hook does the least that keeps the view tasks
// sound.
#pragma once

#include "common/db_types.h"
#include "common/types.h"

// First CMD_ID_RUN_SYSTEM, change notices (CSRE, SCSC, CPSP, CPSM, CSD0,
// CSD1), factory reset and the messages (CMD_ID_PING_START,
// CMD_ID_KEY_CHANGE) of the review view.
void T_VIEW_vReviewRunSystem(void);
void T_VIEW_vReviewNotice(const MESSAGE_NEW_DATA* pMsg);
void T_VIEW_vReviewResetPos(void);
void T_VIEW_vReviewMessage(const GENERIC_MESSAGE* pMsg);
// The view-key task, after every key it receives: the review view gives up
// its full-size picture (page, header and pointer). The picture must not go
// while the view task draws a page from it.
void T_VIEW_vReviewReleaseFullPicture(void);

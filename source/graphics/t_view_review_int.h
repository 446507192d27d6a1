// Inside the review view: the sonar recording and playback states (their
// starts and ends, the playback mode and its speed menu, the recording
// figures and the drawing of the two states), used by t_view_review.cpp.
#pragma once

#include "common/key_types.h"
#include "common/mmc_types.h"
#include "common/ping_types.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/t_view_review.h"

namespace review_play {

// The view task's start: CSRE off, CPSP stopped, CPSM paused, and the view
// task told of their changes; the mode bar shows the stop.
void vStart(void);

// Recording: CSRE and CPSP := record (the processing task opens the files
// and the card task reports the start with CMD_ID_PING_START). Its end
// turns CSRE off.
void vEnterRecording(void);
void vLeaveRecording(void);

// Playback of a recording already opened for playback: the system state
// becomes playback (the old one kept), CPSP forward, CRST the recording's
// start time (from its header, kept for the figures), CVEW the chart and Nadscan view, speed menu 0. pcName is the
// played item's name (its card slot ends the playback when pulled). Its end
// restores the state and shows the review view again.
void vEnterPlayback(const SONAR_RECORD_THUMB_HEADER* pHeader, const char* pcName);
void vLeavePlayback(void);

// A new recording or playback clears the figures; any other new state
// stops the playback mode.
void vClearFigures(void);
void vStopMode(void);

// CMD_ID_PING_START from the card task.
void vRecordingStarted(const MSG_PING_VIEW_START* pMsg);

// Change notices: CPSP (mode bar, speed menu, CPSM), CPSM (the user's
// choice becomes the mode), CSD0 / CSD1 (a card pulled from the slot being
// recorded to or played from: TRUE, the review returns to its thumbnails).
void vModeChanged(U32 u32Mode);
void vChoiceChanged(U32 u32Choice);
bool bCardGoneUnderUs(S32 slot, bool bPresent, SR_VIEW_STATE state);

// Left and right in playback: the mode one step slower or faster. FALSE:
// refused.
bool bCursor(CURSOR_POSITION cursor);

// The speed menu now offered (0-3).
U32 u32SpeedMenu(void);

// The quick-menu items of recording and playback (at most 3).
int nMenuItems(SR_VIEW_STATE state, REVIEW_MENU_ITEM* out);

// The view in recording and playback.
void vDraw(BITMAP* pBitmap, SR_VIEW_STATE state);

// Pure steps, for the tests' tables: the mode after a cursor key (0:
// refused), the speed menu after a mode, the mode after the user's choice
// in the speed menu, and the choice that follows a mode (0: unchanged).
U32 u32ModeAfterCursor(U32 u32Mode, bool bRight);
U32 u32SpeedMenuFor(U32 u32Mode);
U32 u32ModeForChoice(U32 u32Choice, U32 u32Mode);
U32 u32ChoiceForMode(U32 u32Mode);

}  // namespace review_play

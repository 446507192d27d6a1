// The imaging enhance dialog: a small modal dialog over every view in which
// the user tunes the Nadscan picture's sensitivity (SDSS), contrast (SDSN)
// and sharpness (SDSL). Opened from its sonar menu item; its keys come to
// the history task.
#pragma once

#include "common/g_types.h"
#include "common/key_types.h"
#include "common/types.h"
#include "common/view_types.h"

// Opens the dialog on its first item (any task; installed as
// T_N_HISTORY_vCreateDiEnhanceDialog).
void S_ENHANCE_vCreateDialog(void);
// The dialog layer's draw callback.
void T_N_HISTORY_vRenderDiEnhance(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pSpec);
// TRUE while the dialog is open.
BOOLEAN S_ENHANCE_bActive(void);
// The highlighted item, 1 to 3.
S32 S_ENHANCE_s32Item(void);
// A key change while the dialog is open (history task).
void S_ENHANCE_vKey(const MSG_KEY_CHANGE* pKey);
// Closes the dialog (with the good key click when bClick).
void S_ENHANCE_vClose(BOOLEAN bClick);
// The texts of a new language: the layout is computed again at the next
// draw.
void S_ENHANCE_vLanguageChanged(void);

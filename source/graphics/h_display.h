// Display layer called by the tasks: forwards to the display driver.
#pragma once

#include "lsvc/lsvc.h"
#include "source/graphics/dd_lcd.h"
#include "source/graphics/g_bitmap.h"

// Opens the display and creates the pages; called once by the display task.
void H_DISPLAY_vInitScreen(MBOX mailbox);
// A free page for drawing the next frame, or null (skip the frame).
U32* H_DISPLAY_pu32GetDisplayBuffer(void);
// Gives a page back without showing it.
void H_DISPLAY_vFreeDisplayBuffer(U32* pu32Buffer);
// Shows the bitmap: a page goes on display; a full-screen bitmap of its own
// is copied into the page on display. Anything else (no bitmap, no buffer,
// a bitmap smaller than the screen) is refused with a trace line.
void H_DISPLAY_vDisplayBitmap(BITMAP* pBitmap);
// The page on display, or null before the first frame.
SCREEN_BUFFER* H_DISPLAY_psbGetFrameBufferPointer(void);
// The picture the viewer sees, both planes merged.
void H_DISPLAY_vScreenDump(SCREEN_BUFFER* psbBuffer);
// Clears the screen at power-down.
void H_DISPLAY_vPowerDown(void);
// Video out: switches the encoder's mode; TRUE when a television is
// connected.
void H_DISPLAY_vChangeVideoOutMode(VIDEO_MODE eMode);
BOOLEAN H_DISPLAY_bCheckVideoOutPort(void);

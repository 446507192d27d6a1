// Display driver of the page plane: four 800 x 600 RGB565 pages, one of them
// on display, handed out for drawing and shown by a pan on vertical sync.
//
// A frame: DD_LCD_pu32GetDisplayBuffer (null: skip the frame), draw into the
// page, then DD_LCD_vDisplayScreen (show it) or DD_LCD_vFreeDisplayBuffer
// (give it back unseen). Other tasks may borrow an idle page as 960000 bytes
// of scratch memory and give it back with DD_LCD_vFreeDisplayBuffer.
#pragma once

#include "common/types.h"
#include "source/platform/omapfb.h"

enum DISPLAY_BUFFER_STATUS : S32 {
  BUFFER_IS_ON_DISPLAY = 1,
  BUFFER_IS_IDLE = 2,
  BUFFER_IS_ALLOCATED = 3,
  BUFFER_IS_WAITING_TO_BE_DISPLAYED = 4,  // never set
};

struct DISPLAY_BUF {
  osal_buf_t buf;
  DISPLAY_BUFFER_STATUS bufferStatus;
};

// One screen of pixels: 800 x 600 16-bit pixels as 240000 words.
typedef U32 SCREEN_BUFFER[240000];
static_assert(sizeof(SCREEN_BUFFER) == 960000, "one screen is 960000 bytes");

constexpr S32 DD_LCD_WIDTH = 800;
constexpr S32 DD_LCD_HEIGHT = 600;
constexpr S32 DD_LCD_PAGES = OSAL_DISPLAY_PAGES;
// A page pixel of this colour lets the graphics plane beneath show through.
constexpr U16 DD_LCD_CHROMA_KEY = 0x8401;

// Opens the page plane, sets the chroma key and creates the four pages, all
// idle and none on display. On failure the display stays uninitialised: no
// page is ever handed out and showing does nothing. Called once at start;
// calling it again releases the old pages first and starts afresh.
void DD_LCD_vInit(void);
// The lowest-numbered idle page, now allocated; null when none is idle.
U32* DD_LCD_pu32GetDisplayBuffer(void);
// Every page whose pointer equals pu32Buffer becomes idle; other pointers
// change nothing.
void DD_LCD_vFreeDisplayBuffer(U32* pu32Buffer);
// Shows a page (pan on vertical sync; nothing when it is on display already)
// or, for a pointer that is not a page, copies one screen (960000 bytes) from
// it into the page on display. Then reaps one finished child process.
void DD_LCD_vDisplayScreen(U32* pBuffer);
// The page on display, or null before the first page is shown.
U32* DD_LCD_pu32GetFrameBufferPointer(void);
// The picture the viewer sees: the graphics plane with every page pixel that
// is not the chroma key on top.
void DD_LCD_vScreenDump(SCREEN_BUFFER* psbBuffer);
// All four pages black, page 0 on display.
void DD_LCD_vCLS(void);
// TRUE when p is the first pixel of one of the four pages.
BOOLEAN DD_LCD_bIsPage(const void* p);
// Status of page 0-3 (0 for another number or before the display exists).
DISPLAY_BUFFER_STATUS DD_LCD_eBufferStatus(S32 page);

// The panel's power and bias are not under the program's control on this
// board: these do nothing.
void DD_LCD_vSetupPins(void);
void DD_LCD_vDisplayPowerOn(void);
void DD_LCD_vDisplayPowerOff(void);
void DD_LCD_vLCDPowerOn(void);
void DD_LCD_vLCDPowerOff(void);
void DD_LCD_vEnable(void);
void DD_LCD_vDisable(void);
void DD_LCD_vDisplayOn(void);
void DD_LCD_vDisplayOff(void);
void DD_LCD_vSetVCom(float duty_cycle);

// ------------------------------------------------------------ video out
// The television shows "/dev/fb2": while video out is on, every shown page
// after the first 15 (counted once since start, never reset) is merged with
// the graphics plane "/dev/fb0" into it.
enum VIDEO_MODE : S32 {
  M_VIDEO_MODE_LCD = 0,
  M_VIDEO_MODE_NTSC = 1,
  M_VIDEO_MODE_NTSC_J = 2,
  M_VIDEO_MODE_PAL = 3,
  M_VIDEO_MODE_PAL_M = 4,
  M_VIDEO_MODE_PAL_N = 5,
  M_VIDEO_MODE_COUNT = 6,
};
// Frames shown with the television on before the first one reaches it.
constexpr U32 DD_LCD_TV_SKIPPED_FRAMES = 15;
extern const char* const DD_LCD_pcTvDetectFile;
// Switches the video encoder through its shell script (PAL-N runs as PAL;
// LCD and any other value switch it off). The television flag follows the
// request; the script's status is not looked at.
void DD_LCD_vChangeVideoMode(VIDEO_MODE eMode);
// TRUE when the detection file's first byte is '1'.
BOOLEAN DD_LCD_bCheckVideoOutPort(void);
// TRUE while the television is on.
BOOLEAN DD_LCD_bTelevisionOn(void);
// Frames shown with the television on since start.
U32 DD_LCD_u32TelevisionFrames(void);

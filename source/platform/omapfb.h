// Framebuffer surface module: the page plane as a framebuffer four screens
// tall whose pages are shown by panning.
//
// Two implementations stand behind these functions: the board's
// (source/platform/omap3515/omapfb.cpp, framebuffer requests on "/dev/fb1")
// and this machine's (source/platform/host/host_fb.cpp, four pages in memory
// shown in a window or written as PNG pictures).
#pragma once

#include <linux/fb.h>

#include "common/types.h"

// One page as the surface module sees it.
struct osal_buf_t {
  void* buffer;    // first pixel of the page inside the mapping
  S32 displayIdx;  // page number 0-3
};

constexpr int OSAL_DISPLAY_PAGES = 4;

struct osal_surface_t {
  void* virtDisplays[OSAL_DISPLAY_PAGES];  // start of each page in the mapping
  S32 displaySize;                        // bytes of one page (yres x line_length)
  S32 fd;                                 // the open framebuffer
};

struct omapfb_osal_surface_t {
  osal_surface_t s;
  S32 displayIdx;  // next page number to hand out, 0-3 and round again
  struct fb_var_screeninfo varInfo;
  struct fb_fix_screeninfo fixInfo;
};

enum osalcolorspaceenum_t : S32 {
  OSAL_VIDEO_RGB565 = 0,
  OSAL_VIDEO_RGB24,
  OSAL_VIDEO_YCBCR,
  OSAL_VIDEO_ARGB32,
  OSAL_VIDEO_RGBA32,
};

// Opens and configures the page plane (800 x 600, 16 bits, four pages
// tall). 0 or -1.
S32 omapfb_open(omapfb_osal_surface_t* pS);
// Maps the pages; virtDisplays[k] = mapping + k x displaySize. Refuses (-1)
// a framebuffer that cannot hold four whole pages. 0 or -1.
S32 omapfb_start(omapfb_osal_surface_t* pS);
// Sets the video-source colour key (-1 switches keying off).
void omapfb_set_chromakey(omapfb_osal_surface_t* pS, S32 chroma_val);
// Gives pBuf the surface's next page number and that page's pointer.
void omapfb_getpbuff(omapfb_osal_surface_t* pS, osal_buf_t* pBuf);
// Shows page pBuf->displayIdx and waits for the next vertical sync.
void omapfb_putpbuff(omapfb_osal_surface_t* pS, osal_buf_t* pBuf);
// The pixels of the page on display (page shown_idx) changed without a pan:
// nothing to do where the controller scans the memory itself; this machine
// presents the page again.
void omapfb_refresh(omapfb_osal_surface_t* pS, S32 shown_idx);
void omapfb_close(omapfb_osal_surface_t* pS);
// Unmaps the pages. 0 or -1.
S32 omapfb_stop(omapfb_osal_surface_t* pS);
S32 omapfb_setformat(omapfb_osal_surface_t* pS, S32 width, S32 height, osalcolorspaceenum_t format);
// Pans the surface opened last to the x offset and keeps it for later flips.
void omapfb_pan(S32 xoffset);
// Fills the next page with the 32-bit value (two pixels a word) and shows it.
void omapfb_fillrgb(omapfb_osal_surface_t* pS, U32 value);
// Prints the screen information to standard output.
void omapfb_dump(omapfb_osal_surface_t* pS);

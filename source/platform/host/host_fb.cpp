// The page plane on this machine: four 800 x 600 RGB565 pages in memory. A
// pan records the page shown and hands it to the host screen (window or PNG
// pictures, host_screen.h); there is no vertical sync to wait for.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>

#include "source/platform/platform.h"
#include "source/platform/host/host_fb.h"
#include "source/platform/host/host_screen.h"
#include "source/platform/omapfb.h"

namespace {

constexpr U32 WIDTH = 800;
constexpr U32 HEIGHT = 600;
constexpr U32 BYTES_PER_PIXEL = 2;

omapfb_osal_surface_t* s_pLastOpened = nullptr;
S32 s_panOffset = 0;
U8* s_pMemory = nullptr;
std::atomic<S32> s_shownPage{-1};
std::atomic<U32> s_panCount{0};
std::atomic<S32> s_chromaKey{-1};
std::atomic<bool> s_failNextOpen{false};

void vDescribe(omapfb_osal_surface_t* pS, U32 width, U32 height, U32 bits) {
  struct fb_var_screeninfo& v = pS->varInfo;
  v.xres = width;
  v.yres = height;
  v.xres_virtual = width;
  v.yres_virtual = height * OSAL_DISPLAY_PAGES;
  v.xoffset = 0;
  v.yoffset = 0;
  v.bits_per_pixel = bits;
  v.nonstd = 0;
  v.red = {11, 5, 0};
  v.green = {5, 6, 0};
  v.blue = {0, 5, 0};
  v.transp = {0, 0, 0};
  struct fb_fix_screeninfo& f = pS->fixInfo;
  snprintf(f.id, sizeof f.id, "host pages");
  f.line_length = width * bits / 8;
  f.smem_len = f.line_length * v.yres_virtual;
  f.type = FB_TYPE_PACKED_PIXELS;
  f.visual = FB_VISUAL_TRUECOLOR;
}

const U16* pPage(omapfb_osal_surface_t* pS, S32 idx) {
  if (idx < 0 || idx >= OSAL_DISPLAY_PAGES) return nullptr;
  return static_cast<const U16*>(pS->s.virtDisplays[idx]);
}

}  // namespace

S32 omapfb_open(omapfb_osal_surface_t* pS) {
  s_pLastOpened = pS;
  if (s_failNextOpen.exchange(false)) {
    errno = ENODEV;
    perror("omapfb_open");
    return -1;
  }
  vDescribe(pS, WIDTH, HEIGHT, BYTES_PER_PIXEL * 8);
  pS->s.fd = -1;  // no device on this machine
  pS->displayIdx = 0;
  pS->s.displaySize = (S32)(pS->varInfo.yres * pS->fixInfo.line_length);
  s_panOffset = 0;
  s_shownPage = -1;
  s_panCount = 0;
  return 0;
}

S32 omapfb_start(omapfb_osal_surface_t* pS) {
  const size_t size = (size_t)pS->varInfo.yres_virtual * pS->fixInfo.line_length;
  if (pS->s.displaySize <= 0 || (size_t)pS->s.displaySize * OSAL_DISPLAY_PAGES > size) {
    errno = EINVAL;
    perror("omapfb_start");
    return -1;
  }
  free(s_pMemory);
  s_pMemory = static_cast<U8*>(calloc(1, size));
  if (s_pMemory == nullptr) {
    perror("omapfb_start");
    return -1;
  }
  for (int k = 0; k < OSAL_DISPLAY_PAGES; ++k) pS->s.virtDisplays[k] = s_pMemory + (size_t)k * pS->s.displaySize;
  HOST_SCREEN_vStart((int)pS->varInfo.xres, (int)pS->varInfo.yres);
  return 0;
}

void omapfb_set_chromakey(omapfb_osal_surface_t* pS, S32 chroma_val) {
  (void)pS;
  s_chromaKey = chroma_val;
}

void omapfb_getpbuff(omapfb_osal_surface_t* pS, osal_buf_t* pBuf) {
  pBuf->displayIdx = pS->displayIdx;
  pBuf->buffer = pS->s.virtDisplays[pS->displayIdx];
  pS->displayIdx = (pS->displayIdx + 1) % OSAL_DISPLAY_PAGES;
}

void omapfb_putpbuff(omapfb_osal_surface_t* pS, osal_buf_t* pBuf) {
  const U16* page = pPage(pS, pBuf->displayIdx);
  if (page == nullptr) {
    PLATFORM_vTrace("errno %d %s\n", EINVAL, "FBIOPAN_DISPLAY");
    return;
  }
  pS->varInfo.xoffset = (U32)s_panOffset;
  pS->varInfo.yoffset = pS->varInfo.yres * (U32)pBuf->displayIdx;
  s_shownPage = pBuf->displayIdx;
  ++s_panCount;
  HOST_SCREEN_vPresent(page, (int)(pS->fixInfo.line_length / BYTES_PER_PIXEL));
}

void omapfb_refresh(omapfb_osal_surface_t* pS, S32 shown_idx) {
  const U16* page = pPage(pS, shown_idx);
  if (page != nullptr) HOST_SCREEN_vPresent(page, (int)(pS->fixInfo.line_length / BYTES_PER_PIXEL));
}

void omapfb_close(omapfb_osal_surface_t* pS) {
  pS->s.fd = -1;
  if (s_pLastOpened == pS) s_pLastOpened = nullptr;
}

S32 omapfb_stop(omapfb_osal_surface_t* pS) {
  if (s_pMemory == nullptr) {
    errno = EINVAL;
    perror("omapfb_stop");
    return -1;
  }
  HOST_SCREEN_vStop();
  free(s_pMemory);
  s_pMemory = nullptr;
  memset(pS->s.virtDisplays, 0, sizeof pS->s.virtDisplays);
  return 0;
}

S32 omapfb_setformat(omapfb_osal_surface_t* pS, S32 width, S32 height, osalcolorspaceenum_t format) {
  S32 bits;
  switch (format) {
    case OSAL_VIDEO_RGB565:
    case OSAL_VIDEO_YCBCR: bits = 16; break;
    case OSAL_VIDEO_RGB24: bits = 24; break;
    case OSAL_VIDEO_ARGB32:
    case OSAL_VIDEO_RGBA32: bits = 32; break;
    default: return -1;
  }
  // The pages in memory have one shape: the screen's.
  if (format != OSAL_VIDEO_RGB565 || width != (S32)WIDTH || height != (S32)HEIGHT) {
    printf("%d, %d, %d\n", width, height, bits);
    return -1;
  }
  vDescribe(pS, WIDTH, HEIGHT, 16);
  pS->s.displaySize = (S32)(pS->varInfo.yres * pS->fixInfo.line_length);
  return 0;
}

void omapfb_pan(S32 xoffset) {
  s_panOffset = xoffset;
  if (s_pLastOpened != nullptr) s_pLastOpened->varInfo.xoffset = (U32)xoffset;
}

S32 HOST_FB_s32ShownPage(void) { return s_shownPage; }
U32 HOST_FB_u32PanCount(void) { return s_panCount; }
S32 HOST_FB_s32ChromaKey(void) { return s_chromaKey; }
void HOST_FB_vFailNextOpen(void) { s_failNextOpen = true; }

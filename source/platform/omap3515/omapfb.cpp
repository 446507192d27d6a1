// The page plane of the board: "/dev/fb1", a framebuffer four screens tall
// whose pages are shown by panning, with a video-source colour key that lets
// the graphics plane ("/dev/fb0") show through.
#include "source/platform/omapfb.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/omapfb.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "source/platform/platform.h"
#include "source/platform/platform.h"

namespace {

constexpr U32 SCREEN_WIDTH = 800;
constexpr U32 SCREEN_HEIGHT = 600;
constexpr U32 SCREEN_BITS = 16;

omapfb_osal_surface_t* s_pLastOpened = nullptr;
S32 s_panOffset = 0;
void* s_pMapping = MAP_FAILED;
size_t s_mappingSize = 0;

// Retries a framebuffer request interrupted by a signal; any other failure
// is traced and printed, and the request is given up.
int xioctl_trace(int fd, unsigned long request, const char* name, void* arg) {
  int rc;
  do {
    rc = ioctl(fd, request, arg);
  } while (rc == -1 && errno == EINTR);
  if (rc == -1) {
    PLATFORM_vTrace("errno %d %s\n", errno, name);
    perror(name);
  }
  return rc;
}

#define XIOCTL(fd, request, arg) xioctl_trace((fd), (request), #request, (arg))

void vShow(omapfb_osal_surface_t* pS, S32 idx) {
  pS->varInfo.xoffset = (U32)s_panOffset;
  pS->varInfo.yoffset = pS->varInfo.yres * (U32)idx;
  XIOCTL(pS->s.fd, FBIOPAN_DISPLAY, &pS->varInfo);
  usleep(200);
  U32 arg = 0;
  XIOCTL(pS->s.fd, OMAPFB_WAITFORVSYNC, &arg);
}

}  // namespace

S32 omapfb_open(omapfb_osal_surface_t* pS) {
  s_pLastOpened = pS;
  char path[256];
  pS->s.fd = open(PLATFORM_pcResolvePath("/dev/fb1", path, sizeof path), O_RDWR);
  if (pS->s.fd < 0) {
    perror("omapfb_open");
    return -1;
  }
  if (XIOCTL(pS->s.fd, FBIOGET_FSCREENINFO, &pS->fixInfo) < 0) return -1;
  if (XIOCTL(pS->s.fd, FBIOGET_VSCREENINFO, &pS->varInfo) < 0) return -1;
  pS->displayIdx = 0;
  pS->s.displaySize = (S32)(pS->varInfo.yres * pS->fixInfo.line_length);

  struct fb_var_screeninfo var;
  if (XIOCTL(pS->s.fd, FBIOGET_VSCREENINFO, &var) < 0) return -1;
  var.xoffset = 0;
  var.yoffset = 0;
  var.xres = SCREEN_WIDTH;
  var.xres_virtual = SCREEN_WIDTH;
  var.yres = SCREEN_HEIGHT;
  var.yres_virtual = SCREEN_HEIGHT * OSAL_DISPLAY_PAGES;
  s_panOffset = 0;
  if (XIOCTL(pS->s.fd, FBIOPUT_VSCREENINFO, &var) < 0) return -1;

  // The configuration the driver really took decides the page geometry: the
  // information read before it may describe another resolution, and pages
  // laid out by it would reach past the mapping.
  if (XIOCTL(pS->s.fd, FBIOGET_FSCREENINFO, &pS->fixInfo) < 0) return -1;
  if (XIOCTL(pS->s.fd, FBIOGET_VSCREENINFO, &pS->varInfo) < 0) return -1;
  pS->s.displaySize = (S32)(pS->varInfo.yres * pS->fixInfo.line_length);
  if (pS->varInfo.xres != SCREEN_WIDTH || pS->varInfo.yres != SCREEN_HEIGHT ||
      pS->varInfo.bits_per_pixel != SCREEN_BITS || pS->fixInfo.line_length < SCREEN_WIDTH * SCREEN_BITS / 8 ||
      pS->varInfo.yres_virtual < SCREEN_HEIGHT * OSAL_DISPLAY_PAGES) {
    PLATFORM_vTrace("omapfb_open: %ux%u %u bits, %u rows of %u bytes: not four 800x600 16-bit pages\n", pS->varInfo.xres,
           pS->varInfo.yres, pS->varInfo.bits_per_pixel, pS->varInfo.yres_virtual, pS->fixInfo.line_length);
    return -1;
  }
  return 0;
}

S32 omapfb_start(omapfb_osal_surface_t* pS) {
  const size_t size = (size_t)pS->varInfo.yres_virtual * pS->fixInfo.line_length;
  if (pS->s.displaySize <= 0 || (size_t)pS->s.displaySize * OSAL_DISPLAY_PAGES > size) {
    errno = EINVAL;
    perror("omapfb_start");
    return -1;
  }
  void* mapping = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, pS->s.fd, 0);
  if (mapping == MAP_FAILED) {
    perror("omapfb_start");
    return -1;
  }
  s_pMapping = mapping;
  s_mappingSize = size;
  for (int k = 0; k < OSAL_DISPLAY_PAGES; ++k) {
    pS->s.virtDisplays[k] = static_cast<U8*>(mapping) + (size_t)k * pS->s.displaySize;
  }
  return 0;
}

void omapfb_set_chromakey(omapfb_osal_surface_t* pS, S32 chroma_val) {
  struct omapfb_color_key key;
  memset(&key, 0, sizeof key);
  if (XIOCTL(pS->s.fd, OMAPFB_GET_COLOR_KEY, &key) < 0) return;
  if (chroma_val == -1) {
    key.key_type = OMAPFB_COLOR_KEY_DISABLED;
  } else {
    key.trans_key = (U32)chroma_val;
    key.key_type = OMAPFB_COLOR_KEY_VID_SRC;
  }
  XIOCTL(pS->s.fd, OMAPFB_SET_COLOR_KEY, &key);
}

void omapfb_getpbuff(omapfb_osal_surface_t* pS, osal_buf_t* pBuf) {
  pBuf->displayIdx = pS->displayIdx;
  pBuf->buffer = pS->s.virtDisplays[pS->displayIdx];
  pS->displayIdx = (pS->displayIdx + 1) % OSAL_DISPLAY_PAGES;
}

void omapfb_putpbuff(omapfb_osal_surface_t* pS, osal_buf_t* pBuf) { vShow(pS, pBuf->displayIdx); }

void omapfb_refresh(omapfb_osal_surface_t* pS, S32 shown_idx) {
  // The display controller scans the page memory itself.
  (void)pS;
  (void)shown_idx;
}

void omapfb_close(omapfb_osal_surface_t* pS) {
  if (pS->s.fd >= 0) close(pS->s.fd);
  pS->s.fd = -1;
  if (s_pLastOpened == pS) s_pLastOpened = nullptr;
}

S32 omapfb_stop(omapfb_osal_surface_t* pS) {
  if (s_pMapping == MAP_FAILED || munmap(s_pMapping, s_mappingSize) != 0) {
    perror("omapfb_stop");
    return -1;
  }
  s_pMapping = MAP_FAILED;
  s_mappingSize = 0;
  memset(pS->s.virtDisplays, 0, sizeof pS->s.virtDisplays);
  return 0;
}

S32 omapfb_setformat(omapfb_osal_surface_t* pS, S32 width, S32 height, osalcolorspaceenum_t format) {
  struct fb_var_screeninfo var;
  if (XIOCTL(pS->s.fd, FBIOGET_VSCREENINFO, &var) < 0) return -1;
  var.xres = (U32)width;
  var.yres = (U32)height;
  var.xres_virtual = (U32)width;
  var.yres_virtual = (U32)height * OSAL_DISPLAY_PAGES;
  switch (format) {
    case OSAL_VIDEO_RGB565:
      var.bits_per_pixel = 16;
      var.nonstd = 0;
      break;
    case OSAL_VIDEO_RGB24:
      var.bits_per_pixel = 24;
      var.nonstd = 7;
      break;
    case OSAL_VIDEO_YCBCR:
      var.bits_per_pixel = 16;
      var.nonstd = 1;
      break;
    case OSAL_VIDEO_ARGB32:
    case OSAL_VIDEO_RGBA32:
      var.bits_per_pixel = 32;
      var.nonstd = 13;
      var.red = {16, 8, 0};
      var.green = {8, 8, 0};
      var.blue = {0, 8, 0};
      var.transp = {24, 8, 0};
      break;
    default:
      return -1;
  }
  if (XIOCTL(pS->s.fd, FBIOPUT_VSCREENINFO, &var) < 0) return -1;
  if (var.transp.offset == 0) PLATFORM_vTrace("ASSERT failed %s:%d\n", __FILE__, __LINE__);
  if (var.xres != (U32)width || var.yres != (U32)height || var.yres_virtual != (U32)height * OSAL_DISPLAY_PAGES ||
      (var.bits_per_pixel != 16 && var.bits_per_pixel != 24 && var.bits_per_pixel != 32)) {
    printf("%d, %d, %d\n", var.xres, var.yres, var.bits_per_pixel);
    return -1;
  }
  pS->varInfo = var;
  if (XIOCTL(pS->s.fd, FBIOGET_FSCREENINFO, &pS->fixInfo) < 0) return -1;
  pS->s.displaySize = (S32)(pS->varInfo.yres * pS->fixInfo.line_length);
  return 0;
}

void omapfb_pan(S32 xoffset) {
  s_panOffset = xoffset;
  if (s_pLastOpened == nullptr) return;
  s_pLastOpened->varInfo.xoffset = (U32)xoffset;
  XIOCTL(s_pLastOpened->s.fd, FBIOPAN_DISPLAY, &s_pLastOpened->varInfo);
}


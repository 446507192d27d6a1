// Display driver of the page plane.
//
// The four pages live in the framebuffer's own memory; a flip is one pan and
// frames are never copied for display. The page statuses are guarded by one
// lock, because the view task shows pages while other tasks borrow and give
// back scratch pages; the pan itself (which waits for vertical sync) runs
// outside the lock.
#include "source/graphics/dd_lcd.h"

#include <string.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <mutex>

#include "lsvc/lsvc.h"
#include "source/graphics/dd_lcd_int.h"
#include "source/graphics/t_chart_3d_dump.h"

namespace {

omapfb_osal_surface_t g_lcdSurface;
DISPLAY_BUF g_displayBuffers[DD_LCD_PAGES];
BOOLEAN s_bInitialised = FALSE;
std::mutex s_pagesLock;  // statuses, initialised flag, surface set-up

constexpr size_t SCREEN_ROW_BYTES = (size_t)DD_LCD_WIDTH * 2;

// Page number of a pointer, or -1. Lock held.
S32 s32PageOf(const void* p) {
  if (!s_bInitialised || p == nullptr) return -1;
  for (S32 i = 0; i < DD_LCD_PAGES; ++i) {
    if (g_displayBuffers[i].buf.buffer == p) return i;
  }
  return -1;
}

// Lowest-numbered page on display, or -1. Lock held.
S32 s32ShownPage(void) {
  if (!s_bInitialised) return -1;
  for (S32 i = 0; i < DD_LCD_PAGES; ++i) {
    if (g_displayBuffers[i].bufferStatus == BUFFER_IS_ON_DISPLAY) return i;
  }
  return -1;
}

// Bytes between two rows of a page.
size_t szLineLength(void) { return (size_t)g_lcdSurface.fixInfo.line_length; }

// Makes page a page on display. Returns TRUE when a pan was done.
BOOLEAN bShowPage(S32 page) {
  {
    std::lock_guard<std::mutex> lock(s_pagesLock);
    if (g_displayBuffers[page].bufferStatus == BUFFER_IS_ON_DISPLAY) return FALSE;
    S32 shown = s32ShownPage();
    if (shown >= 0) g_displayBuffers[shown].bufferStatus = BUFFER_IS_IDLE;
    g_displayBuffers[page].bufferStatus = BUFFER_IS_ON_DISPLAY;
  }
  omapfb_putpbuff(&g_lcdSurface, &g_displayBuffers[page].buf);
  return TRUE;
}

// Copies one screen row by row into a page whose rows are line_length apart
// (on this board line_length is the screen's 1600 bytes: one copy).
void vCopyScreenToPage(U8* page, const U8* screen) {
  const size_t line = szLineLength();
  if (line == SCREEN_ROW_BYTES) {
    memcpy(page, screen, sizeof(SCREEN_BUFFER));
    return;
  }
  for (S32 row = 0; row < DD_LCD_HEIGHT; ++row) {
    memcpy(page + (size_t)row * line, screen + (size_t)row * SCREEN_ROW_BYTES, SCREEN_ROW_BYTES);
  }
}

void vReleaseSurface(void) {
  s_bInitialised = FALSE;
  memset(g_displayBuffers, 0, sizeof g_displayBuffers);
  omapfb_stop(&g_lcdSurface);
  omapfb_close(&g_lcdSurface);
}

}  // namespace

void DD_LCD_vInit(void) {
  std::lock_guard<std::mutex> lock(s_pagesLock);
  if (s_bInitialised) vReleaseSurface();
  memset(&g_lcdSurface, 0, sizeof g_lcdSurface);
  g_lcdSurface.s.fd = -1;
  if (omapfb_open(&g_lcdSurface) != 0) {
    omapfb_close(&g_lcdSurface);
    log_me("DD_LCD: no display pages, frames are skipped\n");
    return;
  }
  if (omapfb_start(&g_lcdSurface) != 0) {
    omapfb_close(&g_lcdSurface);
    log_me("DD_LCD: no display pages, frames are skipped\n");
    return;
  }
  omapfb_set_chromakey(&g_lcdSurface, DD_LCD_CHROMA_KEY);
  s_bInitialised = TRUE;
  for (S32 i = 0; i < DD_LCD_PAGES; ++i) {
    g_displayBuffers[i].bufferStatus = BUFFER_IS_IDLE;
    omapfb_getpbuff(&g_lcdSurface, &g_displayBuffers[i].buf);
  }
}

U32* DD_LCD_pu32GetDisplayBuffer(void) {
  std::lock_guard<std::mutex> lock(s_pagesLock);
  if (!s_bInitialised) return nullptr;
  for (S32 i = 0; i < DD_LCD_PAGES; ++i) {
    if (g_displayBuffers[i].bufferStatus == BUFFER_IS_IDLE) {
      g_displayBuffers[i].bufferStatus = BUFFER_IS_ALLOCATED;
      return static_cast<U32*>(g_displayBuffers[i].buf.buffer);
    }
  }
  return nullptr;
}

void DD_LCD_vFreeDisplayBuffer(U32* pu32Buffer) {
  std::lock_guard<std::mutex> lock(s_pagesLock);
  if (!s_bInitialised || pu32Buffer == nullptr) return;
  for (S32 i = 0; i < DD_LCD_PAGES; ++i) {
    if (g_displayBuffers[i].buf.buffer == pu32Buffer) g_displayBuffers[i].bufferStatus = BUFFER_IS_IDLE;
  }
}

void DD_LCD_vDisplayScreen(U32* pBuffer) {
  S32 page;
  S32 shown;
  {
    std::lock_guard<std::mutex> lock(s_pagesLock);
    page = s32PageOf(pBuffer);
    shown = s32ShownPage();
  }
  if (page >= 0) {
    bShowPage(page);
  } else if (pBuffer == nullptr) {
    log_me("DD_LCD: no screen to show\n");
  } else if (shown >= 0) {
    // Not a page: the screen is copied into the page on display.
    vCopyScreenToPage(static_cast<U8*>(g_displayBuffers[shown].buf.buffer), reinterpret_cast<const U8*>(pBuffer));
    omapfb_refresh(&g_lcdSurface, shown);
  }
  if (DD_LCD_bTelevisionOn()) {
    const U8* onDisplay = nullptr;
    {
      std::lock_guard<std::mutex> lock(s_pagesLock);
      const S32 now = s32ShownPage();
      if (now >= 0) onDisplay = static_cast<const U8*>(g_displayBuffers[now].buf.buffer);
    }
    DD_LCD_vCopyToTelevision(onDisplay, szLineLength());
  }
  // Programs started through the shell leave no zombies behind.
  waitpid(-1, nullptr, WNOHANG);
}

U32* DD_LCD_pu32GetFrameBufferPointer(void) {
  std::lock_guard<std::mutex> lock(s_pagesLock);
  S32 shown = s32ShownPage();
  return shown >= 0 ? static_cast<U32*>(g_displayBuffers[shown].buf.buffer) : nullptr;
}

void DD_LCD_vScreenDump(SCREEN_BUFFER* psbBuffer) {
  if (psbBuffer == nullptr) return;
  T_CHART_3D_vDumpActiveDisplayBuffer(psbBuffer);
  S32 shown;
  {
    std::lock_guard<std::mutex> lock(s_pagesLock);
    shown = s32ShownPage();
  }
  if (shown < 0) return;
  U16* target = reinterpret_cast<U16*>(*psbBuffer);
  const U8* page = static_cast<const U8*>(g_displayBuffers[shown].buf.buffer);
  const size_t line = szLineLength();
  for (S32 row = 0; row < DD_LCD_HEIGHT; ++row) {
    const U16* src = reinterpret_cast<const U16*>(page + (size_t)row * line);
    U16* dst = target + (size_t)row * DD_LCD_WIDTH;
    for (S32 x = 0; x < DD_LCD_WIDTH; ++x) {
      if (src[x] != DD_LCD_CHROMA_KEY) dst[x] = src[x];
    }
  }
}

void DD_LCD_vCLS(void) {
  {
    std::lock_guard<std::mutex> lock(s_pagesLock);
    if (!s_bInitialised) return;
    for (S32 i = 0; i < DD_LCD_PAGES; ++i) memset(g_displayBuffers[i].buf.buffer, 0, (size_t)g_lcdSurface.s.displaySize);
  }
  // Page 0 may be on display already: then it is presented again unpanned.
  if (!bShowPage(0)) omapfb_refresh(&g_lcdSurface, 0);
}

BOOLEAN DD_LCD_bIsPage(const void* p) {
  std::lock_guard<std::mutex> lock(s_pagesLock);
  return s32PageOf(p) >= 0 ? TRUE : FALSE;
}

DISPLAY_BUFFER_STATUS DD_LCD_eBufferStatus(S32 page) {
  std::lock_guard<std::mutex> lock(s_pagesLock);
  if (page < 0 || page >= DD_LCD_PAGES) return (DISPLAY_BUFFER_STATUS)0;
  return g_displayBuffers[page].bufferStatus;
}

void DD_LCD_vSetupPins(void) {}
void DD_LCD_vDisplayPowerOn(void) {}
void DD_LCD_vDisplayPowerOff(void) {}
void DD_LCD_vLCDPowerOn(void) {}
void DD_LCD_vLCDPowerOff(void) {}
void DD_LCD_vEnable(void) {}
void DD_LCD_vDisable(void) {}
void DD_LCD_vDisplayOn(void) {}
void DD_LCD_vDisplayOff(void) {}
void DD_LCD_vSetVCom(float duty_cycle) { (void)duty_cycle; }

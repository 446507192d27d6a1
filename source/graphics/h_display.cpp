// Display layer: the tasks' entry to the display pages.
#include "source/graphics/h_display.h"

void H_DISPLAY_vInitScreen(MBOX mailbox) {
  (void)mailbox;
  DD_LCD_vInit();
  DD_LCD_vDisplayPowerOn();
}

U32* H_DISPLAY_pu32GetDisplayBuffer(void) { return DD_LCD_pu32GetDisplayBuffer(); }

void H_DISPLAY_vFreeDisplayBuffer(U32* pu32Buffer) { DD_LCD_vFreeDisplayBuffer(pu32Buffer); }

void H_DISPLAY_vDisplayBitmap(BITMAP* pBitmap) {
  if (pBitmap == nullptr || pBitmap->pBuffer == nullptr) {
    log_me("H_DISPLAY: no bitmap to show\n");
    return;
  }
  // The driver copies a whole screen from a buffer that is not a page; a
  // smaller bitmap would be read past its end.
  if (!DD_LCD_bIsPage(pBitmap->pBuffer) &&
      (pBitmap->__u32PixelWidthOfBuffer != (U32)DD_LCD_WIDTH || pBitmap->__u32PixelHeightOfBuffer < (U32)DD_LCD_HEIGHT)) {
    log_me("H_DISPLAY: %ux%u bitmap is not a screen, not shown\n", pBitmap->__u32PixelWidthOfBuffer,
           pBitmap->__u32PixelHeightOfBuffer);
    return;
  }
  DD_LCD_vDisplayScreen(pBitmap->pBuffer);
}

SCREEN_BUFFER* H_DISPLAY_psbGetFrameBufferPointer(void) {
  return reinterpret_cast<SCREEN_BUFFER*>(DD_LCD_pu32GetFrameBufferPointer());
}

void H_DISPLAY_vScreenDump(SCREEN_BUFFER* psbBuffer) { DD_LCD_vScreenDump(psbBuffer); }

void H_DISPLAY_vPowerDown(void) {
  DD_LCD_vCLS();
  DD_LCD_vDisplayOff();
  DD_LCD_vDisplayPowerOff();
  DD_LCD_vLCDPowerOff();
}

void H_DISPLAY_vChangeVideoOutMode(VIDEO_MODE eMode) { DD_LCD_vChangeVideoMode(eMode); }

BOOLEAN H_DISPLAY_bCheckVideoOutPort(void) { return DD_LCD_bCheckVideoOutPort(); }

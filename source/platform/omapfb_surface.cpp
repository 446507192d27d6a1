// Surface operations of the display pages that are the same on the board
// and on the host: they work through the buffer and the screen information
// each platform's surface layer keeps.
#include <stdio.h>

#include "source/platform/omapfb.h"

void omapfb_fillrgb(omapfb_osal_surface_t* pS, U32 value) {
  osal_buf_t buf;
  omapfb_getpbuff(pS, &buf);
  U32* words = static_cast<U32*>(buf.buffer);
  if (words == nullptr) return;
  for (S32 i = 0; i < pS->s.displaySize / 4; ++i) words[i] = value;
  omapfb_putpbuff(pS, &buf);
}

void omapfb_dump(omapfb_osal_surface_t* pS) {
  const struct fb_var_screeninfo& v = pS->varInfo;
  printf("%s = %d\n", "xres", v.xres);
  printf("%s = %d\n", "yres", v.yres);
  printf("%s = %d\n", "xres_virtual", v.xres_virtual);
  printf("%s = %d\n", "yres_virtual", v.yres_virtual);
  printf("%s = %d\n", "xoffset", v.xoffset);
  printf("%s = %d\n", "yoffset", v.yoffset);
  printf("%s = %d\n", "bits_per_pixel", v.bits_per_pixel);
  printf("%s = %d\n", "nonstd", v.nonstd);
  printf("%s = %d\n", "activate", v.activate);
  printf("%s = %d\n", "height", v.height);
  printf("%s = %d\n", "width", v.width);
  printf("%s = %d\n", "red.length", v.red.length);
  printf("%s = %d\n", "blue.length", v.blue.length);
  printf("%s = %d\n", "green.length", v.green.length);
  printf("%s = %d\n", "transp.length", v.transp.length);
  printf("%s = %d\n", "red.offset", v.red.offset);
  printf("%s = %d\n", "blue.offset", v.blue.offset);
  printf("%s = %d\n", "green.offset", v.green.offset);
  printf("%s = %d\n", "transp.offset", v.transp.offset);
}

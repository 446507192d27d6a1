// The GPU on the board: the vendor's EGL with a window surface on the
// default native window, the graphics plane "/dev/fb0".
#include "source/platform/gpu.h"

EGLDisplay PLATFORM_eglGetDisplay(void) { return eglGetDisplay(EGL_DEFAULT_DISPLAY); }

EGLint PLATFORM_eglSurfaceType(void) { return EGL_WINDOW_BIT; }

EGLSurface PLATFORM_eglCreateSurface(EGLDisplay display, EGLConfig config) {
  return eglCreateWindowSurface(display, config, (EGLNativeWindowType)0, nullptr);
}

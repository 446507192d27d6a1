// The GPU's side of the platform interface: where the EGL display comes from
// and what the unit's one surface is. On the board the surface is a window
// on the graphics plane ("/dev/fb0"); on this machine it is an off-screen
// 800 x 600 buffer on Mesa's surfaceless platform, so the context and the
// shaders are real while nothing is shown.
#pragma once

#include <EGL/egl.h>

// The EGL display, not yet initialised; EGL_NO_DISPLAY when there is none.
EGLDisplay PLATFORM_eglGetDisplay(void);
// The surface kind the configuration must support.
EGLint PLATFORM_eglSurfaceType(void);
// The surface the unit draws into; EGL_NO_SURFACE on failure.
EGLSurface PLATFORM_eglCreateSurface(EGLDisplay display, EGLConfig config);

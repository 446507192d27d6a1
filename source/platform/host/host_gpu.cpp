// The GPU on this machine: Mesa's EGL on the surfaceless platform (software
// rendering, no window system needed) with an off-screen buffer of one
// screen standing for the board's framebuffer window.
#include <string.h>

#include "source/platform/gpu.h"

#include <EGL/eglext.h>

namespace {

constexpr EGLint SCREEN_WIDTH = 800;
constexpr EGLint SCREEN_HEIGHT = 600;

bool bHasClientExtension(const char* name) {
  const char* list = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (list == nullptr) return false;
  const size_t len = strlen(name);
  for (const char* p = strstr(list, name); p != nullptr; p = strstr(p + len, name)) {
    if ((p == list || p[-1] == ' ') && (p[len] == ' ' || p[len] == '\0')) return true;
  }
  return false;
}

}  // namespace

EGLDisplay PLATFORM_eglGetDisplay(void) {
  if (bHasClientExtension("EGL_MESA_platform_surfaceless")) {
    auto get = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (get != nullptr) {
      EGLDisplay display = get(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
      if (display != EGL_NO_DISPLAY) return display;
    }
  }
  return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

EGLint PLATFORM_eglSurfaceType(void) { return EGL_PBUFFER_BIT; }

EGLSurface PLATFORM_eglCreateSurface(EGLDisplay display, EGLConfig config) {
  const EGLint attributes[] = {EGL_WIDTH, SCREEN_WIDTH, EGL_HEIGHT, SCREEN_HEIGHT, EGL_NONE};
  return eglCreatePbufferSurface(display, config, attributes);
}

// The GPU context and the textured shader.
#include "source/graphics/dd_lcd_gl.h"

#include <stdlib.h>

#include "lsvc/lsvc.h"
#include "source/platform/gpu.h"

EGLDisplay gEglDisplay = EGL_NO_DISPLAY;
EGLSurface gEglSurface = EGL_NO_SURFACE;
EGLContext gEglContext = EGL_NO_CONTEXT;
shader_t g_texturedShader = {0, 0, 0};

namespace {

EGLConfig s_eglConfig = nullptr;
EGLint s_nConfigs = 0;

const shader_attr_t s_texturedShaderAttributes[] = {{0, "inVertex"}, {1, "inTexCoord"}};

const char* const s_pcTexturedVertexShader =
    "attribute highp vec4 inVertex;\n"
    "attribute mediump vec2 inTexCoord;\n"
    "uniform mediump mat4 MVPMatrix;\n"
    "varying mediump vec2 TexCoord;\n"
    "void main()\n"
    "{\n"
    "  gl_Position = MVPMatrix * inVertex;\n"
    "  TexCoord = inTexCoord;\n"
    "}\n";

const char* const s_pcTexturedFragmentShader =
    "uniform sampler2D sTexture;\n"
    "varying mediump vec2 TexCoord;\n"
    "void main()\n"
    "{\n"
    "  gl_FragColor = texture2D(sTexture, TexCoord);\n"
    "}\n";

// Reads an info log of the reported length and traces it.
void vTraceLog(const char* what, const char* kind, GLuint object, bool program) {
  GLint length = 0;
  if (program) {
    glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
  } else {
    glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
  }
  char* log = (char*)calloc((size_t)(length > 0 ? length : 1), 1);
  if (log == nullptr) return;
  if (length > 0) {
    if (program) {
      glGetProgramInfoLog(object, length, nullptr, log);
    } else {
      glGetShaderInfoLog(object, length, nullptr, log);
    }
  }
  log_me("%s %s error \"%s\"", what, kind, log);
  free(log);
}

}  // namespace

EGLConfig DD_LCD_eglConfig(void) { return s_eglConfig; }

BOOLEAN internalCompileShader(const char* const* ppcSource, GLuint shader) {
  glShaderSource(shader, 1, ppcSource, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok == GL_TRUE) return TRUE;
  vTraceLog("compile", "shader", shader, false);
  return FALSE;
}

void destroyShader(shader_t* pShader) {
  if (pShader == nullptr) return;
  if (pShader->program != 0) glDeleteProgram(pShader->program);
  if (pShader->fragShader != 0) glDeleteShader(pShader->fragShader);
  if (pShader->vertexShader != 0) glDeleteShader(pShader->vertexShader);
  pShader->program = 0;
  pShader->fragShader = 0;
  pShader->vertexShader = 0;
}

BOOLEAN createTexturedShader(void) {
  shader_t& s = g_texturedShader;
  s = {0, 0, 0};
  s.fragShader = glCreateShader(GL_FRAGMENT_SHADER);
  if (s.fragShader == 0 || !internalCompileShader(&s_pcTexturedFragmentShader, s.fragShader)) return FALSE;
  s.vertexShader = glCreateShader(GL_VERTEX_SHADER);
  if (s.vertexShader == 0 || !internalCompileShader(&s_pcTexturedVertexShader, s.vertexShader)) {
    destroyShader(&s);
    return FALSE;
  }
  s.program = glCreateProgram();
  glAttachShader(s.program, s.fragShader);
  glAttachShader(s.program, s.vertexShader);
  for (const shader_attr_t& attr : s_texturedShaderAttributes) glBindAttribLocation(s.program, (GLuint)attr.index, attr.label);
  glLinkProgram(s.program);
  GLint linked = GL_FALSE;
  glGetProgramiv(s.program, GL_LINK_STATUS, &linked);
  if (linked != GL_TRUE) {
    vTraceLog("link", "program", s.program, true);
    destroyShader(&s);
    return FALSE;
  }
  glUseProgram(s.program);
  return TRUE;
}

void DD_LCD_vInitGraphicsLib(void) {
  if (gEglDisplay == EGL_NO_DISPLAY) {
    EGLDisplay display = PLATFORM_eglGetDisplay();
    if (display == EGL_NO_DISPLAY) {
      log_me("DD_LCD: no EGL display, the GPU draws nothing");
      return;
    }
    if (!eglInitialize(display, nullptr, nullptr)) {
      log_me("DD_LCD: EGL display not initialised (0x%x), the GPU draws nothing", (unsigned)eglGetError());
      return;
    }
    gEglDisplay = display;
    eglBindAPI(EGL_OPENGL_ES_API);
  }
  if (s_nConfigs != 1) {
    const EGLint request[] = {EGL_SURFACE_TYPE, PLATFORM_eglSurfaceType(), EGL_RENDERABLE_TYPE, EGL_OPENGL_ES2_BIT,
                              EGL_NONE};
    s_nConfigs = 0;
    if (!eglChooseConfig(gEglDisplay, request, &s_eglConfig, 1, &s_nConfigs) || s_nConfigs != 1) {
      s_nConfigs = 0;
      log_me("DD_LCD: no EGL configuration for OpenGL ES 2, the GPU draws nothing");
      return;
    }
  }
  if (gEglSurface == EGL_NO_SURFACE) {
    gEglSurface = PLATFORM_eglCreateSurface(gEglDisplay, s_eglConfig);
    if (gEglSurface == EGL_NO_SURFACE) {
      log_me("DD_LCD: no EGL surface (0x%x), the GPU draws nothing", (unsigned)eglGetError());
      return;
    }
  }
  if (gEglContext == EGL_NO_CONTEXT) {
    const EGLint request[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    gEglContext = eglCreateContext(gEglDisplay, s_eglConfig, EGL_NO_CONTEXT, request);
    if (gEglContext == EGL_NO_CONTEXT) {
      log_me("DD_LCD: no OpenGL ES 2 context (0x%x), the GPU draws nothing", (unsigned)eglGetError());
      return;
    }
  }
  if (!eglMakeCurrent(gEglDisplay, gEglSurface, gEglSurface, gEglContext)) {
    log_me("DD_LCD: EGL context not made current (0x%x), the GPU draws nothing", (unsigned)eglGetError());
    return;
  }
  // The program is built once: a later call only makes the context current
  // in its thread.
  if (g_texturedShader.program != 0) {
    glUseProgram(g_texturedShader.program);
    return;
  }
  (void)createTexturedShader();
}

// The GPU context and the one shader program of the system: a textured
// triangle shader for the 3D chart view.
//
// Contract with the 3D view: vertex positions at attribute location 0 (three
// floats a vertex), texture co-ordinates at location 1 (two fixed-point
// values), the texture on unit 0 through the uniform "sTexture", the
// transform in the uniform "MVPMatrix".
#pragma once

#include <EGL/egl.h>
#include <GLES2/gl2.h>

#include "common/types.h"

struct shader_t {
  GLuint program;
  GLuint fragShader;
  GLuint vertexShader;
};

struct shader_attr_t {
  S32 index;
  const char* label;
};

extern EGLDisplay gEglDisplay;
extern EGLSurface gEglSurface;
extern EGLContext gEglContext;
extern shader_t g_texturedShader;

// Creates what is missing of the display, configuration, surface and
// context, makes them current in the calling thread and builds the textured
// shader. A step that fails stops the set-up with one trace line and leaves
// what was made for a later call. A later call builds no second display,
// surface, context or program.
void DD_LCD_vInitGraphicsLib(void);
// Compiles, links and activates the textured shader into g_texturedShader.
// FALSE, with the GPU's log traced, when a shader does not compile or the
// program does not link.
BOOLEAN createTexturedShader(void);
// Compiles one shader from one source text. FALSE (log traced) on failure.
BOOLEAN internalCompileShader(const char* const* ppcSource, GLuint shader);
// Deletes the program and shaders that exist and zeroes the three handles.
void destroyShader(shader_t* pShader);
// The configuration chosen (null before one was found).
EGLConfig DD_LCD_eglConfig(void);

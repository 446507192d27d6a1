// Without any EGL driver the GPU set-up ends with one trace line and the
// program runs on: nothing is created, and a later call tries again.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "source/graphics/dd_lcd_gl.h"

namespace {

// Before anything loads EGL: the dispatch library finds no vendor library.
const bool s_bNoDriver = [] {
  setenv("__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent/egl_vendor.json", 1);
  setenv("__EGL_VENDOR_LIBRARY_DIRS", "/nonexistent", 1);
  return true;
}();

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(GpuMissing, SetUpEndsWithOneTraceLineAndTriesAgainLater) {
  ASSERT_TRUE(s_bNoDriver);
  for (int call = 0; call < 2; ++call) {
    testing::internal::CaptureStdout();
    DD_LCD_vInitGraphicsLib();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(Count(out, "DD_LCD:"), 1u) << out;
    EXPECT_NE(out.find("the GPU draws nothing"), std::string::npos) << out;
    EXPECT_EQ(gEglContext, EGL_NO_CONTEXT);
    EXPECT_EQ(gEglSurface, EGL_NO_SURFACE);
    EXPECT_EQ(g_texturedShader.program, 0u);
  }
}

}  // namespace

// The GPU context and the textured shader, on this machine's real EGL and
// OpenGL ES 2.0 (Mesa, off-screen): a textured quad drawn through the
// shader reads back as the texture's texels, and failures of compiling
// leave the handles as documented.
#include <gtest/gtest.h>
#include <stdio.h>

#include <array>
#include <string>
#include <vector>

#include "source/graphics/dd_lcd_gl.h"

namespace {

constexpr int W = 800;
constexpr int H = 600;

// A 2 x 2 texture: red, green (bottom row), blue, white (top row).
constexpr std::array<GLubyte, 16> s_texels = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};

struct RGBA {
  int r, g, b, a;
  bool operator==(const RGBA&) const = default;
};
std::ostream& operator<<(std::ostream& os, const RGBA& c) {
  return os << "(" << c.r << "," << c.g << "," << c.b << "," << c.a << ")";
}

RGBA ReadPixel(int x, int y) {
  GLubyte px[4] = {0, 0, 0, 0};
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
  return {px[0], px[1], px[2], px[3]};
}

class GpuTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { DD_LCD_vInitGraphicsLib(); }

  void SetUp() override {
    ASSERT_NE(gEglDisplay, EGL_NO_DISPLAY) << "no EGL display (Mesa's libegl-mesa0 and libgl1-mesa-dri?)";
    ASSERT_NE(gEglSurface, EGL_NO_SURFACE);
    ASSERT_NE(gEglContext, EGL_NO_CONTEXT);
    ASSERT_NE(g_texturedShader.program, 0u);
  }

  // Draws the texture on a quad from (-s, -s) to (s, s) through the shader
  // with the transform matrix (column-major).
  void DrawQuad(float s, const std::array<GLfloat, 16>& mvp) {
    glViewport(0, 0, W, H);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, s_texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

    const GLuint program = g_texturedShader.program;
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "sTexture"), 0);
    glUniformMatrix4fv(glGetUniformLocation(program, "MVPMatrix"), 1, GL_FALSE, mvp.data());

    // Positions: three floats a vertex at location 0; texture
    // co-ordinates: two 16.16 fixed-point values at location 1.
    const GLfloat positions[] = {-s, -s, 0, s, -s, 0, -s, s, 0, s, s, 0};
    const GLfixed one = 1 << 16;
    const GLfixed texcoords[] = {0, 0, one, 0, 0, one, one, one};
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, positions);
    glVertexAttribPointer(1, 2, GL_FIXED, GL_FALSE, 0, texcoords);
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glFinish();
    glDisableVertexAttribArray(0);
    glDisableVertexAttribArray(1);
    glDeleteTextures(1, &texture);
    ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
  }
};

constexpr std::array<GLfloat, 16> IDENTITY = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

TEST_F(GpuTest, TexturedQuadReadsBackAsTheTexels) {
  DrawQuad(1.0f, IDENTITY);
  const RGBA red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255}, white{255, 255, 255, 255};
  struct {
    int x, y;
    RGBA want;
  } cases[] = {
      {200, 150, red}, {600, 150, green}, {200, 450, blue}, {600, 450, white},
      {0, 0, red},     {W - 1, 0, green}, {0, H - 1, blue}, {W - 1, H - 1, white},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadPixel(c.x, c.y), c.want) << "at " << c.x << "," << c.y;
}

// The transform is applied: a quad scaled to half size and moved right
// leaves the rest of the surface at the clear colour.
TEST_F(GpuTest, TransformPlacesTheQuad) {
  // Column-major: scale 0.5, translate x by +0.5.
  const std::array<GLfloat, 16> mvp = {0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1, 0, 0.5f, 0, 0, 1};
  DrawQuad(1.0f, mvp);
  const RGBA black{0, 0, 0, 255};
  // The quad covers x 400..799 and y 150..449 of the surface.
  EXPECT_EQ(ReadPixel(100, 300), black);
  EXPECT_EQ(ReadPixel(600, 50), black);
  EXPECT_EQ(ReadPixel(600, 550), black);
  EXPECT_EQ(ReadPixel(500, 200), (RGBA{255, 0, 0, 255}));
  EXPECT_EQ(ReadPixel(700, 400), (RGBA{255, 255, 255, 255}));
}

TEST_F(GpuTest, AttributesSitAtTheirFixedLocations) {
  EXPECT_EQ(glGetAttribLocation(g_texturedShader.program, "inVertex"), 0);
  EXPECT_EQ(glGetAttribLocation(g_texturedShader.program, "inTexCoord"), 1);
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ((GLuint)current, g_texturedShader.program);
}

TEST_F(GpuTest, SecondSetUpMakesNothingNew) {
  const EGLDisplay display = gEglDisplay;
  const EGLSurface surface = gEglSurface;
  const EGLContext context = gEglContext;
  const shader_t shader = g_texturedShader;
  DD_LCD_vInitGraphicsLib();
  EXPECT_EQ(gEglDisplay, display);
  EXPECT_EQ(gEglSurface, surface);
  EXPECT_EQ(gEglContext, context);
  EXPECT_EQ(g_texturedShader.program, shader.program);
  EXPECT_EQ(g_texturedShader.vertexShader, shader.vertexShader);
  EXPECT_EQ(g_texturedShader.fragShader, shader.fragShader);
  EXPECT_EQ(eglGetCurrentContext(), context);
}

TEST_F(GpuTest, ShaderThatDoesNotCompileIsRefused) {
  struct {
    GLenum kind;
    const char* source;
  } cases[] = {
      {GL_VERTEX_SHADER, "void main() { gl_Position = undeclared; }\n"},
      {GL_FRAGMENT_SHADER, "void main() { gl_FragColor = vec4(1.0) + ; }\n"},
  };
  for (const auto& c : cases) {
    const GLuint shader = glCreateShader(c.kind);
    ASSERT_NE(shader, 0u);
    EXPECT_FALSE(internalCompileShader(&c.source, shader)) << c.source;
    glDeleteShader(shader);
  }
  const char* good = "void main() { gl_FragColor = vec4(1.0); }\n";
  const GLuint shader = glCreateShader(GL_FRAGMENT_SHADER);
  EXPECT_TRUE(internalCompileShader(&good, shader));
  glDeleteShader(shader);
}

TEST_F(GpuTest, DestroyShaderDeletesAndZeroesEveryHandle) {
  shader_t s;
  s.program = glCreateProgram();
  s.vertexShader = glCreateShader(GL_VERTEX_SHADER);
  s.fragShader = 0;
  const GLuint program = s.program, vertex = s.vertexShader;
  destroyShader(&s);
  EXPECT_EQ(s.program, 0u);
  EXPECT_EQ(s.vertexShader, 0u);
  EXPECT_EQ(s.fragShader, 0u);
  EXPECT_EQ(glIsProgram(program), GL_FALSE);
  EXPECT_EQ(glIsShader(vertex), GL_FALSE);
}

}  // namespace

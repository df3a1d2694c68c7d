// The SDL window layer itself: how it turns the form's pixel-format request
// into a context, and that the window's first appearance sets the projection
// every frame is drawn with. ctest runs it twice: on X11 under Xvfb, whose
// GLX visuals show double buffering but always offer the deepest buffers,
// and on SDL's offscreen driver (SDL_VIDEODRIVER=offscreen), whose EGL
// configs are single-buffered but give exactly the depth asked for.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "hosts/window/form.h"
#include "platform/graphics/gl.h"
#include "platform/sdl/window.h"

namespace {

GLint GetInt(GLenum what) {
  GLint value = 0;
  glGetIntegerv(what, &value);
  return value;
}

class WindowLayerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(chdir(KELVANE_DATA_DIR), 0);
    int status = -1;
    InstallWindowPlatform();
    opened = OpenDemoWindow(kFormWindow, kFormHandlers, &status);
  }
  static bool opened;
};
bool WindowLayerTest::opened = false;

}  // namespace

TEST_F(WindowLayerTest, FirstAppearanceSetsTheFrameProjection) {
  ASSERT_TRUE(opened) << SDL_GetError();
  ShowDemoWindow();
  // 62 degrees, 0.01 to 174, at the client area's aspect; the start-up
  // projection (45 degrees) would be left if the first show did not resize.
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  ASSERT_GT(viewport[3], 0);
  const double aspect = static_cast<float>(viewport[2]) / static_cast<float>(viewport[3]);
  GLdouble m[16];
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  const double f = 1.0 / std::tan(62.0 * M_PI / 360.0);
  EXPECT_NEAR(m[5], f, 1e-6);
  EXPECT_NEAR(m[0], f / aspect, 1e-6);
  EXPECT_NEAR(m[10], (174.0 + 0.01) / (0.01 - 174.0), 1e-6);
  EXPECT_EQ(viewport[2], 675);
  EXPECT_EQ(viewport[3], 525);
}

TEST_F(WindowLayerTest, PixelFormatRequestBecomesTheContextsBuffers) {
  ASSERT_TRUE(opened) << SDL_GetError();
  // The form's request: double-buffered, 8 bits a colour, the deepest depth
  // buffer up to 32, no stencil, no accumulation.
  const std::string driver = SDL_GetCurrentVideoDriver();
  if (driver == "x11") {
    EXPECT_EQ(GetInt(GL_DOUBLEBUFFER), GL_TRUE);
  }
  EXPECT_EQ(GetInt(GL_RED_BITS), 8);
  EXPECT_EQ(GetInt(GL_GREEN_BITS), 8);
  EXPECT_EQ(GetInt(GL_BLUE_BITS), 8);
  EXPECT_GE(GetInt(GL_DEPTH_BITS), 24);
  EXPECT_EQ(GetInt(GL_STENCIL_BITS), 0);
  EXPECT_EQ(GetInt(GL_ACCUM_RED_BITS), 0);
  if (driver != "offscreen") return;
  // A shallower request is honoured, not rounded up to the deepest.
  TPixelFormatRequest request;
  request.depthBits = 16;
  const int format = WindowLayer.ChooseFormat(request);
  ASSERT_GT(format, 0);
  ASSERT_TRUE(WindowLayer.SetFormat(format));
  EXPECT_EQ(GetInt(GL_DEPTH_BITS), 16);
}

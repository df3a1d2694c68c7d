// ColorSplit on the offscreen rig: where the three tinted layers lie and how
// they are turned (through feedback), the colours they add up to, the scene
// window and the state it leaves.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "demo/demo.h"
#include "scene_fixture.h"
#include "scenes/scenes.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<TQuad> CaptureAt(double d, int* raw = nullptr) {
  DemoTime = d;
  return CaptureQuads(ColorSplit, 3.0, raw);
}

// Direction of the card's bottom edge, corner (-1, -1) to (1, -1), in degrees.
double TurnOf(const TQuad& q) {
  return std::atan2(q.v[1].y - q.v[0].y, q.v[1].x - q.v[0].x) * 180 / kPi;
}

void ExpectTint(const TQuad& q, int channel) {
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(q.v[0].colour[c], c == channel ? 0.83 : 0.0, 1e-6);
}

}  // namespace

TEST(ColorSplit, AtTheStartRedAndBlueCoincideAndGreenLiesAbove) {
  ASSERT_TRUE(EnsureDemoLoaded());
  const auto quads = CaptureAt(650.0);
  ASSERT_EQ(quads.size(), 3u);
  const double centreY[3] = {0.16, 0.32, 0.16};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    ExpectTint(quads[i], i);
    EXPECT_NEAR(quads[i].CentreX(), 0.0, 1e-5);
    EXPECT_NEAR(quads[i].CentreY(), centreY[i], 1e-5);
    EXPECT_NEAR(TurnOf(quads[i]), 0.0, 1e-4);
    EXPECT_NEAR(quads[i].v[1].x - quads[i].v[0].x, 2.0, 1e-5);
  }
}

TEST(ColorSplit, RedAndGreenTurnTogetherWhileBlueStaysUpright) {
  ASSERT_TRUE(EnsureDemoLoaded());
  const auto quads = CaptureAt(760.0);
  ASSERT_EQ(quads.size(), 3u);
  EXPECT_NEAR(TurnOf(quads[0]), -108.57, 1e-3);
  EXPECT_NEAR(TurnOf(quads[1]), -108.57, 1e-3);
  EXPECT_NEAR(TurnOf(quads[2]), 0.0, 1e-3);
  // The offsets add up under the turn: red at R (0, 0.16), green at
  // R ((0, 0.16) + o1), blue there plus its own o2, which is not turned.
  const double t = 110, a = -0.987 * t * kPi / 180;
  auto turn = [a](double x, double y, double* tx, double* ty) {
    *tx = std::cos(a) * x - std::sin(a) * y;
    *ty = std::sin(a) * x + std::cos(a) * y;
  };
  double rx, ry, gx, gy;
  turn(0, 0.16, &rx, &ry);
  turn(0.16 * std::sin(0.12 * t), 0.16 + 0.16 * std::cos(0.12 * t), &gx, &gy);
  const double bx = gx - 0.16 * std::sin(0.24 * t), by = gy - 0.16 * std::cos(0.24 * t);
  const double expected[3][2] = {{rx, ry}, {gx, gy}, {bx, by}};
  for (int i = 0; i < 3; ++i) {
    ExpectTint(quads[i], i);
    EXPECT_NEAR(quads[i].CentreX(), expected[i][0], 1e-4) << i;
    EXPECT_NEAR(quads[i].CentreY(), expected[i][1], 1e-4) << i;
  }
}

TEST(ColorSplit, NothingOutsideTheWindow) {
  ASSERT_TRUE(EnsureDemoLoaded());
  int raw = -1;
  EXPECT_TRUE(CaptureAt(649.999, &raw).empty());
  EXPECT_EQ(raw, 0);
  EXPECT_TRUE(CaptureAt(760.001, &raw).empty());
  EXPECT_EQ(raw, 0);
  EXPECT_EQ(CaptureAt(700.0).size(), 3u);
}

TEST(ColorSplit, LayersAddUpToMagentaAndGreen) {
  ASSERT_TRUE(EnsureDemoLoaded());
  // Black with a white 8 x 8 block in the middle: each layer shows it where
  // its card's centre is.
  TSlotTexture spot(kSlotColorSplit, 64, 64, PaintTexels(64, [](int x, int y, uint8_t* p) {
                      const bool in = x >= 28 && x < 36 && y >= 28 && y < 36;
                      p[0] = p[1] = p[2] = in ? 255 : 0;
                    }));
  ClearFrame();
  DemoTime = 650.0;
  ColorSplit();
  const auto frame = ReadFramePixels();
  const auto redBlue = PixelOf(0.65, 0, 0.16);
  const TRgb magenta = PixelAt(frame, redBlue.x, redBlue.y);
  EXPECT_NEAR(magenta.r, 212, 1);
  EXPECT_EQ(magenta.g, 0);
  EXPECT_NEAR(magenta.b, 212, 1);
  const auto greenAt = PixelOf(0.65, 0, 0.32);
  const TRgb green = PixelAt(frame, greenAt.x, greenAt.y);
  EXPECT_EQ(green.r, 0);
  EXPECT_NEAR(green.g, 212, 1);
  EXPECT_EQ(green.b, 0);
  const auto emptyAt = PixelOf(0.65, 0, -0.1);
  const TRgb empty = PixelAt(frame, emptyAt.x, emptyAt.y);
  EXPECT_EQ(empty.r + empty.g + empty.b, 0);
}

TEST(ColorSplit, LeavesItsStateAndRestatesTheFilters) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture(kSlotColorSplit, 4, 4, PaintTexels(4, [](int, int, uint8_t* p) { p[0] = 1; }),
                       GL_NEAREST);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
  glDisable(GL_BLEND);
  const int depth = ModelViewDepth();
  DemoTime = 700.0;
  ColorSplit();
  EXPECT_EQ(ModelViewDepth(), depth);
  ExpectCardState(picture.name(), GL_ONE, GL_ONE);
  GLint minFilter = 0, magFilter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
  EXPECT_EQ(minFilter, GL_LINEAR);
  EXPECT_EQ(magFilter, GL_LINEAR);
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[0], 0.0f);
  EXPECT_EQ(colour[1], 0.0f);
  EXPECT_FLOAT_EQ(colour[2], 0.83f);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

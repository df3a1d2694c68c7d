// The lens scene on the offscreen rig: where the two lenses sit and how they
// swing, the state the scene leaves, and lens 1 in front of lens 2 where they
// overlap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "assets/manifest.h"
#include "demo/demo.h"
#include "geometry/lens.h"
#include "scene_fixture.h"
#include "scenes/scenes.h"

namespace {

// Rectangle covered by a range of quads.
struct TBounds {
  double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
};
TBounds BoundsOf(const std::vector<TQuad>& quads, size_t first, size_t count) {
  TBounds b;
  for (size_t i = first; i < first + count; ++i)
    for (const TVertex& v : quads[i].v) {
      b.x0 = std::fmin(b.x0, v.x);
      b.x1 = std::fmax(b.x1, v.x);
      b.y0 = std::fmin(b.y0, v.y);
      b.y1 = std::fmax(b.y1, v.y);
    }
  return b;
}

}  // namespace

TEST(LensBubbles, AtTheStartBothLensesSitLowInTheMiddle) {
  ASSERT_TRUE(EnsureDemoLoaded());
  DemoTime = 1100.0;
  const auto quads = CaptureQuads(LensBubbles, 3.0);
  const size_t lens = kLensRings * kLensSegments;
  ASSERT_EQ(quads.size(), 1 + 2 * lens);
  const TBounds backdrop = BoundsOf(quads, 0, 1);
  EXPECT_NEAR(backdrop.x0, -1.43, 1e-5);
  EXPECT_NEAR(backdrop.x1, 1.43, 1e-5);
  EXPECT_NEAR(backdrop.y0, -1.0, 1e-5);
  EXPECT_NEAR(backdrop.y1, 1.0, 1e-5);
  // Lens 1 centred at (0, -0.56) with radii 0.4 and 0.28; lens 2 at
  // (0, -0.72) with radii 0.4 and 0.36. No segment boundary lies at a
  // quarter turn: the widest rim points are at segments 12 and 13.
  const double centreY[2] = {-0.56, -0.72}, radiusY[2] = {0.28, 0.36};
  const double radiusX = 0.4 * std::sin(12 * 6.2831853 / 50);
  for (int n = 0; n < 2; ++n) {
    SCOPED_TRACE(n + 1);
    const TBounds b = BoundsOf(quads, 1 + n * lens, lens);
    EXPECT_NEAR(b.x0, -radiusX, 1e-5);
    EXPECT_NEAR(b.x1, radiusX, 1e-5);
    EXPECT_NEAR(b.y0, centreY[n] - radiusY[n], 1e-5);
    EXPECT_NEAR(b.y1, centreY[n] + radiusY[n], 1e-5);
    // The centre shows (0.5, 0.29).
    const TVertex& centre = quads[n * lens + lens].v[2];
    EXPECT_NEAR(centre.x, 0.0, 1e-5);
    EXPECT_NEAR(centre.y, centreY[n], 1e-5);
    EXPECT_FLOAT_EQ(centre.tex[0], 0.5f);
    EXPECT_FLOAT_EQ(centre.tex[1], 0.29f);
  }
}

TEST(LensBubbles, LensesSwingBounceAndTurnOverWhatIsBehindThem) {
  ASSERT_TRUE(EnsureDemoLoaded());
  const size_t lens = kLensRings * kLensSegments;
  // Each lens's centre, once a unit over the scene's window.
  std::vector<TVertex> path[2];
  for (double d = 1100.0; d <= 1200.0; d += 1.0) {
    DemoTime = d;
    const auto quads = CaptureQuads(LensBubbles, 3.0);
    ASSERT_EQ(quads.size(), 1 + 2 * lens) << "D = " << d;
    for (int n = 0; n < 2; ++n) path[n].push_back(quads[n * lens + lens].v[2]);
  }
  for (int n = 0; n < 2; ++n) {
    SCOPED_TRACE(n + 1);
    int crossings = 0, bounces = 0;
    for (size_t i = 0; i < path[n].size(); ++i) {
      const TVertex& c = path[n][i];
      // Over the backdrop, and showing it turned over: the part of the
      // picture on the far side of the middle.
      EXPECT_LT(std::fabs(c.x), 1.0) << i;
      EXPECT_LT(std::fabs(c.y), 1.0) << i;
      EXPECT_LE((c.tex[0] - 0.5) * c.x, 1e-6) << i;
      if (i == 0) continue;
      const TVertex& before = path[n][i - 1];
      EXPECT_LT(std::hypot(c.x - before.x, c.y - before.y), 0.5) << i;  // no jumps
      if ((c.x > 0) != (before.x > 0)) ++crossings;
      if (i + 1 < path[n].size() && c.y < before.y && c.y < path[n][i + 1].y) ++bounces;
    }
    EXPECT_GE(crossings, 2);  // swings from side to side
    EXPECT_GE(bounces, 6);    // drops and bounces back up, again and again
  }
  double apart = 0;
  for (size_t i = 0; i < path[0].size(); ++i)
    apart = std::max(apart, std::hypot(path[0][i].x - path[1][i].x, path[0][i].y - path[1][i].y));
  EXPECT_GT(apart, 0.2);  // each on a course of its own
}

TEST(LensBubbles, LeavesDepthTestOnAndTheListRecorded) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture(kSlotLens, 4, 4, PaintTexels(4, [](int, int, uint8_t* p) { p[2] = 9; }));
  glDisable(GL_BLEND);
  glEnable(GL_LIGHTING);
  glColor4f(0, 0, 0, 0);
  const int depth = ModelViewDepth();
  DemoTime = 1150.0;
  LensBubbles();
  EXPECT_EQ(ModelViewDepth(), depth);
  ExpectCardState(picture.name(), GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, true);
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  for (float c : colour) EXPECT_EQ(c, 1.0f);
  EXPECT_TRUE(glIsList(kListLens));
  GLint listMode = -1;
  glGetIntegerv(GL_LIST_MODE, &listMode);
  EXPECT_EQ(listMode, 0);  // no list left open
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

namespace {

// One lens as LensBubbles places it at t = 0, drawn without depth test.
void DrawLensAtStart(float sy) {
  const double a = 0.0, b = -2.0;
  glPushMatrix();
  glScalef(0.4f, 0.4f, 0.1f);
  glScalef(1, sy, 1);
  glTranslatef(static_cast<float>(a), static_cast<float>(b), 0);
  DrawLens(a * -0.24 + 0.5, b * 0.12 + 0.53);
  glPopMatrix();
}

// The backdrop and both lenses at t = 0 in the given order, later on top.
std::vector<uint8_t> DrawByHand(bool lensOneOnTop) {
  ClearFrame();
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_LIGHTING);
  glColor4f(1, 1, 1, 1);
  glBindTexture(GL_TEXTURE_2D, TextureSlot(Textures, kSlotLens));
  glEnable(GL_TEXTURE_2D);
  gluLookAt(0, 0, 1.6, 0, 0, 0, 0, 1, 0);
  glPushMatrix();
  glScalef(1.43f, 1, 0);
  DrawUnitCard();
  glPopMatrix();
  DrawLensAtStart(lensOneOnTop ? 0.9f : 0.7f);
  DrawLensAtStart(lensOneOnTop ? 0.7f : 0.9f);
  glPopMatrix();
  return ReadFramePixels();
}

int PixelsApart(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  int apart = 0;
  for (size_t i = 0; i < a.size(); i += 3)
    if (std::abs(a[i] - b[i]) > 6 || std::abs(a[i + 1] - b[i + 1]) > 6) ++apart;
  return apart;
}

}  // namespace

TEST(LensBubbles, LensOneStaysInFrontWhereTheyOverlap) {
  ASSERT_TRUE(EnsureDemoLoaded());
  // Red follows u and green follows v, so each lens's mapping shows.
  TSlotTexture gradient(kSlotLens, 64, 64, PaintTexels(64, [](int x, int y, uint8_t* p) {
                          p[0] = static_cast<uint8_t>(x * 4);
                          p[1] = static_cast<uint8_t>(y * 4);
                          p[2] = 64;
                        }));
  ClearFrame();
  DemoTime = 1100.0;
  LensBubbles();
  const auto scene = ReadFramePixels();
  const auto oneOnTop = DrawByHand(true);
  const auto twoOnTop = DrawByHand(false);
  // The two hand-drawn orders differ over the overlap, which is large.
  EXPECT_GT(PixelsApart(oneOnTop, twoOnTop), 2000);
  EXPECT_LT(PixelsApart(scene, oneOnTop), 20);
  // A point inside both lenses, well away from the centres' region of
  // nearly equal texture coordinates.
  const auto p = PixelOf(1.6, 0.3, -0.6);
  const TRgb seen = PixelAt(scene, p.x, p.y), one = PixelAt(oneOnTop, p.x, p.y),
             two = PixelAt(twoOnTop, p.x, p.y);
  EXPECT_NEAR(seen.r, one.r, 2);
  EXPECT_NEAR(seen.g, one.g, 2);
  EXPECT_GT(std::abs(one.r - two.r) + std::abs(one.g - two.g), 12);
}

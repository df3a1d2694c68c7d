// The unfolding image, the panning banner and the model showcase: heights,
// camera speeds, the wireframe models and the state each leaves.
#include <unistd.h>

#include <array>
#include <climits>
#include <cmath>

#include "assets/asc_mesh.h"
#include "scene_fixture.h"
#include "scenes/scenes.h"

namespace {

const int kUnfoldSlot = 18;
const int kBannerSlot = 22;
const int kShowcaseSlot = 20;
const int kSettlingSlot = 19;
const GLuint kDuck = 5, kSphere = 2, kCube = 3;

// Demo time at which the showcase camera stands at x = 0.
const double kShowcaseCentred = 760 + (2.5 / 0.03) / 1.2;

TEST(UnfoldImage, OpensToHalfHeightAtT25AndStopsAtFull) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture(kUnfoldSlot, 120, 160, 200);
  // t = 25: h = 0.5, the card is x in [-1.63, 1.63], y in [-0.5, 0.5] at 2.3.
  auto frame = RunScene(UnfoldImage, 245.0);
  const int top = static_cast<int>(RowOf(0.5, 2.3));
  const int right = static_cast<int>(ColumnOf(1.63, 2.3));
  EXPECT_TRUE(Near(PixelAt(frame, 160, top + 3), 120, 160, 200, 1));
  EXPECT_TRUE(IsBlack(PixelAt(frame, 160, top - 3)));
  EXPECT_TRUE(Near(PixelAt(frame, right - 3, 120), 120, 160, 200, 1));
  EXPECT_TRUE(IsBlack(PixelAt(frame, right + 3, 120)));
  ExpectCardState(picture.name(), GL_ONE, GL_ONE);
  auto colour = CurrentColour();
  EXPECT_EQ(colour, (std::array<float, 4>{1, 1, 1, 1}));

  // From t = 50 on the height stays 1.
  for (double d : {270.0, 290.0}) {
    frame = RunScene(UnfoldImage, d);
    const int fullTop = static_cast<int>(RowOf(1.0, 2.3));
    EXPECT_TRUE(Near(PixelAt(frame, 160, fullTop + 3), 120, 160, 200, 1)) << "D = " << d;
    EXPECT_TRUE(IsBlack(PixelAt(frame, 160, fullTop - 3))) << "D = " << d;
  }
}

TEST(UnfoldImage, ZeroHeightAtTheStartAndClosedWindow) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture(kUnfoldSlot, 255, 255, 255);
  auto frame = RunScene(UnfoldImage, 220.0);
  EXPECT_EQ(Brightness(frame), 0u);
  ExpectCardState(picture.name(), GL_ONE, GL_ONE);
  for (double d : {219.99, 290.01}) {
    RunScene(UnfoldImage, d);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << "D = " << d;
  }
}

TEST(PanBanner, CameraPansAtFourHundredthsPerUnit) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture banner(kBannerSlot, 60, 200, 90);
  // t = 25: camera at x = 1.5; the banner (x in [-1.012, 1.012], y in
  // [-0.253, 0.253]) ends 0.488 left of the centre of view.
  auto frame = RunScene(PanBanner, 325.0);
  const int right = static_cast<int>(ColumnOf(1.012 - 1.5, 1.9));
  const int top = static_cast<int>(RowOf(0.253, 1.9));
  EXPECT_TRUE(Near(PixelAt(frame, right - 3, 120), 60, 200, 90, 1));
  EXPECT_TRUE(IsBlack(PixelAt(frame, right + 3, 120)));
  EXPECT_TRUE(Near(PixelAt(frame, 40, top + 3), 60, 200, 90, 1));
  EXPECT_TRUE(IsBlack(PixelAt(frame, 40, top - 3)));
  ExpectCardState(banner.name(), GL_ONE, GL_ONE);
  EXPECT_EQ(CurrentColour(), (std::array<float, 4>{1, 1, 1, 1}));

  // t = 0: only a sliver at the left edge.
  frame = RunScene(PanBanner, 300.0);
  const int sliver = static_cast<int>(ColumnOf(1.012 - 2.5, 1.9));
  EXPECT_GT(sliver, 1);
  EXPECT_TRUE(Near(PixelAt(frame, 0, 120), 60, 200, 90, 1));
  EXPECT_TRUE(IsBlack(PixelAt(frame, sliver + 2, 120)));
  for (double d : {299.99, 430.01}) {
    RunScene(PanBanner, d);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << "D = " << d;
  }
  RunScene(PanBanner, 430.0);
  ExpectCardState(banner.name(), GL_ONE, GL_ONE);
}

// Replaces display lists 5, 2 and 3 for one test and compiles the real ones
// again from the asset pack afterwards.
class ShowcaseLists : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(EnsureDemoLoaded()); }
  void TearDown() override {
    char previous[PATH_MAX];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(KELVANE_DATA_DIR), 0);
    CompileStartupMeshes();
    ASSERT_EQ(chdir(previous), 0);
  }
};

// A list drawing one right triangle straight in front of the eye at
// distance 1, whatever the model-view matrix: legs from (x0, -0.4) to
// (x1, -0.4) and to (x0, 0.4).
void CompileEyeTriangle(GLuint list, float x0, float x1) {
  glNewList(list, GL_COMPILE);
  glPushMatrix();
  glLoadIdentity();
  glBegin(GL_TRIANGLES);
  glVertex3f(x0, -0.4f, -1);
  glVertex3f(x1, -0.4f, -1);
  glVertex3f(x0, 0.4f, -1);
  glEnd();
  glPopMatrix();
  glEndList();
}

const float kTriangleX[3][2] = {{-0.75f, -0.35f}, {-0.2f, 0.2f}, {0.35f, 0.75f}};

void CompileEyeTriangles() {
  CompileEyeTriangle(kDuck, kTriangleX[0][0], kTriangleX[0][1]);
  CompileEyeTriangle(kSphere, kTriangleX[1][0], kTriangleX[1][1]);
  CompileEyeTriangle(kCube, kTriangleX[2][0], kTriangleX[2][1]);
}

TEST_F(ShowcaseLists, WireframesInGreenRedBlueOverAnOpaqueBackdrop) {
  TSlotTexture backdrop(kShowcaseSlot, 90, 90, 90);
  CompileEyeTriangles();
  auto frame = RunScene(ModelShowcase, kShowcaseCentred, 0.6f);
  const int expected[3][3] = {{0, 255, 0}, {255, 0, 0}, {0, 0, 255}};
  const int row = static_cast<int>(RowOf(-0.2, 1.0));
  for (int m = 0; m < 3; ++m) {
    SCOPED_TRACE(m);
    // The triangle's vertical leg shows in the model's colour...
    const int leg = static_cast<int>(std::lround(ColumnOf(kTriangleX[m][0], 1.0)));
    bool edge = false;
    for (int x = leg - 2; x <= leg + 2; ++x)
      edge =
          edge || Near(PixelAt(frame, x, row), expected[m][0], expected[m][1], expected[m][2], 0);
    EXPECT_TRUE(edge);
    // ...and its inside is the backdrop: lines, not filled triangles.
    const int inside = static_cast<int>(ColumnOf(kTriangleX[m][0] + 0.08, 1.0));
    EXPECT_TRUE(Near(PixelAt(frame, inside, row), 90, 90, 90, 0));
  }
  // The backdrop covers the grey the frame was cleared to.
  EXPECT_TRUE(Near(PixelAt(frame, 2, 2), 90, 90, 90, 0));

  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(GetInt(GL_TEXTURE_BINDING_2D), static_cast<GLint>(backdrop.name()));
  EXPECT_EQ(PolygonModes(), (std::array<GLint, 2>{GL_FILL, GL_FILL}));
  EXPECT_EQ(CurrentColour(), (std::array<float, 4>{0, 0, 1, 1}));
  EXPECT_EQ(GetInt(GL_BLEND_SRC), GL_SRC_ALPHA);
  EXPECT_EQ(GetInt(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
}

// p rotated by `degrees` about `axis` (right-handed, as glRotate).
std::array<double, 3> Rotate(std::array<double, 3> p, double degrees, std::array<double, 3> axis) {
  const double n = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
  const double k[3] = {axis[0] / n, axis[1] / n, axis[2] / n};
  const double a = degrees * M_PI / 180, c = std::cos(a), s = std::sin(a);
  const double dot = k[0] * p[0] + k[1] * p[1] + k[2] * p[2];
  const double cross[3] = {k[1] * p[2] - k[2] * p[1], k[2] * p[0] - k[0] * p[2],
                           k[0] * p[1] - k[1] * p[0]};
  std::array<double, 3> r{};
  for (int i = 0; i < 3; ++i) r[i] = p[i] * c + cross[i] * s + k[i] * dot * (1 - c);
  return r;
}

TEST_F(ShowcaseLists, ModelsTurnAboutTheirAxesAtTheirRates) {
  TSlotTexture backdrop(kShowcaseSlot, 0, 0, 0);
  const std::array<double, 3> p = {0.6, 0.4, 1.0};
  for (GLuint list : {kDuck, kSphere, kCube}) {
    glNewList(list, GL_COMPILE);
    glBegin(GL_POINTS);
    glVertex3d(p[0], p[1], p[2]);
    glEnd();
    glEndList();
  }
  struct TExpect {
    double x, rate;
    std::array<double, 3> axis;
    int colour[3];
  };
  const TExpect models[3] = {{0.85, 10, {0.3, 1, 0}, {0, 255, 0}},
                             {0.0, 10, {-0.3, 0, 1}, {255, 0, 0}},
                             {-0.85, 7, {-0.5, 1, 1}, {0, 0, 255}}};
  for (double d : {kShowcaseCentred, kShowcaseCentred + 3.3}) {
    const double t = (d - 760) * 1.2;
    const double camera = 2.5 - 0.03 * t;
    auto frame = RunScene(ModelShowcase, d);
    for (const TExpect& m : models) {
      SCOPED_TRACE(::testing::Message() << "D = " << d << ", model at " << m.x);
      auto r = Rotate(p, m.rate * t, m.axis);
      const double distance = 1.6 - 0.1 * r[2];
      const double column = ColumnOf(m.x + 0.23 * r[0] - camera, distance);
      const double row = RowOf(0.23 * r[1], distance);
      bool found = false;
      for (int y = static_cast<int>(row) - 1; y <= static_cast<int>(row) + 1; ++y)
        for (int x = static_cast<int>(column) - 1; x <= static_cast<int>(column) + 1; ++x)
          found = found || Near(PixelAt(frame, x, y), m.colour[0], m.colour[1], m.colour[2], 0);
      EXPECT_TRUE(found) << "expected near column " << column << ", row " << row;
    }
  }
}

TEST(ModelShowcase, BackdropPansAtThreeHundredthsPerUnit) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture backdrop(kShowcaseSlot, 90, 90, 90);
  // t = 48: camera at x = 1.06; the backdrop ends at x = 1.43.
  auto frame = RunScene(ModelShowcase, 800.0);
  const int right = static_cast<int>(ColumnOf(1.43 - (2.5 - 0.03 * 48), 1.6));
  EXPECT_TRUE(Near(PixelAt(frame, right - 3, 30), 90, 90, 90, 0));
  EXPECT_TRUE(IsBlack(PixelAt(frame, right + 3, 30)));
  for (double d : {759.99, 910.01}) {
    RunScene(ModelShowcase, d);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << "D = " << d;
  }
  RunScene(ModelShowcase, 910.0);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(CurrentColour(), (std::array<float, 4>{0, 0, 1, 1}));
}

// Rows 10 to 12 at D = 910: the showcase, the settling strips (first frame
// of their window) and the showcase again, which draws over the strips.
TEST_F(ShowcaseLists, SecondShowcaseCallDrawsOverTheSettlingStrips) {
  TSlotTexture backdrop(kShowcaseSlot, 90, 90, 90);
  TSlotTexture strips(kSettlingSlot, 100, 100, 100);
  CompileEyeTriangles();
  ClearFrame();
  SetBaseState();
  DemoTime = 910.0;
  ModelShowcase();
  SettlingSlices();
  ModelShowcase();
  auto frame = ReadFramePixels();
  // The triangles' lower legs lie at y = -0.4 in front of the eye, across
  // the band of strips that never move (two strips of 100 each: 200).
  const int leg = static_cast<int>(std::lround(RowOf(-0.4, 1.0)));
  int pure = 0, mixed = 0;
  for (int y = leg - 2; y <= leg + 2; ++y) {
    for (int x = 0; x < kRigWidth; ++x) {
      TRgb p = PixelAt(frame, x, y);
      if (p.r == 255 || p.g == 255 || p.b == 255) {
        if (Near(p, 0, 255, 0, 0) || Near(p, 255, 0, 0, 0) || Near(p, 0, 0, 255, 0))
          ++pure;
        else
          ++mixed;
      }
    }
  }
  EXPECT_GT(pure, 50);
  EXPECT_EQ(mixed, 0);
  EXPECT_TRUE(Near(PixelAt(frame, 160, leg - 6), 200, 200, 200, 2));
  EXPECT_EQ(CurrentColour(), (std::array<float, 4>{0, 0, 1, 1}));
}

}  // namespace

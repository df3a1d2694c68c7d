// The unfolding image, the panning banner and the model showcase: heights,
// camera speeds, the wireframe models (how open their wires are at the
// window's size; the particle files' point faces draw nothing) and the state
// each leaves.
#include <unistd.h>

#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "assets/asc_mesh.h"
#include "assets/asc_parser.h"
#include "scene_fixture.h"
#include "scenes/scenes.h"

namespace {

const GLuint kDuck = 5, kSphere = 2, kCube = 3;

// Demo time at which the showcase camera stands at x = 0.
const double kShowcaseCentred = 760 + (2.5 / 0.03) / 1.2;

TEST(UnfoldImage, OpensToHalfHeightAtT25AndStopsAtFull) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture(kSlotUnfold, 120, 160, 200);
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
  TSlotTexture picture(kSlotUnfold, 255, 255, 255);
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
  TSlotTexture banner(kSlotBanner, 60, 200, 90);
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
  TSlotTexture backdrop(kSlotModelBackdrop, 90, 90, 90);
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
  TSlotTexture backdrop(kSlotModelBackdrop, 0, 0, 0);
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
  TSlotTexture backdrop(kSlotModelBackdrop, 90, 90, 90);
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

// The showcase as the window draws it at its designed client size, put
// together from rig-sized tiles: each tile is drawn with the window's
// projection, its own part of the view stretched over the rig. RGB rows,
// top row first.
constexpr int kWindowWidth = 675, kWindowHeight = 525;
std::vector<uint8_t> ShowcaseAtWindowSize(double d) {
  std::vector<uint8_t> out(3 * kWindowWidth * kWindowHeight);
  for (int oy = 0; oy < kWindowHeight; oy += kRigHeight) {
    for (int ox = 0; ox < kWindowWidth; ox += kRigWidth) {
      ClearFrame();
      SetBaseState();
      glMatrixMode(GL_PROJECTION);
      glLoadIdentity();
      // Window NDC to this tile's NDC.
      glTranslated((kWindowWidth - 2.0 * ox) / kRigWidth - 1,
                   (kWindowHeight - 2.0 * oy) / kRigHeight - 1, 0);
      glScaled(static_cast<double>(kWindowWidth) / kRigWidth,
               static_cast<double>(kWindowHeight) / kRigHeight, 1);
      gluPerspective(62.0, static_cast<float>(kWindowWidth) / kWindowHeight, 0.01, 174.0);
      glMatrixMode(GL_MODELVIEW);
      DemoTime = d;
      ModelShowcase();
      const std::vector<uint8_t> tile = ReadFramePixels();
      for (int r = 0; r < kRigHeight; ++r) {
        const int row = kWindowHeight - oy - kRigHeight + r;  // from the top
        for (int x = 0; x < kRigWidth && row >= 0 && ox + x < kWindowWidth; ++x) {
          for (int k = 0; k < 3; ++k)
            out[3 * (row * kWindowWidth + ox + x) + k] = tile[3 * (r * kRigWidth + x) + k];
        }
      }
    }
  }
  ResizeProjection(kRigWidth, kRigHeight);
  return out;
}

// Share of the pixels inside a wireframe's outline that its wires light:
// the outline holds every pixel of the colour and every pixel the frame's
// border cannot reach, 4-connected, without crossing one.
double WireShare(const std::vector<uint8_t>& rgb, int r, int g, int b) {
  const int w = kWindowWidth, h = kWindowHeight;
  std::vector<char> lit(w * h), outside(w * h);
  int wires = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      lit[y * w + x] = Near(PixelAt(rgb, x, y, w), r, g, b, 0);
      wires += lit[y * w + x];
    }
  }
  std::vector<int> stack;
  auto reach = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= w || y >= h || lit[y * w + x] || outside[y * w + x]) return;
    outside[y * w + x] = 1;
    stack.push_back(y * w + x);
  };
  for (int x = 0; x < w; ++x) reach(x, 0), reach(x, h - 1);
  for (int y = 0; y < h; ++y) reach(0, y), reach(w - 1, y);
  int inside = w * h;
  while (!stack.empty()) {
    const int i = stack.back();
    stack.pop_back();
    --inside;
    reach(i % w + 1, i / w), reach(i % w - 1, i / w), reach(i % w, i / w + 1),
        reach(i % w, i / w - 1);
  }
  return inside > 0 ? static_cast<double>(wires) / inside : 1.0;
}

// At the window's size the wires stay open: each model lights at most half
// of its outline, and reads as a wireframe rather than a solid shape.
TEST(ModelShowcase, WireframesLightAtMostHalfTheirOutlineAtWindowSize) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture backdrop(kSlotModelBackdrop, 0, 0, 0);
  const std::vector<uint8_t> frame = ShowcaseAtWindowSize(830.0);
  const struct {
    const char* name;
    int colour[3];
  } models[3] = {{"duck", {0, 255, 0}}, {"sphere", {255, 0, 0}}, {"cube", {0, 0, 255}}};
  for (const auto& m : models) {
    const double share = WireShare(frame, m.colour[0], m.colour[1], m.colour[2]);
    std::printf("%s: wires light %.1f %% of the outline\n", m.name, 100 * share);
    EXPECT_GT(share, 0.1) << m.name;
    EXPECT_LE(share, 0.5) << m.name;
  }
}

// One object of a point file as the mesh reader sees it: the triangle
// stream of the whole object, the stream of its surface alone (the point
// faces, whose three corners are one vertex, left out) and the surface's
// faces picked out of the whole stream.
struct TPointFileStreams {
  std::vector<float> surface, surfaceInWhole;
  int pointFaces = 0, otherDegenerate = 0;
};

bool SplitPointFaces(const TAscObject& object, void* context) {
  TPointFileStreams& out = *static_cast<TPointFileStreams*>(context);
  std::vector<float> whole(kStreamFloatsPerFace * object.faceCount);
  if (!BuildTriangleStream(object, 1.0, whole.data())) return false;
  std::vector<int32_t> faces;
  std::vector<float> normals;
  for (int j = 0; j < object.faceCount; ++j) {
    const int32_t* f = &object.faces[3 * j];
    if (f[0] == f[1] && f[1] == f[2]) {
      ++out.pointFaces;
      continue;
    }
    out.otherDegenerate += f[0] == f[1] || f[1] == f[2] || f[2] == f[0];
    faces.insert(faces.end(), f, f + 3);
    normals.insert(normals.end(), &object.faceNormals[3 * j], &object.faceNormals[3 * j + 3]);
    out.surfaceInWhole.insert(out.surfaceInWhole.end(), &whole[kStreamFloatsPerFace * j],
                              &whole[kStreamFloatsPerFace * (j + 1)]);
  }
  const TAscObject surface = {object.vertexCount, static_cast<int>(faces.size() / 3),
                              object.vertices, faces.data(), normals.data()};
  out.surface.resize(kStreamFloatsPerFace * surface.faceCount);
  return BuildTriangleStream(surface, 1.0, out.surface.data());
}

// A frame of one mesh at distance 3 in front of the eye, in outline or
// filled and lit: either a display list or a triangle stream.
std::vector<uint8_t> DrawMesh(GLenum mode, GLuint list, const std::vector<float>* stream) {
  ClearFrame();
  SetBaseState();
  glTranslatef(0, 0, -3);
  glRotatef(30, 1, 1, 0);
  glPolygonMode(GL_FRONT_AND_BACK, mode);
  if (stream) {
    glBegin(GL_TRIANGLES);
    for (size_t i = 0; i < stream->size(); i += 6) {
      glNormal3fv(&(*stream)[i]);
      glVertex3fv(&(*stream)[i + 3]);
    }
    glEnd();
  } else {
    glCallList(list);
  }
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  return ReadFramePixels();
}

// The particle files' point faces only seed particles: the showcase's
// display lists draw exactly what their closed surfaces alone draw, in
// outline and filled, and the surfaces' smoothed normals are the same with
// and without them.
TEST(ModelShowcase, PointFacesDrawNothingAndLeaveTheNormalsAlone) {
  ASSERT_TRUE(EnsureDemoLoaded());
  const struct {
    const char* file;
    GLuint list;
  } meshes[] = {{"sphere.asc", kSphere}, {"cube.asc", kCube}};
  for (const auto& mesh : meshes) {
    SCOPED_TRACE(mesh.file);
    TPointFileStreams streams;
    const std::string path = std::string(KELVANE_DATA_DIR) + "/" + mesh.file;
    ASSERT_EQ(ParseAscFile(path.c_str(), SplitPointFaces, &streams), 1);
    EXPECT_GT(streams.pointFaces, 1000);
    EXPECT_EQ(streams.otherDegenerate, 0);
    EXPECT_TRUE(streams.surface == streams.surfaceInWhole);
    for (GLenum mode : {GL_LINE, GL_FILL}) {
      const std::vector<uint8_t> whole = DrawMesh(mode, mesh.list, nullptr);
      EXPECT_GT(Brightness(whole), 0u);
      EXPECT_TRUE(whole == DrawMesh(mode, 0, &streams.surface)) << "mode " << mode;
    }
  }
}

// Rows 10 to 12 at D = 910: the showcase, the settling strips (first frame
// of their window) and the showcase again, which draws over the strips.
TEST_F(ShowcaseLists, SecondShowcaseCallDrawsOverTheSettlingStrips) {
  TSlotTexture backdrop(kSlotModelBackdrop, 90, 90, 90);
  TSlotTexture strips(kSlotSettlingStrips, 100, 100, 100);
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

// ParticleMorph on the offscreen rig, with keys set here so the results do
// not depend on the asset pack: sprite positions captured through feedback,
// the trail card, the scene window, the state it leaves and the channels it
// has Evaluate interpolate.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "assets/manifest.h"
#include "demo/demo.h"
#include "geometry/particles.h"
#include "scene_fixture.h"
#include "scenes/scenes.h"

namespace {

constexpr double kHalfSprite = 0.08915;
constexpr double kBox = 3.0;  // half-size of the capture box

// Key k of particle j: all different, inside the cube, spread in z too.
TVector TestKey(int j, int k) {
  return TVector(std::sin(j * 0.37 + k) * 0.9, std::cos(j * 0.11 + 2 * k) * 0.9,
                 std::sin(j * 0.05 - k) * 0.9);
}

// Particle j's position at keyframe time t inside segment 1 to 5, from the
// test keys by the matrix form of Catmull-Rom; keys wrap after the seventh.
TVector SplineOfTestKeys(int j, double t) {
  const int k = static_cast<int>(t);
  const double f = t - k;
  const TVector p0 = TestKey(j, k - 1), p1 = TestKey(j, k), p2 = TestKey(j, (k + 1) % 7),
                p3 = TestKey(j, (k + 2) % 7);
  return TVector(CatmullRom(p0.GetX(), p1.GetX(), p2.GetX(), p3.GetX(), f),
                 CatmullRom(p0.GetY(), p1.GetY(), p2.GetY(), p3.GetY(), f),
                 CatmullRom(p0.GetZ(), p1.GetZ(), p2.GetZ(), p3.GetZ(), f));
}

void SetTestKeys() {
  for (int j = 0; j < kParticleCount; ++j) {
    particles[j].Reset();
    for (int k = 0; k < kParticleKeys; ++k)
      particles[j].AddKeyframe(TestKey(j, k), TVector(k, 1, 1), TVector(2, k, 2));
    particles[j].SetKeyCount(kParticleKeys);
  }
}

std::vector<TQuad> CaptureAt(double d, int* raw = nullptr) {
  DemoTime = d;
  ResetRandom();
  TakeParticleJitter(d);
  return CaptureQuads(ParticleMorph, kBox, raw);
}

// Every sprite is centred within its jitter (at most 0.015 either way) of
// where(j), and is 0.1783 wide and high.
template <typename Where>
void ExpectSpritesAt(const std::vector<TQuad>& quads, Where where) {
  ASSERT_GE(quads.size(), static_cast<size_t>(kParticleCount));
  const double reach = 0.015 + 1e-4;
  int wrong = 0;
  for (int j = 0; j < kParticleCount; ++j) {
    const TVector p = where(j);
    const TQuad& q = quads[j];
    const bool ok = std::fabs(q.CentreX() - p.GetX()) <= reach &&
                    std::fabs(q.CentreY() - p.GetY()) <= reach &&
                    std::fabs(q.v[1].x - q.v[0].x - 2 * kHalfSprite) < 1e-4 &&
                    std::fabs(q.v[2].y - q.v[1].y - 2 * kHalfSprite) < 1e-4;
    if (!ok && ++wrong <= 5)
      ADD_FAILURE() << "particle " << j << " at (" << q.CentreX() << ", " << q.CentreY()
                    << "), expected near (" << p.GetX() << ", " << p.GetY() << ")";
  }
  EXPECT_EQ(wrong, 0);
}

class Morph : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureDemoLoaded());
    SetTestKeys();
  }
  void TearDown() override { ReseedFromAssetPack(); }
};

}  // namespace

TEST_F(Morph, AtTheStartEveryParticleSitsOnItsSecondKey) {
  const auto quads = CaptureAt(410.0);
  EXPECT_EQ(quads.size(), static_cast<size_t>(kParticleCount));
  ExpectSpritesAt(quads, [](int j) { return TestKey(j, 1); });
}

TEST_F(Morph, FollowsTheSplineAtKeyframeTimeOnePlusAFiftiethOfSceneTime) {
  // D = 450: s = 48, keyframe time 1.96.
  const auto quads = CaptureAt(450.0);
  ExpectSpritesAt(quads, [](int j) { return SplineOfTestKeys(j, 1.96); });
  // D = 580: 5.08, the last moment drawn, between the blob keys 5 and 6.
  ExpectSpritesAt(CaptureAt(580.0), [](int j) { return SplineOfTestKeys(j, 5.08); });
}

TEST_F(Morph, NothingOutsideTheWindow) {
  int raw = -1;
  EXPECT_TRUE(CaptureAt(409.999, &raw).empty());
  EXPECT_EQ(raw, 0);
  EXPECT_TRUE(CaptureAt(580.001, &raw).empty());
  EXPECT_EQ(raw, 0);
  // Outside the window the particles are not touched either.
  EXPECT_EQ(particles[0].channelCount, 3);
}

TEST_F(Morph, TrailCardFromSceneTimeAbove130) {
  EXPECT_EQ(CaptureAt(518.3).size(), static_cast<size_t>(kParticleCount));
  const auto quads = CaptureAt(518.4);
  ASSERT_EQ(quads.size(), static_cast<size_t>(kParticleCount) + 1);
  const TQuad& trail = quads.back();
  const double corners[4][2] = {{-1.6, -1.3}, {-0.4, -1.3}, {-0.4, -0.7}, {-1.6, -0.7}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(trail.v[k].x, corners[k][0], 1e-5) << k;
    EXPECT_NEAR(trail.v[k].y, corners[k][1], 1e-5) << k;
    EXPECT_NEAR(trail.v[k].colour[0], 0.6, 1e-6);
    EXPECT_NEAR(trail.v[k].colour[2], 1.0, 1e-6);
  }
}

TEST_F(Morph, LeavesItsStateAndTheMatrixStack) {
  TSlotTexture sprite(kSlotParticleSprite, 4, 4,
                      PaintTexels(4, [](int, int, uint8_t* p) { p[0] = 200; }));
  TSlotTexture trail(kSlotTrailCaption, 4, 4, PaintTexels(4, [](int, int, uint8_t* p) { p[1] = 200; }));
  for (double d : {450.0, 520.0}) {
    SCOPED_TRACE(d);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glBlendFunc(GL_ZERO, GL_ZERO);
    const int depth = ModelViewDepth();
    DemoTime = d;
    ParticleMorph();
    EXPECT_EQ(ModelViewDepth(), depth);
    ExpectCardState(d < 500 ? sprite.name() : trail.name(), GL_ONE, GL_ONE);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.6f);
    EXPECT_FLOAT_EQ(colour[1], 0.6f);
    EXPECT_FLOAT_EQ(colour[2], 1.0f);
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Morph, SpritesGlowInTheSceneColourOnBlack) {
  // Particle 0 at the origin; all others behind the camera, clipped away.
  for (int j = 0; j < kParticleCount; ++j) {
    particles[j].Reset();
    const TVector where = j == 0 ? TVector(0, 0, 0) : TVector(0, 0, 10);
    for (int k = 0; k < kParticleKeys; ++k) particles[j].AddKeyframe(where, where, where);
    particles[j].SetKeyCount(kParticleKeys);
  }
  TSlotTexture white(kSlotParticleSprite, 255, 255, 255);
  ClearFrame();
  DemoTime = 450.0;
  ParticleMorph();
  const auto frame = ReadFramePixels();
  const auto centre = PixelOf(2.4, 0, 0);
  const TRgb lit = PixelAt(frame, centre.x, centre.y);
  EXPECT_NEAR(lit.r, 153, 1);
  EXPECT_NEAR(lit.g, 153, 1);
  EXPECT_EQ(lit.b, 255);
  // A sprite is 0.1783 wide: 0.2 from the centre is black.
  const auto off = PixelOf(2.4, 0.2, 0);
  const TRgb dark = PixelAt(frame, off.x, off.y);
  EXPECT_EQ(dark.r + dark.g + dark.b, 0);
}

TEST_F(Morph, FirstFrameEvaluatesAllChannelsLaterFramesOnlyThePositions) {
  // Channels 1 and 2 far from the positions: whichever frame evaluates
  // them, only channel 0 may place a sprite.
  for (int j = 0; j < kParticleCount; ++j) {
    ASSERT_EQ(particles[j].channelCount, 3);
    for (TVector& key : particles[j].keys[1]) key = TVector(40.0 + j, 0, 0);
    for (TVector& key : particles[j].keys[2]) key = TVector(0, -40.0 - j, 0);
  }
  const auto onTheSpline = [](int j) { return SplineOfTestKeys(j, 2.44); };
  const auto first = CaptureAt(470.0);  // keyframe time 2.44
  ExpectSpritesAt(first, onTheSpline);
  for (int j = 0; j < kParticleCount; ++j) ASSERT_EQ(particles[j].channelCount, 1) << j;
  ExpectSpritesAt(CaptureAt(470.0), onTheSpline);
  // Two frames at one D differ by the jitter alone.
  DemoTime = 470.0;
  TakeParticleJitter(470.0);
  const auto third = CaptureQuads(ParticleMorph, kBox);
  ASSERT_EQ(third.size(), first.size());
  int moved = 0;
  for (size_t j = 0; j < first.size(); ++j) {
    const double dx = third[j].CentreX() - first[j].CentreX();
    const double dy = third[j].CentreY() - first[j].CentreY();
    EXPECT_LE(std::fabs(dx), 0.03 + 1e-6);
    EXPECT_LE(std::fabs(dy), 0.03 + 1e-6);
    if (dx != 0 || dy != 0) ++moved;
  }
  EXPECT_GT(moved, kParticleCount / 2);
}

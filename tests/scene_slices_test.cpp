// The sliced pictures: 200 half-overlapping strips that line up into the
// whole picture, the wavy ripple's sudden start, and the settling blocks
// with their lowest 33 strips fixed.
#include <cmath>

#include "scene_fixture.h"
#include "scenes/scenes.h"

namespace {

const int kWavySlot = 11;
const int kSettlingSlot = 19;

// A 2 x 2 picture, nearest filtered, bottom row first: red, green; blue, grey.
std::vector<uint8_t> FourQuarters() {
  return {100, 0, 0, 255, 0, 100, 0, 255, 0, 0, 100, 255, 60, 60, 60, 255};
}

// First column, scanning from the left, where the right half of the picture
// (green or grey) shows in row y.
int RightHalfStarts(const std::vector<uint8_t>& frame, int y) {
  for (int x = 0; x < kRigWidth; ++x)
    if (PixelAt(frame, x, y).g >= 60) return x;
  return kRigWidth;
}

// Row of the middle of strip i for a picture scaled by `scaleY`, eye at z.
double StripRow(int i, double scaleY, double z) { return RowOf((i / 200.0 - 0.5) * scaleY, z); }

TEST(WavySlices, StripsLineUpIntoTheWholePictureBeforeTwenty) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture(kWavySlot, 2, 2, FourQuarters(), GL_NEAREST);
  const double d = 349.999, eye = 11.8 - 0.5 * (d - 330);
  auto frame = RunScene(WavySlices, d);
  // Every point is covered by two strips: twice the texel under additive
  // blending. The lowest strips carry the picture's first rows.
  const int left = static_cast<int>(ColumnOf(-0.5, eye));
  const int right = static_cast<int>(ColumnOf(0.5, eye));
  const int low = static_cast<int>(RowOf(-0.375, eye));
  const int high = static_cast<int>(RowOf(0.375, eye));
  EXPECT_TRUE(Near(PixelAt(frame, left, low), 200, 0, 0, 1));
  EXPECT_TRUE(Near(PixelAt(frame, right, low), 0, 200, 0, 1));
  EXPECT_TRUE(Near(PixelAt(frame, left, high), 0, 0, 200, 1));
  EXPECT_TRUE(Near(PixelAt(frame, right, high), 120, 120, 120, 1));
  // Every strip in place: the halves meet in one straight column.
  const int first = static_cast<int>(RowOf(0.74, eye)), last = static_cast<int>(RowOf(-0.74, eye));
  const int middle = RightHalfStarts(frame, 120);
  EXPECT_NEAR(middle, 160, 1);
  for (int y = first; y <= last; ++y) EXPECT_EQ(RightHalfStarts(frame, y), middle) << "row " << y;
  // The stack reaches from -0.505 to 0.5 before the scale of 1.5.
  EXPECT_TRUE(IsBlack(PixelAt(frame, left, static_cast<int>(RowOf(0.77, eye)))));
  EXPECT_FALSE(IsBlack(PixelAt(frame, left, static_cast<int>(RowOf(-0.75, eye)))));
  ExpectCardState(picture.name(), GL_ONE, GL_ONE);
  EXPECT_EQ(CurrentColour(), (std::array<float, 4>{1, 1, 1, 1}));
}

TEST(WavySlices, RippleStartsAtFullAmplitudeWithDemoTimeInThePhase) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture(kWavySlot, 2, 2, FourQuarters(), GL_NEAREST);
  for (double d : {350.0, 371.3}) {
    SCOPED_TRACE(::testing::Message() << "D = " << d);
    auto frame = RunScene(WavySlices, d);
    for (int i : {10, 45, 80, 120, 160, 190}) {
      const double dx = 0.3 * std::sin(0.3 * d + 0.023 * i);
      const int y = static_cast<int>(StripRow(i, 1.5, 1.8));
      EXPECT_NEAR(RightHalfStarts(frame, y), ColumnOf(dx, 1.8), 2.0) << "strip " << i;
    }
  }
}

TEST(WavySlices, ClosedWindow) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture(kWavySlot, 2, 2, FourQuarters(), GL_NEAREST);
  for (double d : {329.99, 410.01}) {
    auto frame = RunScene(WavySlices, d);
    EXPECT_EQ(Brightness(frame), 0u) << "D = " << d;
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << "D = " << d;
  }
  auto frame = RunScene(WavySlices, 330.0);  // eye at 11.8: a small picture
  EXPECT_TRUE(Near(PixelAt(frame, 150, 125), 200, 0, 0, 1));
  EXPECT_TRUE(IsBlack(PixelAt(frame, 100, 120)));
}

// Red left half, blue right half.
std::vector<uint8_t> TwoHalves() { return {100, 0, 0, 255, 0, 0, 100, 255}; }

TEST(SettlingSlices, LowestThirtyThreeStripsNeverMove) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture(kSettlingSlot, 2, 1, TwoHalves(), GL_NEAREST);
  // Strips 0 to 32 cover y up to (32/200 - 0.5 + 0.005) * 1.3; strip 33
  // starts 0.005 * 1.3 above that.
  const int top = static_cast<int>(std::ceil(RowOf((33 / 200.0 - 0.5 - 0.005) * 1.3, 1.37))) + 1;
  const int bottom = static_cast<int>(RowOf((0 / 200.0 - 0.5) * 1.3, 1.37)) - 1;
  ASSERT_GT(bottom - top, 20);
  std::vector<uint8_t> first;
  for (double d : {910.0, 912.5, 925.0, 960.0, 1031.0, 1100.0}) {
    SCOPED_TRACE(::testing::Message() << "D = " << d);
    auto frame = RunScene(SettlingSlices, d);
    std::vector<uint8_t> band(frame.begin() + top * kRigWidth * 3,
                              frame.begin() + (bottom + 1) * kRigWidth * 3);
    if (first.empty()) first = band;
    EXPECT_EQ(band, first);
    for (int y = top; y <= bottom; ++y) {
      EXPECT_TRUE(Near(PixelAt(frame, 2, y), 200, 0, 0, 1)) << "row " << y;
      EXPECT_TRUE(Near(PixelAt(frame, 157, y), 200, 0, 0, 1)) << "row " << y;
      EXPECT_TRUE(Near(PixelAt(frame, 162, y), 0, 0, 200, 1)) << "row " << y;
      EXPECT_TRUE(Near(PixelAt(frame, kRigWidth - 3, y), 0, 0, 200, 1)) << "row " << y;
    }
    ExpectCardState(picture.name(), GL_ONE, GL_ONE);
    EXPECT_EQ(CurrentColour(), (std::array<float, 4>{1, 1, 1, 1}));
  }
}

TEST(SettlingSlices, BlocksScatterByTheirNumberAndSettleWithLocalTime) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture(kSettlingSlot, 2, 1, TwoHalves(), GL_NEAREST);
  auto shift = [](int k, double t) {
    return 1.1 * (10 / (0.3 * t + 1)) * std::sin(0.023 * (13 * k) + 0.3 * t);
  };
  // t = 0: block 10 (strips 171-187) is thrown right, its left edge in view;
  // block 11 (188-199) left, its right edge in view.
  auto frame = RunScene(SettlingSlices, 910.0);
  int y = static_cast<int>(StripRow(180, 1.3, 1.37));
  double edge = ColumnOf(-1.1 + shift(10, 0), 1.37);
  EXPECT_TRUE(IsBlack(PixelAt(frame, static_cast<int>(edge) - 3, y)));
  EXPECT_TRUE(Near(PixelAt(frame, static_cast<int>(edge) + 3, y), 200, 0, 0, 1));
  y = static_cast<int>(StripRow(195, 1.3, 1.37));
  edge = ColumnOf(1.1 + shift(11, 0), 1.37);
  EXPECT_TRUE(Near(PixelAt(frame, static_cast<int>(edge) - 3, y), 0, 0, 200, 1));
  EXPECT_TRUE(IsBlack(PixelAt(frame, static_cast<int>(edge) + 3, y)));
  // Blocks 1 to 9 lie outside the view at t = 0.
  EXPECT_TRUE(IsBlack(PixelAt(frame, 160, static_cast<int>(StripRow(36, 1.3, 1.37)))));
  EXPECT_TRUE(IsBlack(PixelAt(frame, 160, static_cast<int>(StripRow(100, 1.3, 1.37)))));

  // t = 30 and 150: the halves of every block meet where its shift puts them.
  for (double t : {30.0, 150.0}) {
    SCOPED_TRACE(::testing::Message() << "t = " << t);
    frame = RunScene(SettlingSlices, 910 + t);
    const int blocks[][2] = {{2, 48}, {4, 80}, {6, 113}, {8, 146}, {10, 179}, {11, 194}};
    for (const auto& b : blocks) {
      y = static_cast<int>(StripRow(b[1], 1.3, 1.37));
      const double middle = ColumnOf(shift(b[0], t), 1.37);
      if (middle < 3 || middle > kRigWidth - 4) continue;
      int x = 0;
      while (x < kRigWidth && PixelAt(frame, x, y).b < 60) ++x;
      EXPECT_NEAR(x, middle, 2.0) << "block " << b[0];
    }
  }
}

TEST(SettlingSlices, ClosedWindow) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture(kSettlingSlot, 2, 1, TwoHalves(), GL_NEAREST);
  for (double d : {909.99, 1100.01}) {
    auto frame = RunScene(SettlingSlices, d);
    EXPECT_EQ(Brightness(frame), 0u) << "D = " << d;
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << "D = " << d;
  }
}

}  // namespace

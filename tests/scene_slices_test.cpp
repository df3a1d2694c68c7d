// The sliced pictures: 200 half-overlapping strips that line up into the
// whole picture, the wavy ripple's sudden start, and the settling blocks
// with their lowest 33 strips fixed.
#include <algorithm>
#include <cmath>
#include <vector>

#include "assets/manifest.h"
#include "scene_fixture.h"
#include "scenes/scenes.h"

namespace {

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
  TSlotTexture picture(kSlotWavyStrips, 2, 2, FourQuarters(), GL_NEAREST);
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

TEST(WavySlices, StripsRippleAsOneWaveAtFullWidthThatMovesWithDemoTime) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture(kSlotWavyStrips, 2, 2, FourQuarters(), GL_NEAREST);
  // The ripple moves each strip sideways by at most 0.3; neighbouring strips
  // move together, as one wave across the picture.
  const double centre = ColumnOf(0, 1.8), reach = ColumnOf(0.3, 1.8) - centre;
  std::vector<double> before;
  for (double d : {350.0, 360.0}) {
    SCOPED_TRACE(::testing::Message() << "D = " << d);
    auto frame = RunScene(WavySlices, d);
    std::vector<double> offset;
    for (int i = 5; i < 200; i += 5)
      offset.push_back(RightHalfStarts(frame, static_cast<int>(StripRow(i, 1.5, 1.8))) - centre);
    double widest = 0;
    for (size_t k = 0; k < offset.size(); ++k) {
      EXPECT_LE(std::fabs(offset[k]), reach + 2) << "strip " << 5 * (k + 1);
      widest = std::max(widest, std::fabs(offset[k]));
      if (k > 0) {
        EXPECT_LE(std::fabs(offset[k] - offset[k - 1]), 0.25 * reach) << "strip " << 5 * (k + 1);
      }
    }
    EXPECT_GE(widest, 0.9 * reach - 2);  // at full width from the start
    if (before.empty()) {
      before = offset;
      continue;
    }
    int moved = 0;
    for (size_t k = 0; k < offset.size(); ++k) moved += std::fabs(offset[k] - before[k]) > 3;
    EXPECT_GT(moved, static_cast<int>(offset.size()) / 2);
  }
}

TEST(WavySlices, ClosedWindow) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture(kSlotWavyStrips, 2, 2, FourQuarters(), GL_NEAREST);
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
  TSlotTexture picture(kSlotSettlingStrips, 2, 1, TwoHalves(), GL_NEAREST);
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
  TSlotTexture picture(kSlotSettlingStrips, 2, 1, TwoHalves(), GL_NEAREST);
  // Where the red half meets the blue one in a block's middle row, in
  // columns from the centre of the view; nothing when it is out of view.
  const auto seam = [](const std::vector<uint8_t>& frame, int strip, double* offset) {
    const int y = static_cast<int>(StripRow(strip, 1.3, 1.37));
    int x = 0;
    while (x < kRigWidth && PixelAt(frame, x, y).b < 60) ++x;
    if (x <= 2 || x >= kRigWidth - 3 || PixelAt(frame, x - 2, y).r < 60) return false;
    *offset = x - kRigWidth / 2.0;
    return true;
  };
  // t = 0: the upper blocks are thrown out of view, or far enough that
  // the picture's middle is not on screen.
  auto frame = RunScene(SettlingSlices, 910.0);
  EXPECT_TRUE(IsBlack(PixelAt(frame, 160, static_cast<int>(StripRow(36, 1.3, 1.37)))));
  EXPECT_TRUE(IsBlack(PixelAt(frame, 160, static_cast<int>(StripRow(100, 1.3, 1.37)))));
  // Then each block by a shift of its own, shrinking as local time goes on.
  const int middles[] = {48, 80, 113, 146, 179, 194};
  double widest[2] = {0, 0}, lowest = 1e9, highest = -1e9;
  for (int k = 0; k < 2; ++k) {
    frame = RunScene(SettlingSlices, k == 0 ? 940.0 : 1060.0);
    int seen = 0;
    for (int strip : middles) {
      double offset = 0;
      if (!seam(frame, strip, &offset)) continue;
      ++seen;
      widest[k] = std::max(widest[k], std::fabs(offset));
      if (k == 0) lowest = std::min(lowest, offset), highest = std::max(highest, offset);
    }
    EXPECT_GE(seen, 4) << "t = " << (k == 0 ? 30 : 150);
  }
  EXPECT_GT(highest - lowest, 20);             // scattered, each its own way
  EXPECT_LT(widest[1], 0.5 * widest[0]);       // and settling
}

TEST(SettlingSlices, ClosedWindow) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture(kSlotSettlingStrips, 2, 1, TwoHalves(), GL_NEAREST);
  for (double d : {909.99, 1100.01}) {
    auto frame = RunScene(SettlingSlices, d);
    EXPECT_EQ(Brightness(frame), 0u) << "D = " << d;
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << "D = " << d;
  }
}

}  // namespace

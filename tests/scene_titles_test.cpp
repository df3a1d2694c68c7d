// The opening and closing logo cards: window bounds, brightness and the
// state they leave.
#include <cmath>

#include "scene_fixture.h"
#include "scenes/scenes.h"

namespace {

// Expected byte of a white texel under brightness c, clamped by GL.
int Lit(double c) { return static_cast<int>(std::lround(255 * std::fmin(1.0, std::fmax(0.0, c)))); }

TEST(TitleCards, FullBrightnessShowsTheTextureAtFullStrength) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture logo(kSlotOpeningTitle, 200, 120, 40);
  // t = 30: c = 3, clamped to 1 by GL.
  auto frame = RunScene(OpeningTitle, 30.0);
  EXPECT_TRUE(Near(PixelAt(frame, 160, 120), 200, 120, 40, 1));
  EXPECT_TRUE(Near(PixelAt(frame, 160, 2), 200, 120, 40, 1));  // covers the whole height
  // The card spans x in [-1.1385, 1.1385] at distance 1.6.
  const double edge = ColumnOf(1.1385, 1.6);
  EXPECT_TRUE(Near(PixelAt(frame, static_cast<int>(edge) - 3, 120), 200, 120, 40, 1));
  EXPECT_TRUE(IsBlack(PixelAt(frame, static_cast<int>(edge) + 3, 120)));
  EXPECT_TRUE(IsBlack(PixelAt(frame, kRigWidth - 1 - static_cast<int>(edge) - 3, 120)));
}

TEST(TitleCards, BrightnessRisesAsThreeSinesAndReachesGlUnclamped) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture logo(kSlotOpeningTitle, 255, 255, 255);
  // 3 sin(pi t / 60) is three times the sine of 3t degrees: sin 3 deg =
  // sin 177 deg = 0.052336, sin 9 deg = 0.156434, sin 15 deg = 0.258819,
  // sin 168 deg = sin 12 deg = 0.207912 (the program's 3.141592 for pi moves
  // none of these by 1e-6).
  const struct {
    double t, brightness;
  } kExpected[] = {{1, 0.157008}, {3, 0.469303}, {5, 0.776457}, {56, 0.623735}, {59, 0.157008}};
  for (const auto& e : kExpected) {
    auto frame = RunScene(OpeningTitle, e.t);
    EXPECT_NEAR(PixelAt(frame, 160, 120).g, Lit(e.brightness), 2) << "t = " << e.t;
  }
  RunScene(OpeningTitle, 30.0);
  auto colour = CurrentColour();
  EXPECT_NEAR(colour[0], 3.0f, 1e-5f) << "brightness must reach GL as it is";
  EXPECT_FLOAT_EQ(colour[3], 1.0f);
}

TEST(TitleCards, OpeningAtZeroIsBlackButDraws) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture logo(kSlotOpeningTitle, 255, 255, 255);
  auto frame = RunScene(OpeningTitle, 0.0, 0.25f);
  // Additive black card: the grey background shows through unchanged.
  EXPECT_TRUE(Near(PixelAt(frame, 160, 120), 64, 64, 64, 1));
  ExpectCardState(logo.name(), GL_ONE, GL_ONE);
  EXPECT_FLOAT_EQ(CurrentColour()[0], 0.0f);
}

TEST(TitleCards, OpeningHasNoLowerBoundAndEndsAfterSixty) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture logo(kSlotOpeningTitle, 255, 255, 255);
  RunScene(OpeningTitle, -40.0);
  ExpectCardState(logo.name(), GL_ONE, GL_ONE);
  RunScene(OpeningTitle, 60.0);
  ExpectCardState(logo.name(), GL_ONE, GL_ONE);
  // At t = 60 the sine's argument falls short of pi by e = 6.536e-7, and
  // sin(pi - e) = e to far better than 1e-12: 3e = 1.961e-6, not 0.
  EXPECT_NEAR(CurrentColour()[0], 1.961e-6, 1e-8);
  // Just above 60 nothing is touched: the base state survives.
  auto frame = RunScene(OpeningTitle, 60.0001);
  EXPECT_EQ(Brightness(frame), 0u);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST(TitleCards, ClosingDrawsFrom1200To1260Only) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture logo(kSlotClosingTitle, 255, 255, 255);
  for (double d : {1199.99, 1260.01, 1280.0, 1300.0, 1300.5, 30.0}) {
    auto frame = RunScene(ClosingTitle, d);
    EXPECT_EQ(Brightness(frame), 0u) << "D = " << d;
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << "D = " << d;
  }
  auto frame = RunScene(ClosingTitle, 1230.0);
  EXPECT_TRUE(Near(PixelAt(frame, 160, 120), 255, 255, 255, 1));
  ExpectCardState(logo.name(), GL_ONE, GL_ONE);
  frame = RunScene(ClosingTitle, 1203.0);  // t = 3: 3 sin 9 deg = 0.469303
  EXPECT_NEAR(PixelAt(frame, 160, 120).r, Lit(0.469303), 2);
  RunScene(ClosingTitle, 1260.0);
  ExpectCardState(logo.name(), GL_ONE, GL_ONE);
}

TEST(TitleCards, CardIsAddedToTheFrame) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture logo(kSlotOpeningTitle, 100, 50, 0);
  auto frame = RunScene(OpeningTitle, 30.0, 0.2f);  // background 51
  EXPECT_TRUE(Near(PixelAt(frame, 160, 120), 151, 101, 51, 1));
}

}  // namespace

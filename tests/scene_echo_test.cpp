// The echo images: ten copies that add up to the picture once, then spread
// unevenly (five right, four left) and fade.
#include <cmath>

#include "scene_fixture.h"
#include "scenes/scenes.h"

namespace {

TEST(EchoImages, CopiesAddUpToThePictureOnceWhileTheyCoincide) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture(kSlotEchoSun, 200, 100, 40);
  // t = 8: eye at 0.8, the card fills the view.
  auto frame = RunScene(EchoImage1, 80.0);
  EXPECT_TRUE(Near(PixelAt(frame, 160, 120), 200, 100, 40, 3));
  EXPECT_TRUE(Near(PixelAt(frame, 5, 5), 200, 100, 40, 3));
  ExpectCardState(picture.name(), GL_SRC_ALPHA, GL_ONE);
  EXPECT_NEAR(CurrentColour()[3], 0.1f, 1e-6f);
}

TEST(EchoImages, EyeStopsAtOnePointFiveWithTheSpreadStillZero) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture(kSlotEchoPlanet, 200, 200, 200);
  // t = 15 exactly: eye at 1.5 and b = 0, so the card is x in [-1, 1],
  // y in [-0.5, 0.5] at distance 1.5.
  auto frame = RunScene(EchoImage2, 140.0 + 15 / 0.4);
  const int right = static_cast<int>(ColumnOf(1.0, 1.5));
  const int top = static_cast<int>(RowOf(0.5, 1.5));
  EXPECT_TRUE(Near(PixelAt(frame, right - 2, 120), 200, 200, 200, 3));
  EXPECT_TRUE(IsBlack(PixelAt(frame, right + 2, 120)));
  EXPECT_TRUE(Near(PixelAt(frame, 160, top + 2), 200, 200, 200, 3));
  EXPECT_TRUE(IsBlack(PixelAt(frame, 160, top - 2)));
  EXPECT_TRUE(IsBlack(PixelAt(frame, kRigWidth - right - 3, 120)));
  EXPECT_NEAR(CurrentColour()[3], 0.1f, 1e-6f);
}

TEST(EchoImages, SpreadPutsFiveCopiesRightAndFourLeft) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture(kSlotEchoSun, 255, 255, 255);
  // D = 140: t = 32, b = 0.17; at x = +-1.15 five copies reach the right
  // point and four the left one.
  auto frame = RunScene(EchoImage1, 140.0);
  const double b = 0.17;
  const double alpha = (1 / (33 * b + 1)) / 10;
  EXPECT_NEAR(CurrentColour()[3], alpha, 1e-6);
  const int right = PixelAt(frame, static_cast<int>(ColumnOf(1.15, 1.5)), 120).r;
  const int left = PixelAt(frame, static_cast<int>(ColumnOf(-1.15, 1.5)), 120).r;
  const double perCopy = 255 * alpha;
  EXPECT_NEAR(right, 5 * perCopy, 5 * 0.6);
  EXPECT_NEAR(left, 4 * perCopy, 4 * 0.6);
  EXPECT_GE(right - left, 3);
  // Every copy lies in the middle: ten of them there.
  EXPECT_NEAR(PixelAt(frame, 160, 120).r, 10 * perCopy, 10 * 0.6);
}

TEST(EchoImages, WindowsAreClosedAndMeetAt140) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TSlotTexture picture1(kSlotEchoSun, 255, 255, 255);
  TSlotTexture picture2(kSlotEchoPlanet, 255, 255, 255);
  for (double d : {59.99, 140.01, 300.0}) {
    auto frame = RunScene(EchoImage1, d);
    EXPECT_EQ(Brightness(frame), 0u) << "D = " << d;
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << "D = " << d;
  }
  for (double d : {139.99, 220.01}) {
    RunScene(EchoImage2, d);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << "D = " << d;
  }
  // At t = 0 the eye sits on the centre of view: a degenerate camera that
  // shows nothing, but the state is set and GL reports no error.
  auto start = RunScene(EchoImage1, 60.0);
  EXPECT_EQ(Brightness(start), 0u);
  ExpectCardState(picture1.name(), GL_SRC_ALPHA, GL_ONE);
  RunScene(EchoImage2, 220.0);
  ExpectCardState(picture2.name(), GL_SRC_ALPHA, GL_ONE);
  // At 140 both draw: the second at the start of its pull-back.
  RunScene(EchoImage2, 140.0);
  ExpectCardState(picture2.name(), GL_SRC_ALPHA, GL_ONE);
}

}  // namespace

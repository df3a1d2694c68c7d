// The player's pure parts: its command line, the scenes the playhead moves
// between, and the generator's replay, checked against the capture's.
#include "player/player.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "capture/capture.h"
#include "capture/render.h"
#include "demo/timeline.h"
#include "scenes/clock.h"

namespace {

bool Parse(std::vector<std::string> words, TPlayerOptions* o, std::string* error) {
  words.insert(words.begin(), "kelvane-player");
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  return ParsePlayerArgs(static_cast<int>(words.size()), argv.data(), o, error);
}

TEST(PlayerArgs, LoopStartsAtItsBeginningAndBadValuesAreRefused) {
  TPlayerOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--loop", "410:580", "--no-vsync", "--reduce-flashing"}, &o, &error));
  EXPECT_TRUE(o.loop);
  EXPECT_EQ(o.from, 410.0);
  EXPECT_EQ(o.loopTo, 580.0);
  EXPECT_FALSE(o.vsync);
  EXPECT_TRUE(o.reduceFlashing);
  EXPECT_FALSE(Parse({"--loop", "580:410"}, &o, &error));
  EXPECT_NE(error.find("--loop"), std::string::npos);
  EXPECT_FALSE(Parse({"--from", "1300.5"}, &o, &error));
  EXPECT_FALSE(Parse({"--bogus"}, &o, &error));
  EXPECT_EQ(error, "unrecognized option '--bogus'");
}

TEST(PlayerPlayhead, ScenesByTheirWindows) {
  EXPECT_STREQ(kTimeline[SceneRowAt(700)].scene, "ColorSplit");  // over TileGrid
  EXPECT_STREQ(kTimeline[SceneRowAt(10)].scene, "OpeningTitle");
  EXPECT_EQ(SceneRowAt(1280), -1);
  EXPECT_EQ(NextSceneStart(700), 752.0);  // the sprite ring
  EXPECT_EQ(PreviousSceneStart(700), 650.0);
  EXPECT_EQ(PreviousSceneStart(650.5), 580.0);
  EXPECT_EQ(NextSceneStart(1200), -1.0);
}

// Seeks land on the 60 fps frame grid the capture draws.
TEST(PlayerPlayhead, SeeksLandOnTheCapturesFrames) {
  const TFrameRate rate = {60, 1};
  EXPECT_EQ(NearestFrameTime(499.8000001), FrameDemoTime(3060, rate));
  EXPECT_GE(FirstFrameTimeFrom(760.0), 760.0);
  EXPECT_EQ(SceneRowAt(FirstFrameTimeFrom(NextSceneStart(700))), SceneRowAt(752.1));
  EXPECT_EQ(NextFrameTime(FrameDemoTime(3060, rate)), FrameDemoTime(3061, rate));
}

}  // namespace

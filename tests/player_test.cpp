// The player's pure parts: its command line, the scenes the playhead moves
// between, and the generator's replay, checked against the capture's.
#include "player/player.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "capture/capture.h"
#include "capture/render.h"
#include "demo/demo.h"
#include "demo/demo_time.h"
#include "demo/timeline.h"
#include "platform/audio/player_sound.h"
#include "platform/sdl/player_window.h"
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

// One parser for the player's and the capture's times: m:ss[.t], Ns and
// bare demo units (9.8 a second), nothing else.
TEST(DemoTime, ThreeFormsAndNothingElse) {
  double d = -1;
  ASSERT_TRUE(ParseDemoTime("1:30", &d));
  EXPECT_DOUBLE_EQ(d, 882.0);
  ASSERT_TRUE(ParseDemoTime("0:44.3", &d));
  EXPECT_DOUBLE_EQ(d, 434.14);
  ASSERT_TRUE(ParseDemoTime("90s", &d));
  EXPECT_DOUBLE_EQ(d, 882.0);
  ASSERT_TRUE(ParseDemoTime("65", &d));
  EXPECT_DOUBLE_EQ(d, 65.0);
  for (const char* bad :
       {"1:60", "1:5", "1:05s", ":30", "1.5:00", "-1", "5e2", "s", "1:30:00", " 90", "90 s", ""})
    EXPECT_FALSE(ParseDemoTime(bad, &d)) << bad;
  EXPECT_FALSE(ParseTimelineTime("2:13", &d));
  EXPECT_EQ(FormatDemoTime(kDemoEnd), "2:12.7");
  EXPECT_EQ(FormatDemoTime(59.96 * 9.8), "1:00.0");
}

// The capture reads its moments with the same parser.
TEST(DemoTime, TheCapturesAtAndFrom) {
  std::vector<std::string> words = {"kelvane-capture", "--frames", "f", "--from", "1:30"};
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  TCaptureOptions o;
  std::string error;
  ASSERT_TRUE(ParseCaptureArgs(5, argv.data(), &o, &error)) << error;
  EXPECT_DOUBLE_EQ(o.from, 882.0);
  words = {"kelvane-capture", "--at", "44.3s", "--out", "a.png"};
  argv.clear();
  for (std::string& w : words) argv.push_back(w.data());
  ASSERT_TRUE(ParseCaptureArgs(5, argv.data(), &o, &error)) << error;
  EXPECT_DOUBLE_EQ(o.at, 434.14);
}

TEST(PlayerArgs, TimesInEveryFormAndTheCard) {
  TPlayerOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--from", "1:30"}, &o, &error)) << error;
  EXPECT_DOUBLE_EQ(o.from, 882.0);
  EXPECT_FALSE(o.startCard);
  ASSERT_TRUE(Parse({"--loop", "0:42:0:59"}, &o, &error)) << error;
  EXPECT_DOUBLE_EQ(o.loopFrom, 42 * 9.8);
  EXPECT_DOUBLE_EQ(o.loopTo, 59 * 9.8);
  ASSERT_TRUE(Parse({"--loop", "42s:580"}, &o, &error)) << error;
  EXPECT_DOUBLE_EQ(o.loopTo, 580.0);
  ASSERT_TRUE(Parse({}, &o, &error));
  EXPECT_TRUE(o.startCard);
  ASSERT_TRUE(Parse({"--play"}, &o, &error));
  EXPECT_FALSE(o.startCard);
  EXPECT_FALSE(Parse({"--from", "3:00"}, &o, &error));
  EXPECT_NE(error.find("m:ss"), std::string::npos);
}

TEST(PlayerPlayhead, StepBackAndTheBar) {
  const TFrameRate rate = {60, 1};
  EXPECT_EQ(PreviousFrameTime(FrameDemoTime(2761, rate)), FrameDemoTime(2760, rate));
  EXPECT_EQ(PreviousFrameTime(450.9), FrameDemoTime(2760, rate));
  EXPECT_EQ(PreviousFrameTime(0.0), 0.0);
  EXPECT_DOUBLE_EQ(BarTimeAt(337, 675), 650.0);  // the middle pixel
  EXPECT_EQ(BarPixelAt(650.0, 675), 337);
  EXPECT_STREQ(SceneTitleAt(450.0), "Particle morph");
}

// The stream's gain on the PCM it hands the mixer: 80 % scales every
// sample, mute silences, and past the end there is silence.
TEST(PlayerSound, VolumeAndMuteScaleTheStream) {
  TPcm pcm;
  pcm.samples = {1000, -1000, 32767, -32768, 5, -5};
  int16_t out[8];
  SetPlayerMusicVolume(80, false);
  FillPlayerBlock(pcm, 0, PlayerMusicGain(), out, 4);
  EXPECT_EQ(std::vector<int16_t>(out, out + 8),
            (std::vector<int16_t>{800, -800, 26214, -26214, 4, -4, 0, 0}));
  SetPlayerMusicVolume(80, true);
  FillPlayerBlock(pcm, 1, PlayerMusicGain(), out, 2);
  EXPECT_EQ(std::vector<int16_t>(out, out + 4), (std::vector<int16_t>{0, 0, 0, 0}));
  SetPlayerMusicVolume(100, false);
  FillPlayerBlock(pcm, 1, PlayerMusicGain(), out, 2);
  EXPECT_EQ(std::vector<int16_t>(out, out + 4), (std::vector<int16_t>{32767, -32768, 5, -5}));
}

// At scale 2 the 1350 x 1050 window fits a 1920 x 1080 screen with its
// frame, at the designed aspect; on a 4K screen it keeps its size.
TEST(PlayerWindow, FitsTheScreen) {
  int w = 0, h = 0;
  FitPlayerWindow(675, 525, 2.0, 1920, 1080, &w, &h);
  EXPECT_LE(h + 80, 1080);
  EXPECT_NEAR(double(w) / h, 675.0 / 525.0, 0.002);
  FitPlayerWindow(675, 525, 2.0, 3840, 2160, &w, &h);
  EXPECT_EQ(w, 1350);
  EXPECT_EQ(h, 1050);
}

}  // namespace

// The generated pictures in the frames that show them: the real frame
// driver draws a demo time on the offscreen rig from the generated pack, at
// music level 0 so that no flash lightens the frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "demo/timeline.h"
#include "platform/level_meter.h"
#include "platform/sound.h"
#include "rig.h"

namespace {

struct TFrameFigures {
  double clipped;  // share of pixels with any channel at 255, 0..1
  double mean;     // mean over every pixel and channel, 0..1
};

TFrameFigures FiguresAt(double d) {
  ResetRandom();
  const std::vector<uint8_t> rgb = RenderAt(d, 0.0f);
  size_t clipped = 0;
  for (size_t i = 0; i + 2 < rgb.size(); i += 3)
    clipped += rgb[i] == 255 || rgb[i + 1] == 255 || rgb[i + 2] == 255;
  return {static_cast<double>(clipped) / (rgb.size() / 3),
          static_cast<double>(Brightness(rgb)) / (255.0 * rgb.size())};
}

// The settling scene adds each point of the temple twice; the picture is
// stored at the strength that makes the sum come out bright but unclipped.
TEST(PictureFrames, SettlingTempleIsBrightWithoutClipping) {
  ASSERT_TRUE(EnsureDemoLoaded());
  const TFrameFigures f = FiguresAt(1000);
  EXPECT_LE(f.clipped, 0.05);
  EXPECT_GE(f.mean, 0.15);
}

// The lens scene sits between two dark scenes; its backdrop is dark too,
// but not black, so that the lenses have lines to bend.
TEST(PictureFrames, LensBackdropIsDarkLikeTheScenesAround) {
  ASSERT_TRUE(EnsureDemoLoaded());
  const TFrameFigures f = FiguresAt(1150);
  EXPECT_LE(f.mean, 0.5);
  EXPECT_GE(f.mean, 0.1);
}

// A flash must show: at the moment each flash begins (60 frames a second,
// outside the glitch), the frame drawn at the music's level differs from the
// same frame at level 0 by at least 16 in some channel over at least a
// tenth of its pixels, for nine flashes in ten.
TEST(PictureFrames, FlashesChangeAVisiblePartOfTheFrame) {
  ASSERT_TRUE(EnsureDemoLoaded());
  TPcm pcm;
  std::string why;
  const std::string music = std::string(KELVANE_DATA_DIR) + "/kel.mp3";
  ASSERT_TRUE(DecodeSoundFile(music.c_str(), &pcm, &why)) << why;
  const double unitMs = 1.0 / 0.0098;
  int onsets = 0, shown = 0;
  bool was = false;
  std::string hidden;
  for (int k = 0;; ++k) {
    const double ms = k * 1000.0 / 60.0, d = ms / unitMs;
    if (d >= 1300.0) break;
    const float level = MusicLevelAt(pcm.samples.data(), pcm.Frames(), ms);
    const bool flash = 2.0 * level >= 0.2 && !InWindow(kFlashlessWindow, d);
    const bool onset = flash && !was;
    was = flash;
    if (!onset || InWindow(kGlitchWindow, d)) continue;
    ResetRandom();
    const std::vector<uint8_t> lit = RenderAt(d, level);
    ResetRandom();
    const std::vector<uint8_t> dark = RenderAt(d, 0.0f);
    size_t changed = 0;
    for (size_t i = 0; i + 2 < lit.size(); i += 3) {
      bool differs = false;
      for (int c = 0; c < 3; ++c) differs = differs || std::abs(lit[i + c] - dark[i + c]) >= 16;
      changed += differs;
    }
    ++onsets;
    if (10 * changed >= lit.size() / 3) {
      ++shown;
    } else {
      char at[16];
      std::snprintf(at, sizeof at, " %.0f", d);
      hidden += at;
    }
  }
  std::printf("flashes that change a tenth of the frame: %d of %d; hidden at%s\n", shown, onsets,
              hidden.c_str());
  EXPECT_GE(10 * shown, 9 * onsets);
}

}  // namespace

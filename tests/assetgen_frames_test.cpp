// The generated pictures in the frames that show them: the real frame
// driver draws a demo time on the offscreen rig from the generated pack, at
// music level 0 so that no flash lightens the frame.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "demo/demo.h"
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

}  // namespace

// The generated pictures in the frames that show them: the real frame
// driver draws a demo time on the offscreen rig from the generated pack, at
// music level 0 so that no flash lightens the frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "demo/timeline.h"
#include "platform/audio/level_meter.h"
#include "platform/audio/sound.h"
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

// Colour figures of a frame: the mean over its pixels of HSV saturation x
// value, the share of its chroma whose hue lies from 75 to 150 degrees
// (green), and the share of its pixels with a channel at 254 or more.
// Pixels of the pure green of the duck's wires count only when `wires`.
struct TColourFigures {
  double strength = 0.0, green = 0.0, clipped = 0.0;
};

TColourFigures ColourFiguresAt(const std::vector<double>& times, bool wires = true) {
  double strength = 0.0, chroma = 0.0, green = 0.0, clipped = 0.0, pixels = 0.0;
  for (double d : times) {
    ResetRandom();
    const std::vector<uint8_t> rgb = RenderAt(d, 0.0f);
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
      const int r = rgb[i], g = rgb[i + 1], b = rgb[i + 2];
      if (!wires && r == 0 && g == 255 && b == 0) continue;
      const int hi = std::max({r, g, b}), lo = std::min({r, g, b}), c = hi - lo;
      strength += c / 255.0;  // saturation c / hi times value hi / 255
      if (c > 0) {
        const double hue = hi == r   ? 60.0 * std::fmod((g - b) / double(c) + 6.0, 6.0)
                           : hi == g ? 60.0 * ((b - r) / double(c) + 2.0)
                                     : 60.0 * ((r - g) / double(c) + 4.0);
        chroma += c;
        if (hue >= 75.0 && hue <= 150.0) green += c;
      }
      clipped += hi >= 254;
      pixels += 1.0;
    }
  }
  return {strength / pixels, chroma > 0 ? green / chroma : 0.0, clipped / pixels};
}

// The colour split's picture is made to be split: moderate colour with
// almost no green, and over the tile wall the sum of the two stays mostly
// unclipped.
TEST(PictureFrames, ColourSplitIsBlueVioletAndOrangeAndUnclipped) {
  ASSERT_TRUE(EnsureDemoLoaded());
  const TColourFigures alone = ColourFiguresAt({685, 700, 715, 730, 745});
  const TColourFigures overWall = ColourFiguresAt({652, 660, 668, 676});
  std::printf(
      "colour split: strength %.3f, green %.1f%% of the colour; over the wall %.1f%% "
      "clipped\n",
      alone.strength, 100 * alone.green, 100 * overWall.clipped);
  EXPECT_LE(alone.strength, 0.30);
  EXPECT_LE(alone.green, 0.10);
  EXPECT_LE(overWall.clipped, 0.25);
}

// Behind the green duck the model backdrop and the trumpets hold no green
// of their own, and carry enough colour of their own that the duck's wires
// stay a small part of the frame's colour: 3 % at the window's size. The
// rig's frames are 320 pixels wide against the window's 675, and its
// one-pixel wires take about 1.7 times their share of the frame, so the
// rig allows 4.5 %.
TEST(PictureFrames, ModelBackdropLeavesGreenToTheDuck) {
  ASSERT_TRUE(EnsureDemoLoaded());
  const std::vector<double> times = {780, 800, 820, 840, 860, 880, 900};
  const TColourFigures all = ColourFiguresAt(times), backdrop = ColourFiguresAt(times, false);
  std::printf("model showcase: green %.1f%% of the colour, %.2f%% without the duck's wires\n",
              100 * all.green, 100 * backdrop.green);
  EXPECT_LE(all.green, 0.045);
  EXPECT_LE(backdrop.green, 0.005);
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

// Mean grey (0..1, the mean of the three channels over the frame) of every
// frame of a pass over the whole show at 10 frames a second, each frame at
// the music's own level, as a capture at that rate draws them.
std::vector<double> GreysAtTenFps() {
  TPcm pcm;
  std::string why;
  const std::string music = std::string(KELVANE_DATA_DIR) + "/kel.mp3";
  EXPECT_TRUE(DecodeSoundFile(music.c_str(), &pcm, &why)) << why;
  std::vector<double> greys;
  for (int k = 0; k * 100.0 * kDemoUnitsPerMs <= 1300.0; ++k) {
    const float level = MusicLevelAt(pcm.samples.data(), pcm.Frames(), k * 100.0);
    ResetRandom();
    const std::vector<uint8_t> rgb = RenderAt(k * 100.0 * kDemoUnitsPerMs, level);
    greys.push_back(static_cast<double>(Brightness(rgb)) / (255.0 * rgb.size()));
  }
  return greys;
}

// Nothing but the point tunnel, the glitch and the cuts stays dark before the
// closing card goes out (6 s at most at the window's size), and the echoes
// of the sun and of the planet still light the frame as they fade. The
// tunnel's 2-pixel points light more of the rig's small frame: it reads
// about 3 s less dark here than at the window's size (1.5 s against 4.7 s),
// so the rig holds 3 s.
TEST(PictureFrames, NoLongDarkStretchesAndTheEchoesFadeLit) {
  ASSERT_TRUE(EnsureDemoLoaded());
  const std::vector<double> greys = GreysAtTenFps();
  double dark = 0.0, sun = 0.0, planet = 0.0;
  int sunFrames = 0, planetFrames = 0;
  for (size_t k = 0; k < greys.size(); ++k) {
    const double d = k * 100.0 * kDemoUnitsPerMs;
    if (d < 1260.0 && greys[k] < 0.03) dark += 0.1;
    if (d >= 120.0 && d <= 140.0) sun += greys[k], ++sunFrames;
    if (d >= 200.0 && d <= 220.0) planet += greys[k], ++planetFrames;
  }
  sun /= sunFrames;
  planet /= planetFrames;
  std::printf(
      "frames darker than grey 0.03 before 1260: %.1f s; mean grey 120-140 %.3f, "
      "200-220 %.3f\n",
      dark, sun, planet);
  EXPECT_LE(dark, 3.0);
  EXPECT_GE(sun, 0.04);
  EXPECT_GE(planet, 0.04);
}

// WCAG relative luminance of an sRGB colour, 0..255 a channel.
double Luminance(int r, int g, int b) {
  auto linear = [](int v) {
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
}

// Each showcase wireframe reads against what lies around it: WCAG contrast
// between its pure wire colour and the median of the pixels within 4 px of
// its wires that are no wire, over five frames at level 0.
TEST(PictureFrames, ShowcaseWireframesStandOutFromTheBackdrop) {
  ASSERT_TRUE(EnsureDemoLoaded());
  struct TWire {
    const char* name;
    int r, g, b;
    double least;
    std::vector<double> around;
  } wires[] = {
      {"cube", 0, 0, 255, 2.2, {}}, {"sphere", 255, 0, 0, 3.0, {}}, {"duck", 0, 255, 0, 4.5, {}}};
  const int w = kRigWidth, h = kRigHeight;
  for (double d : {800, 815, 830, 845, 860}) {
    ResetRandom();
    const std::vector<uint8_t> rgb = RenderAt(d, 0.0f);
    auto wireAt = [&](int x, int y, const TWire& m) {
      const TRgb p = PixelAt(rgb, x, y);
      return p.r == m.r && p.g == m.g && p.b == m.b;
    };
    auto anyWireAt = [&](int x, int y) {
      for (const TWire& m : wires)
        if (wireAt(x, y, m)) return true;
      return false;
    };
    for (TWire& m : wires) {
      std::vector<char> near(static_cast<size_t>(w) * h, 0);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          if (!wireAt(x, y, m)) continue;
          for (int dy = -4; dy <= 4; ++dy)
            for (int dx = -4; dx <= 4; ++dx)
              if (dx * dx + dy * dy <= 16 && x + dx >= 0 && x + dx < w && y + dy >= 0 && y + dy < h)
                near[(y + dy) * w + x + dx] = 1;
        }
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          if (!near[y * w + x] || anyWireAt(x, y)) continue;
          const TRgb p = PixelAt(rgb, x, y);
          m.around.push_back(Luminance(p.r, p.g, p.b));
        }
    }
  }
  for (TWire& m : wires) {
    ASSERT_FALSE(m.around.empty()) << m.name;
    std::nth_element(m.around.begin(), m.around.begin() + m.around.size() / 2, m.around.end());
    const double around = m.around[m.around.size() / 2], wire = Luminance(m.r, m.g, m.b);
    const double contrast = (std::max(around, wire) + 0.05) / (std::min(around, wire) + 0.05);
    std::printf("%s: contrast %.2f against its surround (luminance %.3f)\n", m.name, contrast,
                around);
    EXPECT_GE(contrast, m.least) << m.name;
  }
}

}  // namespace

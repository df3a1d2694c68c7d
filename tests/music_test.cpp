// The generated "kel.mp3" as the demo hears it: decoded by the demo's own
// decoder and measured with the frame driver's level meter, sampled at
// 60 frames per second. The background flashes on a frame whose level is
// at least 0.1 (2 x level >= 0.2), except from demo time 410 to 580.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "shell/level_meter.h"
#include "shell/sound.h"

namespace {

const std::string kMusicFile = std::string(KELVANE_DATA_DIR) + "/kel.mp3";
constexpr double kUnitMs = 1.0 / 0.0098;  // one demo unit, ms
constexpr double kFrameMs = 1000.0 / 60.0;
constexpr long kBeatFrames = 22500;  // 5 demo units at 44.1 kHz
constexpr double kEnd = 1300.0;      // demo units

const TPcm& Music() {
  static TPcm pcm;
  static bool tried = false;
  if (!tried) {
    tried = true;
    std::string why;
    if (!DecodeSoundFile(kMusicFile.c_str(), &pcm, &why)) ADD_FAILURE() << why;
  }
  return pcm;
}

bool Flashes(const TPcm& pcm, double ms) {
  return 2.0 * MusicLevelAt(pcm.samples.data(), pcm.Frames(), ms) >= 0.2;
}

struct TFlashCount {
  int frames = 0;
  int flashing = 0;
  std::vector<double> runsMs;  // every unbroken stretch of flashing frames
  double Share() const { return frames ? static_cast<double>(flashing) / frames : 0.0; }
};

// Frames at 60 fps with demo time in [from, to), leaving out the particle
// scene (410 < D < 580) where the demo never flashes.
TFlashCount CountFlashes(const TPcm& pcm, double from, double to) {
  TFlashCount count;
  int run = 0;
  for (int k = 0;; ++k) {
    const double ms = k * kFrameMs, d = ms / kUnitMs;
    const bool counted = d >= from && d < to && !(d > 410.0 && d < 580.0);
    const bool flash = counted && Flashes(pcm, ms);
    if (counted) {
      ++count.frames;
      count.flashing += flash;
    }
    if (flash) {
      ++run;
    } else if (run > 0) {
      count.runsMs.push_back(run * kFrameMs);
      run = 0;
    }
    if (d >= to) break;
  }
  return count;
}

int PeakAt(const TPcm& pcm, long frame) {
  return std::max(std::abs(pcm.samples[2 * frame]), std::abs(pcm.samples[2 * frame + 1]));
}

// First frame within 25 ms of the beat that reaches a quarter of full scale,
// relative to the beat, in ms; NAN when there is none.
double OnsetMs(const TPcm& pcm, int beat) {
  const long at = beat * kBeatFrames, reach = kMusicRate / 40;
  for (long i = std::max(0L, at - reach); i < at + reach && i < static_cast<long>(pcm.Frames());
       ++i) {
    if (PeakAt(pcm, i) >= 8192) return (i - at) * 1000.0 / kMusicRate;
  }
  return NAN;
}

int BitrateKbps(int index) {
  static const int kMpeg1Layer3[15] = {0,   32,  40,  48,  56,  64,  80, 96,
                                       112, 128, 160, 192, 224, 256, 320};
  return index < 15 ? kMpeg1Layer3[index] : 0;
}

}  // namespace

TEST(Music, IsConstantBitrateStereoMp3At44kHzWithAnInfoTag) {
  std::ifstream in(kMusicFile, std::ios::binary);
  ASSERT_TRUE(in) << kMusicFile;
  const std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  size_t at = 0, frames = 0;
  int bitrate = 0;
  while (at + 4 <= file.size()) {
    const unsigned char* h = &file[at];
    ASSERT_TRUE(h[0] == 0xFF && (h[1] & 0xFE) == 0xFA) << "no MPEG-1 layer III frame at " << at;
    ASSERT_EQ((h[2] >> 2) & 3, 0) << "not 44.1 kHz at " << at;
    ASSERT_NE(h[3] >> 6, 3) << "mono at " << at;
    const int kbps = BitrateKbps(h[2] >> 4);
    if (frames == 0) bitrate = kbps;
    ASSERT_EQ(kbps, bitrate) << "bitrate changes at " << at;
    if (frames == 0) {
      const std::string first(file.begin() + at, file.begin() + at + 144000 * kbps / 44100);
      EXPECT_NE(first.find("Info"), std::string::npos) << "no Info tag in the first frame";
      EXPECT_NE(first.find("LAME"), std::string::npos) << "no LAME tag in the first frame";
    }
    at += 144000 * kbps / 44100 + ((h[2] >> 1) & 1);
    ++frames;
  }
  EXPECT_EQ(at, file.size()) << "trailing bytes after the last frame";
  EXPECT_GE(bitrate, 160);
  EXPECT_GT(frames, 5000u);
}

TEST(Music, LastsAtLeast133SecondsAndEndsInSilence) {
  const TPcm& pcm = Music();
  EXPECT_GE(pcm.Frames(), static_cast<size_t>(133 * kMusicRate));
  EXPECT_LE(pcm.Frames(), static_cast<size_t>(140 * kMusicRate));
  // Faded out by the end of the timeline.
  float tail = 0.0f;
  for (double ms = kEnd * kUnitMs; ms < pcm.Frames() * 1000.0 / kMusicRate; ms += 5.0) {
    tail = std::max(tail, MusicLevelAt(pcm.samples.data(), pcm.Frames(), ms));
  }
  EXPECT_LT(tail, 0.01f);
}

TEST(Music, PeaksWithinOneDecibelOfFullScaleWithoutClippingOrDc) {
  const TPcm& pcm = Music();
  ASSERT_GT(pcm.Frames(), 0u);
  int peak = 0, clipped = 0;
  double sum[2] = {0.0, 0.0};
  for (size_t i = 0; i < pcm.samples.size(); ++i) {
    const int v = std::abs(pcm.samples[i]);
    peak = std::max(peak, v);
    clipped += v >= 32767;
    sum[i % 2] += pcm.samples[i];
  }
  const double peakDb = 20.0 * std::log10(peak / 32768.0);
  std::printf("peak %.2f dBFS, clipped samples %d\n", peakDb, clipped);
  EXPECT_GE(peakDb, -1.0);
  EXPECT_LE(clipped, 8);
  for (double s : sum) EXPECT_LT(std::fabs(s / pcm.Frames()), 0.001 * 32768) << "DC offset";
}

TEST(Music, FlashesOn15To45PercentOfTheFramesOutsideTheParticleScene) {
  const TFlashCount all = CountFlashes(Music(), 0.0, kEnd);
  std::printf("flash frames outside 410..580: %.1f%% of %d\n", 100.0 * all.Share(), all.frames);
  EXPECT_GE(all.Share(), 0.15);
  EXPECT_LE(all.Share(), 0.45);
  // Every section with drums pulses, not only the whole on average.
  const double kGroove[][2] = {{60, 140},  {140, 290},  {290, 410},  {580, 760},
                               {760, 910}, {910, 1100}, {1100, 1260}};
  for (const auto& range : kGroove) {
    const TFlashCount part = CountFlashes(Music(), range[0], range[1]);
    EXPECT_GE(part.Share(), 0.15) << range[0] << ".." << range[1];
    EXPECT_LE(part.Share(), 0.45) << range[0] << ".." << range[1];
  }
}

TEST(Music, FlashesAreShortApartFromAFewAccents) {
  const TFlashCount all = CountFlashes(Music(), 0.0, kEnd);
  int longRuns = 0;
  double longest = 0.0;
  for (double ms : all.runsMs) {
    longRuns += ms > 250.0;
    longest = std::max(longest, ms);
  }
  std::printf("flashes: %zu, longer than 250 ms: %d, longest %.0f ms\n", all.runsMs.size(),
              longRuns, longest);
  // About one flash per beat where the drums play (kick and snare merge).
  EXPECT_GT(all.runsMs.size(), 180u);
  EXPECT_LE(longRuns, 5);
  EXPECT_LE(longest, 600.0);
}

TEST(Music, IntroAndFinalFadeStayMostlyDark) {
  const TFlashCount intro = CountFlashes(Music(), 0.0, 60.0);
  const TFlashCount fade = CountFlashes(Music(), 1260.0, kEnd + 1e-9);
  std::printf("flash frames: intro %.1f%%, fade %.1f%%\n", 100.0 * intro.Share(),
              100.0 * fade.Share());
  EXPECT_GT(intro.frames, 300);
  EXPECT_GT(fade.frames, 200);
  EXPECT_LE(intro.Share(), 0.10);
  EXPECT_LE(fade.Share(), 0.10);
}

TEST(Music, KicksLandOnTheBeatGrid) {
  // Decoded frame 0 must be demo time 0: an encoder or decoder delay left
  // in the file (about 25 ms) would put every hit late.
  const TPcm& pcm = Music();
  ASSERT_GT(pcm.Frames(), static_cast<size_t>(252 * kBeatFrames));
  const int kGrooves[][2] = {{12, 80}, {116, 180}, {182, 252}};  // beats with a kick
  int beats = 0, onGrid = 0;
  double worst = 0.0;
  for (const auto& groove : kGrooves) {
    for (int beat = groove[0]; beat < groove[1]; ++beat) {
      const double ms = OnsetMs(pcm, beat);
      ++beats;
      if (std::isnan(ms)) continue;
      onGrid += std::fabs(ms) <= 1.0;
      worst = std::max(worst, std::fabs(ms));
    }
  }
  std::printf("hits on the grid: %d of %d beats, worst %.2f ms\n", onGrid, beats, worst);
  EXPECT_EQ(onGrid, beats);
  // The breakdown has no drums until its snare roll (beats 83 to 107).
  for (int beat = 83; beat < 108; ++beat) EXPECT_TRUE(std::isnan(OnsetMs(pcm, beat))) << beat;
}

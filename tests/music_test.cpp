// The generated "kel.mp3" as the demo hears it: decoded by the demo's own
// decoder and measured with the frame driver's level meter, sampled at
// 60 frames per second. The background flashes on a frame whose level is
// at least 0.1 (2 x level >= 0.2), except from demo time 410 to 580.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/level_meter.h"
#include "platform/sound.h"

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

// The first frame within 25 ms of the beat where the low end (a one-pole
// low-pass at 200 Hz, both sides) reaches half its largest value in that
// window, relative to the beat, in ms; NAN when the window holds no hit
// (its low end no more than twice that of the 25 ms before it).
double OnsetMs(const TPcm& pcm, int beat) {
  const long at = beat * kBeatFrames, reach = kMusicRate / 40;
  const long from = std::max(0L, at - 2 * reach), to = std::min<long>(at + reach, pcm.Frames());
  const double pole = std::exp(-2.0 * M_PI * 200.0 / kMusicRate);
  std::vector<double> low(to - from);
  double y = 0.0;
  for (long i = from; i < to; ++i) {
    y = pole * y + (1.0 - pole) * (pcm.samples[2 * i] + pcm.samples[2 * i + 1]);
    low[i - from] = std::fabs(y);
  }
  double loudest = 0.0, before = 0.0;
  for (long i = at - reach; i < to; ++i) loudest = std::max(loudest, low[i - from]);
  for (long i = from; i < at - reach; ++i) before = std::max(before, low[i - from]);
  if (loudest <= 2.0 * before) return NAN;
  for (long i = at - reach; i < to; ++i) {
    if (2.0 * low[i - from] >= loudest) return (i - at) * 1000.0 / kMusicRate;
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

TEST(Music, KicksLandOnTheBeatGrid) {
  // Decoded frame 0 must be demo time 0: an encoder or decoder delay left
  // in the file (about 25 ms) would put every hit late.
  const TPcm& pcm = Music();
  ASSERT_GT(pcm.Frames(), static_cast<size_t>(252 * kBeatFrames));
  const int kGrooves[][2] = {{12, 80}, {116, 180}, {182, 252}};  // beats with a kick
  int beats = 0, found = 0, onGrid = 0;
  for (const auto& groove : kGrooves) {
    for (int beat = groove[0]; beat < groove[1]; ++beat) {
      const double ms = OnsetMs(pcm, beat);
      ++beats;
      if (std::isnan(ms)) continue;
      ++found;
      onGrid += std::fabs(ms) <= 2.0;
    }
  }
  std::printf("hits found on %d of %d beats, %d of them within 2 ms\n", found, beats, onGrid);
  EXPECT_GE(found, beats / 2);
  EXPECT_GE(onGrid, found * 95 / 100);
  // The breakdown has no drums until its snare roll (beats 83 to 107).
  int breakdownHits = 0;
  for (int beat = 83; beat < 108; ++beat) breakdownHits += !std::isnan(OnsetMs(pcm, beat));
  EXPECT_EQ(breakdownHits, 0);
}

namespace {

// ---- Flash figures ---------------------------------------------------------

bool Counted(double d) { return d >= 0.0 && d < kEnd && !(d > 410.0 && d < 580.0); }

struct TFlashFigures {
  int frames = 0, flashed = 0, bright = 0;  // frames counted, flashed, above grey 0.5
  int titleFrames = 0, titleFlashed = 0;    // under the two title cards
  int mostOnsetsInASecond = 0;
  double mostOnsetsAt = 0.0;  // demo time where that second starts
};

// Every frame at 60 fps from demo time 0 to 1300, as the frame driver
// shows it: grey 2 x level from 0.2, black inside the particle scene.
TFlashFigures MeasureFlashes(const TPcm& pcm) {
  TFlashFigures f;
  std::vector<int> onsets;  // frame numbers where a flash begins
  bool was = false;
  for (int k = 0;; ++k) {
    const double ms = k * kFrameMs, d = ms / kUnitMs;
    if (d >= kEnd) break;
    const double grey = 2.0 * MusicLevelAt(pcm.samples.data(), pcm.Frames(), ms);
    const bool flash = Counted(d) && grey >= 0.2;
    if (Counted(d)) {
      ++f.frames;
      f.flashed += flash;
      f.bright += flash && grey > 0.5;
    }
    if (d < 60.0 || (d >= 1200.0 && d < 1260.0)) {
      ++f.titleFrames;
      f.titleFlashed += flash;
    }
    if (flash && !was) onsets.push_back(k);
    was = flash;
  }
  for (size_t a = 0, b = 0; a < onsets.size(); ++a) {
    while (b < onsets.size() && onsets[b] < onsets[a] + 60) ++b;
    if (static_cast<int>(b - a) > f.mostOnsetsInASecond) {
      f.mostOnsetsInASecond = static_cast<int>(b - a);
      f.mostOnsetsAt = onsets[a] * kFrameMs / kUnitMs;
    }
  }
  return f;
}

// ---- Loudness (ffmpeg's EBU R128 meter) ------------------------------------

struct TLoudness {
  double integrated = NAN, range = NAN, truePeak = NAN;  // LUFS, LU, dBTP
};

double FindFigure(const std::string& text, const std::string& label) {
  const size_t at = text.rfind(label);
  return at == std::string::npos ? NAN : std::atof(text.c_str() + at + label.size());
}

// The summary of ffmpeg's ebur128 filter over the first `seconds` of the file.
TLoudness MeasureLoudness(double seconds) {
  const std::string command = "ffmpeg -nostdin -hide_banner -nostats -t " +
                              std::to_string(seconds) + " -i '" + kMusicFile +
                              "' -af ebur128=peak=true -f null - 2>&1";
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    pclose(pipe);
  }
  const size_t summary = text.rfind("Summary:");
  if (summary == std::string::npos) return {};
  text = text.substr(summary);
  return {FindFigure(text, "I:"), FindFigure(text, "LRA:"), FindFigure(text, "Peak:")};
}

// ---- Spectra ---------------------------------------------------------------

constexpr int kFftSize = 8192;

// In-place radix-2 FFT of kFftSize points.
void Fft(std::vector<std::complex<double>>* data) {
  std::vector<std::complex<double>>& a = *data;
  const int n = static_cast<int>(a.size());
  for (int i = 1, j = 0; i < n; ++i) {
    int bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (int len = 2; len <= n; len <<= 1) {
    const std::complex<double> step = std::polar(1.0, -2.0 * M_PI / len);
    for (int i = 0; i < n; i += len) {
      std::complex<double> w = 1.0;
      for (int k = 0; k < len / 2; ++k, w *= step) {
        const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
      }
    }
  }
}

// Power spectrum (kFftSize / 2 bins) of both channels, summed over Hann
// windows hopping by half a window through frames [from, to).
std::vector<double> PowerSpectrum(const TPcm& pcm, long from, long to) {
  std::vector<double> power(kFftSize / 2, 0.0);
  std::vector<std::complex<double>> buffer(kFftSize);
  for (long at = from; at + kFftSize <= to; at += kFftSize / 2) {
    for (int side = 0; side < 2; ++side) {
      for (int i = 0; i < kFftSize; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2.0 * M_PI * i / kFftSize);
        buffer[i] = hann * pcm.samples[2 * (at + i) + side];
      }
      Fft(&buffer);
      for (int i = 0; i < kFftSize / 2; ++i) power[i] += std::norm(buffer[i]);
    }
  }
  return power;
}

double BinHz(int bin) { return bin * static_cast<double>(kMusicRate) / kFftSize; }

// Energy between lo and hi Hz against all of it, in dB.
double BandShareDb(const std::vector<double>& power, double lo, double hi) {
  double band = 0.0, all = 0.0;
  for (size_t i = 1; i < power.size(); ++i) {
    all += power[i];
    if (BinHz(i) >= lo && BinHz(i) < hi) band += power[i];
  }
  return 10.0 * std::log10(band / all);
}

// 40 bands spaced evenly in pitch from 40 Hz to 16 kHz, in dB.
std::vector<double> FortyBands(const std::vector<double>& power) {
  std::vector<double> bands(40, 1e-9);
  for (size_t i = 1; i < power.size(); ++i) {
    const double octaves = std::log2(BinHz(i) / 40.0);
    const int band = static_cast<int>(std::floor(octaves / std::log2(400.0) * 40.0));
    if (band >= 0 && band < 40) bands[band] += power[i];
  }
  for (double& b : bands) b = 10.0 * std::log10(b);
  return bands;
}

}  // namespace

TEST(MusicFigures, FlashMarksAccentsAtMostThreeTimesInAnySecond) {
  const TFlashFigures f = MeasureFlashes(Music());
  const auto percent = [](int part, int whole) { return 100.0 * part / std::max(1, whole); };
  std::printf(
      "flash onsets in one second: at most %d (from demo time %.1f)\n"
      "flashed frames outside 410..580: %.1f%% of %d; under the titles %.1f%%; "
      "above grey 0.5 %.2f%%\n",
      f.mostOnsetsInASecond, f.mostOnsetsAt, percent(f.flashed, f.frames), f.frames,
      percent(f.titleFlashed, f.titleFrames), percent(f.bright, f.frames));
  EXPECT_LE(f.mostOnsetsInASecond, 3) << "at demo time " << f.mostOnsetsAt;
  EXPECT_GE(percent(f.flashed, f.frames), 3.0);
  EXPECT_LE(percent(f.flashed, f.frames), 12.0);
  EXPECT_LE(percent(f.titleFlashed, f.titleFrames), 2.0);
  EXPECT_LE(percent(f.bright, f.frames), 1.0);
}

TEST(MusicFigures, LoudnessAsBroadcastWithSectionsThatMove) {
  const double seconds = kEnd * kUnitMs / 1000.0;
  const TLoudness whole = MeasureLoudness(seconds), opening = MeasureLoudness(6.1);
  std::printf("integrated %.1f LUFS, range %.1f LU, true peak %.1f dBTP, opening %.1f LUFS\n",
              whole.integrated, whole.range, whole.truePeak, opening.integrated);
  ASSERT_FALSE(std::isnan(whole.integrated)) << "ffmpeg's ebur128 filter gave no summary";
  EXPECT_GE(whole.integrated, -26.0);
  EXPECT_LE(whole.integrated, -20.0);
  EXPECT_LE(whole.truePeak, -1.0);
  EXPECT_GE(whole.range, 6.0);
  EXPECT_GE(opening.integrated, whole.integrated - 10.0);
}

TEST(MusicFigures, WideStereoWithMidrangeAndAnUnboomyLowEnd) {
  const TPcm& pcm = Music();
  const long end = std::min<long>(pcm.Frames(), std::lrint(kEnd * kUnitMs * kMusicRate / 1000.0));
  double mid = 0.0, side = 0.0;
  for (long i = 0; i < end; ++i) {
    const double l = pcm.samples[2 * i], r = pcm.samples[2 * i + 1];
    mid += (l + r) * (l + r);
    side += (l - r) * (l - r);
  }
  const std::vector<double> power = PowerSpectrum(pcm, 0, end);
  const double width = 10.0 * std::log10(side / mid);
  const double presence = BandShareDb(power, 500.0, 4000.0), low = BandShareDb(power, 40.0, 160.0);
  std::printf("side to mid %.1f dB; energy share 500 Hz..4 kHz %.1f dB, 40..160 Hz %.1f dB\n",
              width, presence, low);
  EXPECT_GE(width, -12.0);
  EXPECT_GE(presence, -9.0);
  EXPECT_LE(low, -3.0);
}

TEST(MusicFigures, FewBarsCopyAnother) {
  // A bar is four beats; two bars are near-copies when their 40-band
  // spectra differ by at most 1 dB on average over the bands.
  const TPcm& pcm = Music();
  const int bars = 1300 / 20;
  std::vector<std::vector<double>> spectra;
  for (int b = 0; b < bars; ++b) {
    spectra.push_back(
        FortyBands(PowerSpectrum(pcm, b * 4 * kBeatFrames, (b + 1) * 4 * kBeatFrames)));
  }
  int copies = 0;
  for (int a = 0; a < bars; ++a) {
    for (int b = 0; b < bars; ++b) {
      double difference = 0.0;
      for (int k = 0; k < 40; ++k) difference += std::fabs(spectra[a][k] - spectra[b][k]);
      if (b != a && difference / 40 <= 1.0) {
        ++copies;
        break;
      }
    }
  }
  std::printf("bars with a near-copy: %d of %d (%.0f%%)\n", copies, bars, 100.0 * copies / bars);
  EXPECT_LE(copies, bars * 40 / 100);
}

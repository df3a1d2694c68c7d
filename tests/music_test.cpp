// The generated "kel.mp3" as the demo hears it: decoded by the demo's own
// decoder and measured with the frame driver's level meter, sampled at
// 60 frames per second. The background flashes on a frame whose level is
// at least kFlashLevel (2 x level >= 0.2), except strictly inside the
// particle scene's window (kFlashlessWindow). Beats, scene windows and the
// demo's end come from the generator and the timeline.
#include "assetgen/music.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "demo/timeline.h"
#include "platform/audio/level_meter.h"
#include "platform/audio/sound.h"
#include "scenes/windows.h"

namespace {

const std::string kMusicFile = std::string(KELVANE_DATA_DIR) + "/kel.mp3";
constexpr double kUnitMs = 1.0 / kDemoUnitsPerMs;  // one demo unit, ms
constexpr double kFrameMs = 1000.0 / 60.0;
constexpr double kEnd = kDemoEnd;  // demo units
// The last chord lands two beats before the closing card goes (demo units).
constexpr double kLastChordAt = kClosingTitleWindow.end - 2 * kBeatUnits;
// The beat at demo time d, which the timeline puts on a beat.
constexpr int BeatAt(double d) { return static_cast<int>(d / kBeatUnits); }

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

bool Counted(double d) { return d >= 0.0 && d < kEnd && !InWindow(kFlashlessWindow, d); }

double FrameTime(int frame) { return frame * kFrameMs / kUnitMs; }  // demo units

struct TFlashFigures {
  int frames = 0, flashed = 0, bright = 0;  // frames counted, flashed, above grey 0.5
  int titleFrames = 0, titleFlashed = 0;    // under the two title cards
  int mostOnsetsInASecond = 0;
  double mostOnsetsAt = 0.0;  // demo time where that second starts
  std::vector<double> blips;  // demo times of flashes under 6 frames, the glitch's aside
  std::vector<double> greys;  // every frame's grey, 0 where none shows
  std::vector<int> onsets;    // frames where a flash begins
};

// Every frame at 60 fps from demo time 0 to 1300, as the frame driver
// shows it: grey 2 x level from kFlashLevel, black inside the particle scene.
TFlashFigures MeasureFlashes(const TPcm& pcm) {
  TFlashFigures f;
  std::vector<int>& onsets = f.onsets;
  bool was = false;
  for (int k = 0;; ++k) {
    const double ms = k * kFrameMs, d = ms / kUnitMs;
    if (d >= kEnd) break;
    const float level = MusicLevelAt(pcm.samples.data(), pcm.Frames(), ms);
    const double grey = 2.0 * level;
    const bool flash = Counted(d) && level >= kFlashLevel;  // as the frame driver tests it
    f.greys.push_back(flash ? grey : 0.0);
    if (Counted(d)) {
      ++f.frames;
      f.flashed += flash;
      f.bright += flash && grey > 0.5;
    }
    if (d < kOpeningTitleWindow.end ||
        (d >= kClosingTitleWindow.start && d < kClosingTitleWindow.end)) {
      ++f.titleFrames;
      f.titleFlashed += flash;
    }
    if (flash && !was) onsets.push_back(k);
    // The cut's own flash starts on the glitch's first frame; its flicker follows.
    if (!flash && was && k - onsets.back() < 6 &&
        !InWindow(kGlitchWindow, FrameTime(onsets.back() - 1)))
      f.blips.push_back(FrameTime(onsets.back()));
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
  std::vector<double> shortTerm;                         // LUFS, every 100 ms from 0.1 s
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
  TLoudness loudness;
  for (size_t at = text.find(" S:"); at < summary; at = text.find(" S:", at + 1))
    loudness.shortTerm.push_back(std::atof(text.c_str() + at + 3));
  text = text.substr(summary);
  loudness.integrated = FindFigure(text, "I:");
  loudness.range = FindFigure(text, "LRA:");
  loudness.truePeak = FindFigure(text, "Peak:");
  return loudness;
}

// ---- Spectra ---------------------------------------------------------------

constexpr int kFftSize = 8192;

// In-place radix-2 FFT; the size is a power of two.
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

// What a spectrum hears of a stereo frame.
enum class TListen { kBothSides, kMid, kSide };

// Power spectrum (size / 2 bins), summed over Hann windows of `size` frames
// hopping by half a window through frames [from, to): both channels
// summed, or the mid (L + R) or side (L - R) signal.
std::vector<double> PowerSpectrum(const TPcm& pcm, long from, long to,
                                  TListen listen = TListen::kBothSides, int size = kFftSize) {
  std::vector<double> power(size / 2, 0.0);
  std::vector<std::complex<double>> buffer(size);
  std::vector<double> hann(size);
  for (int i = 0; i < size; ++i) hann[i] = 0.5 - 0.5 * std::cos(2.0 * M_PI * i / size);
  const int passes = listen == TListen::kBothSides ? 2 : 1;
  for (long at = from; at + size <= to; at += size / 2) {
    for (int pass = 0; pass < passes; ++pass) {
      for (int i = 0; i < size; ++i) {
        const double l = pcm.samples[2 * (at + i)], r = pcm.samples[2 * (at + i) + 1];
        const double x = listen == TListen::kMid    ? l + r
                         : listen == TListen::kSide ? l - r
                         : pass == 0                ? l
                                                    : r;
        buffer[i] = hann[i] * x;
      }
      Fft(&buffer);
      for (int i = 0; i < size / 2; ++i) power[i] += std::norm(buffer[i]);
    }
  }
  return power;
}

double BinHz(int bin, int size = kFftSize) { return bin * static_cast<double>(kMusicRate) / size; }

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
  const int size = 2 * static_cast<int>(power.size());
  for (size_t i = 1; i < power.size(); ++i) {
    const double octaves = std::log2(BinHz(i, size) / 40.0);
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
      "flashed frames outside the particle scene: %.1f%% of %d; under the titles %.1f%%; "
      "above grey 0.5 %.2f%%; flashes under 6 frames outside the glitch: %zu\n",
      f.mostOnsetsInASecond, f.mostOnsetsAt, percent(f.flashed, f.frames), f.frames,
      percent(f.titleFlashed, f.titleFrames), percent(f.bright, f.frames), f.blips.size());
  for (double d : f.blips) std::printf("  a flash under 6 frames at demo time %.1f\n", d);
  EXPECT_TRUE(f.blips.empty());
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
  EXPECT_LE(whole.range, 11.0);
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

TEST(MusicFigures, BarsDifferFromOneAnother) {
  // A bar's spectrum: 4096-frame Hann windows at half overlap over its four
  // beats, in 40 bands. Two bars are near-copies when their spectra differ
  // by at most 1 dB on average over the bands.
  const TPcm& pcm = Music();
  const int bars = static_cast<int>(kEnd / (4 * kBeatUnits));
  std::vector<std::vector<double>> spectra;
  for (int b = 0; b < bars; ++b) {
    spectra.push_back(FortyBands(PowerSpectrum(pcm, b * 4 * kBeatFrames, (b + 1) * 4 * kBeatFrames,
                                               TListen::kBothSides, 4096)));
  }
  int copies = 0;
  std::vector<double> distances;
  for (int a = 0; a < bars; ++a) {
    bool copied = false;
    for (int b = 0; b < bars; ++b) {
      double difference = 0.0;
      for (int k = 0; k < 40; ++k) difference += std::fabs(spectra[a][k] - spectra[b][k]);
      if (b != a && difference / 40 <= 1.0) copied = true;
      if (b > a) distances.push_back(difference / 40);
    }
    copies += copied;
  }
  std::nth_element(distances.begin(), distances.begin() + distances.size() / 2, distances.end());
  const double median = distances[distances.size() / 2];
  std::printf("bars with a near-copy: %d of %d (%.1f%%); median distance %.2f dB\n", copies, bars,
              100.0 * copies / bars, median);
  EXPECT_LE(copies, bars * 30 / 100);
  EXPECT_GE(median, 4.0);
}

namespace {

// The song's sections, in demo units.
struct TSpan {
  const char* name;
  double from, to;
};
const TSpan kSections[] = {
    {"intro", kOpeningTitleWindow.start, kOpeningTitleWindow.end},
    {"groove", kEchoImage1Window.start, kEchoImage1Window.end},
    {"theme", kEchoImage2Window.start, kEchoImage2Window.end},
    {"turn", kUnfoldImageWindow.start, kUnfoldImageWindow.end},
    {"lift", kPointTunnelWindow.start, kPointTunnelWindow.end},
    {"chorus", kWavySlicesWindow.start, kWavySlicesWindow.end},
    {"breakdown", kParticleMorphWindow.start, kParticleMorphWindow.end},
    {"drop", kTileGridWindow.start, kColorSplitWindow.start},
    {"half time", kColorSplitWindow.start, kColorSplitWindow.end},
    {"build", kModelShowcaseWindow.start, kGlitchWindow.start},
    {"glitch", kGlitchWindow.start, kSettlingSlicesWindow.start},
    {"last chorus", kSettlingSlicesWindow.start, kSettlingSlicesWindow.end},
    {"bubbles", kLensBubblesWindow.start, kLensBubblesWindow.end},
    {"cadence", kClosingTitleWindow.start, kLastChordAt},
    {"last chord", kLastChordAt, kEnd},
};

long FrameAt(double d) { return std::lrint(d * kUnitMs * kMusicRate / 1000.0); }

// RMS of frames [from, to), both sides, full scale 1.
double Rms(const TPcm& pcm, long from, long to) {
  double sum = 0.0;
  for (long i = 2 * from; i < 2 * to; ++i) sum += double(pcm.samples[i]) * pcm.samples[i];
  return std::sqrt(sum / std::max(1L, 2 * (to - from))) / 32768.0;
}

// RMS of the mono sum (L + R) / 2 over frames [from, to), full scale 1.
double MonoRms(const TPcm& pcm, long from, long to) {
  double sum = 0.0;
  for (long i = from; i < to; ++i) {
    const double m = 0.5 * (pcm.samples[2 * i] + pcm.samples[2 * i + 1]);
    sum += m * m;
  }
  return std::sqrt(sum / std::max(1L, to - from)) / 32768.0;
}

double Db(double ratio) { return 20.0 * std::log10(ratio); }

// The median of the short-term loudness readings whose 3 s window lies in
// demo time [from, to).
double MedianShortTerm(const std::vector<double>& shortTerm, double from, double to) {
  std::vector<double> inside;
  for (size_t k = 0; k < shortTerm.size(); ++k) {
    const double seconds = 0.1 * (k + 1);
    if (seconds - 3.0 >= from * kUnitMs / 1000.0 && seconds <= to * kUnitMs / 1000.0)
      inside.push_back(shortTerm[k]);
  }
  if (inside.empty()) return NAN;
  std::nth_element(inside.begin(), inside.begin() + inside.size() / 2, inside.end());
  return inside[inside.size() / 2];
}

}  // namespace

TEST(MusicFigures, SectionsHaveBodyAndTheLastChorusStandsAboveTheFirstGroove) {
  const TLoudness whole = MeasureLoudness(kEnd * kUnitMs / 1000.0);
  ASSERT_FALSE(whole.shortTerm.empty()) << "ffmpeg's ebur128 filter gave no readings";
  const double groove =
      MedianShortTerm(whole.shortTerm, kEchoImage1Window.start, kEchoImage1Window.end);
  const double drop =
      MedianShortTerm(whole.shortTerm, kTileGridWindow.start, kColorSplitWindow.start);
  // The particles' breakdown, its first and last second aside.
  const double breakdown = MedianShortTerm(whole.shortTerm, kParticleMorphWindow.start + 10,
                                           kParticleMorphWindow.end - 10);
  const double last =
      MedianShortTerm(whole.shortTerm, kSettlingSlicesWindow.start, kSettlingSlicesWindow.end);
  std::printf(
      "median short-term loudness: first groove %.1f LUFS, drop's groove %.1f, breakdown %.1f, "
      "last chorus %.1f (+%.1f over the first groove)\n",
      groove, drop, breakdown, last, last - groove);
  EXPECT_GE(groove, -26.0);
  EXPECT_GE(drop, -22.0);
  EXPECT_GE(breakdown, -28.0);
  EXPECT_GE(last - groove, 6.0);
}

TEST(MusicFigures, TransitionsLandOnTheBeat) {
  const TPcm& pcm = Music();
  // The drop's first beat (beat 116): its first 100 ms against those of the
  // eight beats after it.
  const int drop = BeatAt(kTileGridWindow.start);
  const long tenth = kMusicRate / 10;
  const double first = Rms(pcm, drop * kBeatFrames, drop * kBeatFrames + tenth);
  double loudest = 0.0;
  for (int beat = drop + 1; beat <= drop + 8; ++beat)
    loudest = std::max(loudest, Rms(pcm, beat * kBeatFrames, beat * kBeatFrames + tenth));
  // The roll into the glitch (beats 176 to 179): its last beat over its first.
  const int cut = BeatAt(kGlitchWindow.start);
  const double roll = Db(Rms(pcm, (cut - 1) * kBeatFrames, cut * kBeatFrames) /
                         Rms(pcm, (cut - 4) * kBeatFrames, (cut - 3) * kBeatFrames));
  // The whole build: the mix over the last 4 beats against the 8 before them.
  const double build = Db(MonoRms(pcm, (cut - 4) * kBeatFrames, cut * kBeatFrames) /
                          MonoRms(pcm, (cut - 12) * kBeatFrames, (cut - 4) * kBeatFrames));
  // Back from the glitch at the end of its window (demo time 918): the first
  // full hit is where the low end (a one-pole low-pass at 200 Hz) first
  // reaches half its largest value over the two beats after it, on the last
  // chorus's first beat (184), after a two-beat pick-up.
  const long resume = FrameAt(kGlitchWindow.end);
  const int lastChorus = BeatAt(kSettlingSlicesWindow.start) + 2;
  const double pole = std::exp(-2.0 * M_PI * 200.0 / kMusicRate);
  std::vector<double> low;
  double y = 0.0, top = 0.0;
  for (long i = resume; i < resume + 2 * kBeatFrames; ++i) {
    y = pole * y + (1.0 - pole) * (pcm.samples[2 * i] + pcm.samples[2 * i + 1]);
    low.push_back(std::fabs(y));
    top = std::max(top, low.back());
  }
  long hit = 0;
  while (hit < static_cast<long>(low.size()) && 2.0 * low[hit] < top) ++hit;
  const double hitMs = (resume + hit - lastChorus * kBeatFrames) * 1000.0 / kMusicRate;
  const double pickUp = Rms(pcm, resume, lastChorus * kBeatFrames);
  std::printf(
      "drop's first 100 ms %+.1f dB against the loudest of the next 8 beats; roll builds "
      "%+.1f dB over its last 4 beats; the mix over the 4 beats before the cut %+.1f dB against "
      "the 8 before them; first full hit after the glitch %+.1f ms from beat 184, pick-up RMS "
      "%.3f\n",
      Db(first / loudest), roll, build, hitMs, pickUp);
  EXPECT_GE(first, loudest);
  EXPECT_GE(roll, 4.0);
  EXPECT_GE(build, 4.0);
  EXPECT_LE(std::fabs(hitMs), 5.0);
  EXPECT_GE(pickUp, 0.01) << "no pick-up from 918 into beat 184";
}

TEST(MusicFigures, AccentsSitInTheirBarsButTheBigMomentsStandOut) {
  // An accent's first 110 ms (mono sum) against the power mean of the other
  // three beats of its bar, bars of 4 beats counted from time 0.
  const TPcm& pcm = Music();
  const long window = kMusicRate * 110 / 1000;
  auto power = [&](int beat) {
    const double rms = MonoRms(pcm, long(beat) * kBeatFrames, long(beat) * kBeatFrames + window);
    return rms * rms;
  };
  constexpr int kBig[] = {BeatAt(kTileGridWindow.start), BeatAt(kGlitchWindow.start),
                          BeatAt(kSettlingSlicesWindow.start) + 2};
  std::vector<double> ordinary, big;
  for (int at : SongAccents()) {
    const int beat = at / kBeatFrames, bar = beat / 4 * 4;
    double others = 0.0;
    for (int b = bar; b < bar + 4; ++b) others += b == beat ? 0.0 : power(b) / 3.0;
    const double over = 10.0 * std::log10(power(beat) / others);
    (std::find(std::begin(kBig), std::end(kBig), beat) != std::end(kBig) ? big : ordinary)
        .push_back(over);
  }
  ASSERT_EQ(big.size(), 3u);
  ASSERT_FALSE(ordinary.empty());
  std::nth_element(ordinary.begin(), ordinary.begin() + ordinary.size() / 2, ordinary.end());
  const double median = ordinary[ordinary.size() / 2];
  std::printf(
      "%zu ordinary accents: median %+.1f dB over the other beats of their bar; the drop %+.1f, "
      "the cut %+.1f, the last chorus %+.1f\n",
      ordinary.size(), median, big[0], big[1], big[2]);
  EXPECT_LE(median, 6.0);
  for (double over : big) EXPECT_GE(over, 10.0);
}

TEST(MusicFigures, LastChordFlashesWhileTheCardIsLit) {
  const TFlashFigures f = MeasureFlashes(Music());
  double lastOnset = -1.0;
  int lateFlashes = 0;
  for (int onset : f.onsets) lastOnset = std::max(lastOnset, FrameTime(onset));
  for (size_t k = 0; k < f.greys.size(); ++k) {
    const double d = FrameTime(static_cast<int>(k));
    lateFlashes += d >= kLastChordAt + kBeatUnits && d <= kEnd && f.greys[k] > 0.0;
  }
  std::printf("last flash onset at demo time %.1f; flashed frames in 1255..1300: %d\n", lastOnset,
              lateFlashes);
  EXPECT_GE(lastOnset, kLastChordAt - kBeatUnits);
  EXPECT_LE(lastOnset, kLastChordAt);
  EXPECT_EQ(lateFlashes, 0);
}

TEST(MusicFigures, BigMomentsFlashBrighterThanPhraseStarts) {
  // Each onset's brightest frame before the flash ends; the big moments are
  // the drop (580), the cut into the glitch (900) and the last chorus's
  // first full hit (920).
  constexpr double kDrop = kTileGridWindow.start;
  constexpr double kLastChorus = kSettlingSlicesWindow.start + 2 * kBeatUnits;
  const TFlashFigures f = MeasureFlashes(Music());
  std::vector<double> peaks, big;
  for (int onset : f.onsets) {
    double peak = 0.0;
    for (size_t k = onset; k < f.greys.size() && f.greys[k] > 0.0; ++k)
      peak = std::max(peak, f.greys[k]);
    const double d = FrameTime(onset);
    const bool isBig = std::fabs(d - kDrop) < 2 || std::fabs(d - kGlitchWindow.start) < 2 ||
                       std::fabs(d - kLastChorus) < 2;
    (isBig ? big : peaks).push_back(peak);
  }
  ASSERT_EQ(big.size(), 3u) << "the drop, the cut and the last chorus each flash once";
  std::sort(peaks.begin(), peaks.end());
  const double smallest = peaks.front(), median = peaks[peaks.size() / 2], largest = peaks.back();
  std::printf(
      "accent greys: %.2f to %.2f, median %.2f; the drop %.2f, the cut %.2f, the last chorus "
      "%.2f\n",
      smallest, largest, median, big[0], big[1], big[2]);
  EXPECT_GE(largest - smallest, 0.05);
  for (double peak : big) EXPECT_GE(peak, largest);
  for (double peak : big) EXPECT_LE(peak, 0.6);
}

TEST(MusicFigures, LowEndIsMonoAndQuietPartsFoldToMono) {
  const TPcm& pcm = Music();
  double worstLowSide = -200.0;
  const char* worstAt = "";
  for (const TSpan& s : kSections) {
    const long from = FrameAt(s.from), to = FrameAt(s.to);
    const std::vector<double> mid = PowerSpectrum(pcm, from, to, TListen::kMid);
    const std::vector<double> side = PowerSpectrum(pcm, from, to, TListen::kSide);
    double m = 1e-9, sd = 1e-9;
    for (int i = 1; BinHz(i) < 120.0; ++i) m += mid[i], sd += side[i];
    const double lowSide = 10.0 * std::log10(sd / m);
    if (lowSide > worstLowSide) worstLowSide = lowSide, worstAt = s.name;
    double ll = 0.0, rr = 0.0, lr = 0.0;
    for (long i = from; i < to; ++i) {
      const double l = pcm.samples[2 * i], r = pcm.samples[2 * i + 1];
      ll += l * l, rr += r * r, lr += l * r;
    }
    const double correlation = lr / std::sqrt(ll * rr + 1e-9);
    const double monoLoss = 10.0 * std::log10(0.5 * (ll + rr) / (0.25 * (ll + rr + 2 * lr)));
    std::printf("%-11s side to mid below 120 Hz %6.1f dB, correlation %5.2f, mono %+.1f dB\n",
                s.name, lowSide, correlation, -monoLoss);
    EXPECT_LE(lowSide, -25.0) << s.name;
    if (std::string(s.name) == "intro" || std::string(s.name) == "breakdown") {
      EXPECT_GE(correlation, 0.3) << s.name;
    }
    EXPECT_LE(monoLoss, 1.5) << s.name;
  }
  std::printf("most side below 120 Hz: %.1f dB in the %s\n", worstLowSide, worstAt);
}

// The mixing and mastering steps: echo and hall for the sends, a DC
// blocker, the sidechain duck, the bus compressor and saturation, the
// loudness meter and normaliser, a look-ahead peak limiter, the stutter of
// the glitch, and the flash guard.
//
// The flash guard is what makes the background of the demo flash on chosen
// accents only. The demo clears to grey whenever the RMS of the 1024-frame
// block being played reaches 0.1 of full scale. The song is mastered to a
// broadcast loudness, where the band sits around a third of that; the
// accents (an impact and a crash) rise above it on their own.
// The guard then makes it exact: a smooth limiter, block by block, holds
// every other block under a quiet ceiling, so a fill or a loud chord never
// flashes, and takes the loudest accents down so the flash never turns
// white. It never lifts anything: an accent too weak to flash stays dark.
#include <algorithm>
#include <cmath>
#include <vector>

#include "assetgen/music.h"

namespace {

// out[i] = max (or min) of in[i - before .. i + after], clipped to 0..n-1,
// with a monotonic queue of indices: O(n).
void SlidingExtreme(const std::vector<float>& in, std::vector<float>* out, int before, int after,
                    bool max) {
  const int n = static_cast<int>(in.size());
  out->assign(n, 0.0f);
  std::vector<int> queue(n);
  int head = 0, tail = 0;  // queue[head..tail) holds candidates, best first
  auto better = [max](float a, float b) { return max ? a >= b : a <= b; };
  int next = 0;  // next input index to enter the window
  for (int i = 0; i < n; ++i) {
    const int last = std::min(n - 1, i + after);
    for (; next <= last; ++next) {
      while (tail > head && better(in[next], in[queue[tail - 1]])) --tail;
      queue[tail++] = next;
    }
    while (queue[head] < i - before) ++head;
    (*out)[i] = in[queue[head]];
  }
}

// Damped feedback comb and allpass, as in the classic Schroeder room.
struct TComb {
  std::vector<float> line;
  int pos = 0;
  float store = 0.0f;
  float Run(float in, float feedback, float damp) {
    const float out = line[pos];
    store = out * (1.0f - damp) + store * damp;
    line[pos] = in + store * feedback;
    if (++pos == static_cast<int>(line.size())) pos = 0;
    return out;
  }
};

struct TAllpass {
  std::vector<float> line;
  int pos = 0;
  float Run(float in) {
    const float delayed = line[pos];
    line[pos] = in + delayed * 0.5f;
    if (++pos == static_cast<int>(line.size())) pos = 0;
    return delayed - in;
  }
};

constexpr int kCombs = 8;
constexpr int kAllpasses = 4;
constexpr int kCombFrames[kCombs] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kAllpassFrames[kAllpasses] = {556, 441, 341, 225};
constexpr int kStereoSpread = 37;  // frames added to every right-side line

}  // namespace

void AddEcho(const TStereo& send, TStereo* out, int delay, float feedback, float gain) {
  // Ping-pong: the first echo comes back on the left, the next on the right,
  // each a little darker than the last.
  std::vector<float> lineL(delay, 0.0f), lineR(delay, 0.0f);
  float dark = 0.0f;
  for (int n = 0; n < kSongFrames; ++n) {
    const int slot = n % delay;
    const float l = lineL[slot], r = lineR[slot];
    dark += 0.45f * (r - dark);
    lineL[slot] = 0.5f * (send.left[n] + send.right[n]) + feedback * dark;
    lineR[slot] = l;
    out->left[n] += gain * l;
    out->right[n] += gain * r;
  }
}

void MixInto(const TStereo& in, TStereo* out, float gain) {
  for (int i = 0; i < kSongFrames; ++i) {
    out->left[i] += gain * in.left[i];
    out->right[i] += gain * in.right[i];
  }
}

void AddHall(const TStereo& send, TStereo* out, int preDelay, float gain) {
  TComb combs[2][kCombs];
  TAllpass allpasses[2][kAllpasses];
  for (int side = 0; side < 2; ++side) {
    for (int c = 0; c < kCombs; ++c)
      combs[side][c].line.assign(kCombFrames[c] + side * kStereoSpread, 0.0f);
    for (int a = 0; a < kAllpasses; ++a) {
      allpasses[side][a].line.assign(kAllpassFrames[a] + side * kStereoSpread, 0.0f);
    }
  }
  // About 2.2 s to fall by 60 dB, the highs a little sooner.
  const float feedback = 0.86f, damp = 0.28f;
  for (int n = 0; n < kSongFrames; ++n) {
    const int from = n - preDelay;
    const float in = from < 0 ? 0.0f : 0.015f * (send.left[from] + send.right[from]);
    float wet[2];
    for (int side = 0; side < 2; ++side) {
      float sum = 0.0f;
      for (TComb& comb : combs[side]) sum += comb.Run(in, feedback, damp);
      for (TAllpass& allpass : allpasses[side]) sum = allpass.Run(sum);
      wet[side] = sum;
    }
    out->left[n] += gain * wet[0];
    out->right[n] += gain * wet[1];
  }
}

void BlockDc(TStereo* bus) {
  const float pole = 1.0f - 2.0f * 3.14159265f * 12.0f / kSongRate;
  for (std::vector<float>* side : {&bus->left, &bus->right}) {
    float lastIn = 0.0f, lastOut = 0.0f;
    for (float& x : *side) {
      const float y = x - lastIn + pole * lastOut;
      lastIn = x;
      lastOut = y;
      x = y;
    }
  }
}

namespace {

// Multiplies the bus by the smoothest gain that never exceeds limit[i] at
// frame i. Looks ahead 10 ms: the minimum over the next window, then its
// moving average over the same window, stays under every frame's limit and
// moves smoothly. Recovery after a reduction takes about 60 ms.
void ApplyGainLimits(TStereo* bus, const std::vector<float>& limit) {
  const int window = kSongRate / 100;
  std::vector<float> lowest;
  SlidingExtreme(limit, &lowest, 0, window - 1, false);
  const float recover = 1.0f / (0.06f * kSongRate);
  double sum = 0.0;
  float gain = 1.0f;
  for (int i = 0; i < kSongFrames; ++i) {
    sum += lowest[i];
    if (i >= window) sum -= lowest[i - window];
    const float average = static_cast<float>(sum / window);
    gain = std::min(average, gain + (1.0f - gain) * recover);
    bus->left[i] *= gain;
    bus->right[i] *= gain;
  }
}

// The largest of the frame's samples and of the points a quarter, half and
// three quarters of the way to the next frame (cubic interpolation), on
// either side: close to the true peak a converter or decoder will make.
float FramePeak(const TStereo& bus, int i) {
  float peak = 0.0f;
  for (const std::vector<float>* side : {&bus.left, &bus.right}) {
    const std::vector<float>& x = *side;
    const float p0 = x[std::max(0, i - 1)], p1 = x[i];
    const float p2 = x[std::min(kSongFrames - 1, i + 1)], p3 = x[std::min(kSongFrames - 1, i + 2)];
    peak = std::max(peak, std::fabs(p1));
    for (float t : {0.25f, 0.5f, 0.75f}) {
      const float v =
          p1 +
          0.5f * t *
              (p2 - p0 +
               t * (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3 + t * (3.0f * (p1 - p2) + p3 - p0)));
      peak = std::max(peak, std::fabs(v));
    }
  }
  return peak;
}

float DbToGain(double db) { return static_cast<float>(std::pow(10.0, db / 20.0)); }

// A second-order section, direct form I.
struct TBiquad {
  double b0, b1, b2, a1, a2;
  double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
  double Run(double x) {
    const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }
};

// The K-weighting of ITU-R BS.1770 at the song's rate: a high shelf of
// +4 dB above about 1.7 kHz, then a high-pass at 38 Hz.
void KWeighting(TBiquad* shelf, TBiquad* highPass) {
  const double pi = 3.14159265358979323846;
  {
    const double f0 = 1681.974450955533, q = 0.7071752369554196;
    const double k = std::tan(pi * f0 / kSongRate);
    const double vh = std::pow(10.0, 3.999843853973347 / 20.0),
                 vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    *shelf = {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0,
              (vh - vb * k / q + k * k) / a0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
  }
  {
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    const double k = std::tan(pi * f0 / kSongRate);
    const double a0 = 1.0 + k / q + k * k;
    *highPass = {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
  }
}

}  // namespace

void Duck(TStereo* bus, const TStereo& key, float keyLevel, float depthDb, float releaseSeconds) {
  // The key's peak, held and then falling linearly to nothing over the
  // release; the gain in dB follows it through a 2 ms smoother, so the dip
  // itself cannot click.
  const float fall = 1.0f / (releaseSeconds * kSongRate);
  const float smooth = 1.0f / (0.002f * kSongRate);
  float envelope = 0.0f, reduction = 0.0f;
  for (int i = 0; i < kSongFrames; ++i) {
    const float hit = std::max(std::fabs(key.left[i]), std::fabs(key.right[i])) / keyLevel;
    envelope = std::max(std::min(1.0f, hit), envelope - fall);
    reduction += (depthDb * envelope - reduction) * smooth;
    const float gain = DbToGain(-reduction);
    bus->left[i] *= gain;
    bus->right[i] *= gain;
  }
}

void Compress(TStereo* bus, float thresholdDb, float ratio, float attack, float release) {
  const double detector = 1.0 - std::exp(-1.0 / (0.01 * kSongRate));
  const double toAttack = 1.0 - std::exp(-1.0 / (attack * kSongRate));
  const double toRelease = 1.0 - std::exp(-1.0 / (release * kSongRate));
  double power = 0.0, reduction = 0.0;  // mean square; dB
  for (int i = 0; i < kSongFrames; ++i) {
    const double l = bus->left[i], r = bus->right[i];
    power += (0.5 * (l * l + r * r) - power) * detector;
    const double level = 10.0 * std::log10(power + 1e-12);
    const double want = std::max(0.0, (level - thresholdDb) * (1.0 - 1.0 / ratio));
    reduction += (want - reduction) * (want > reduction ? toAttack : toRelease);
    const float gain = DbToGain(-reduction);
    bus->left[i] *= gain;
    bus->right[i] *= gain;
  }
}

void Saturate(TStereo* bus, float drive) {
  for (std::vector<float>* side : {&bus->left, &bus->right}) {
    for (float& x : *side) x = std::tanh(drive * x) / drive;
  }
}

double IntegratedLoudness(const TStereo& bus) {
  // Mean square of the K-weighted signal in 100 ms steps; a gating block is
  // four steps (400 ms, overlapping by three quarters).
  const int step = kSongRate / 10;
  std::vector<double> steps;
  TBiquad shelf[2], highPass[2];
  for (int side = 0; side < 2; ++side) KWeighting(&shelf[side], &highPass[side]);
  double sum = 0.0;
  for (int i = 0; i < kSongFrames; ++i) {
    const double l = highPass[0].Run(shelf[0].Run(bus.left[i]));
    const double r = highPass[1].Run(shelf[1].Run(bus.right[i]));
    sum += l * l + r * r;
    if ((i + 1) % step == 0) {
      steps.push_back(sum / step);
      sum = 0.0;
    }
  }
  std::vector<double> blocks;
  for (size_t j = 3; j < steps.size(); ++j) {
    blocks.push_back(0.25 * (steps[j] + steps[j - 1] + steps[j - 2] + steps[j - 3]));
  }
  auto loudness = [](double power) { return -0.691 + 10.0 * std::log10(power); };
  auto gatedMean = [&](double gate) {
    double total = 0.0;
    int count = 0;
    for (double z : blocks) {
      if (z > 0.0 && loudness(z) > gate) {
        total += z;
        ++count;
      }
    }
    return count ? total / count : 0.0;
  };
  const double ungated = gatedMean(-70.0);
  if (ungated <= 0.0) return -70.0;
  return loudness(gatedMean(loudness(ungated) - 10.0));
}

float NormaliseLoudness(TStereo* bus, double lufs) {
  const float gain = DbToGain(lufs - IntegratedLoudness(*bus));
  for (std::vector<float>* side : {&bus->left, &bus->right}) {
    for (float& x : *side) x *= gain;
  }
  return gain;
}

void LimitPeaks(TStereo* bus, float ceiling) {
  std::vector<float> limit(kSongFrames);
  for (int i = 0; i < kSongFrames; ++i) {
    const float peak = FramePeak(*bus, i);
    limit[i] = peak > ceiling ? ceiling / peak : 1.0f;
  }
  ApplyGainLimits(bus, limit);
}

namespace {

// RMS of each guard block, both sides together.
std::vector<float> BlockLevels(const TStereo& bus) {
  std::vector<float> levels(kSongFrames / kGuardBlock + 1, 0.0f);
  for (size_t b = 0; b < levels.size(); ++b) {
    const int from = static_cast<int>(b) * kGuardBlock;
    const int to = std::min(kSongFrames, from + kGuardBlock);
    double power = 0.0;
    for (int i = from; i < to; ++i) {
      power += bus.left[i] * bus.left[i] + bus.right[i] * bus.right[i];
    }
    if (to > from) levels[b] = static_cast<float>(std::sqrt(power / (2.0 * (to - from))));
  }
  return levels;
}

// Lifts the gain where an accent that reaches `flash` would fall under it
// before `hold` blocks: each such block is raised a little over the line,
// by no more than `loud` allows, the steps smoothed over 5 ms. The
// smoothing takes a little from a lifted block's edges, so the blocks are
// measured again and lifted again until every one is over the line.
void HoldAccents(TStereo* bus, const std::vector<bool>& accent, const std::vector<bool>& free,
                 float flash, float loud, int hold) {
  const int blocks = kSongFrames / kGuardBlock + 1;
  auto isAccent = [&](int b) { return b < static_cast<int>(accent.size()) && accent[b]; };
  auto isFree = [&](int b) { return b < static_cast<int>(free.size()) && free[b]; };
  const float over = flash * 1.03f;  // the lift's aim, a margin over the line
  const int ramp = kSongRate / 200;
  for (int pass = 0; pass < 6; ++pass) {
    const std::vector<float> levels = BlockLevels(*bus);
    std::vector<float> lift(blocks, 1.0f);
    bool lifted = false;
    for (int b = 0; b < blocks; ++b) {
      if (!isAccent(b) || isFree(b) || levels[b] < flash) continue;
      int end = b;  // the accent's run, from its first block over the line
      while (end < blocks && isAccent(end) && end < b + hold) ++end;
      for (int k = b + 1; k < end; ++k) {
        if (levels[k] >= flash || levels[k] <= 0.0f) continue;
        lift[k] = std::min(over, loud) / levels[k];
        lifted = true;
      }
      while (b + 1 < blocks && isAccent(b + 1)) ++b;  // on to the next run
    }
    if (!lifted) return;
    std::vector<float> step(kSongFrames);
    for (int i = 0; i < kSongFrames; ++i) step[i] = lift[i / kGuardBlock];
    double sum = 0.0;  // of step[i - ramp + 1 .. i] within the song
    for (int i = 0; i < kSongFrames + ramp / 2; ++i) {
      if (i < kSongFrames) sum += step[i];
      if (i >= ramp) sum -= step[i - ramp];
      const int at = i - ramp / 2;
      if (at < 0) continue;
      const int count = std::min(i, kSongFrames - 1) - std::max(0, i - ramp + 1) + 1;
      const float gain = static_cast<float>(sum / count);
      bus->left[at] *= gain;
      bus->right[at] *= gain;
    }
  }
}

}  // namespace

void GuardFlashes(TStereo* bus, const std::vector<bool>& accent, const std::vector<bool>& free,
                  float quiet, float flash, float loud, int hold) {
  const int blocks = kSongFrames / kGuardBlock + 1;
  auto isAccent = [&](int b) { return b < static_cast<int>(accent.size()) && accent[b]; };
  auto isFree = [&](int b) { return b < static_cast<int>(free.size()) && free[b]; };
  if (hold > 1) HoldAccents(bus, accent, free, flash, loud, hold);
  const std::vector<float> levels = BlockLevels(*bus);
  // An accent flashes once: after its first block under the flash line, the
  // rest of its run is held quiet like any other block. The smoothed gain
  // stays under each block's limit at every frame, so no block ends above
  // its ceiling.
  std::vector<float> limit(kSongFrames, 1.0f);
  bool flashing = false, spent = false;
  for (int b = 0; b < blocks; ++b) {
    const int from = b * kGuardBlock, to = std::min(kSongFrames, from + kGuardBlock);
    if (!isAccent(b)) flashing = spent = false;
    if (from >= to || isFree(b)) continue;
    float top = quiet;
    if (isAccent(b) && !spent) {
      const bool over = levels[b] >= flash;
      if (flashing && !over) spent = true;
      flashing = flashing || over;
      if (!spent) top = loud;
    }
    if (levels[b] > top) std::fill(limit.begin() + from, limit.begin() + to, top / levels[b]);
  }
  ApplyGainLimits(bus, limit);
}

void MonoBelow(TStereo* bus, double hz) {
  // Two Butterworth high-pass sections (Q 0.541 and 1.307) on L - R.
  const double pi = 3.14159265358979323846;
  const double k = std::tan(pi * hz / kSongRate);
  TBiquad sections[2];
  const double qs[2] = {0.5411961, 1.3065630};
  for (int s = 0; s < 2; ++s) {
    const double a0 = 1.0 + k / qs[s] + k * k;
    sections[s] = {1.0 / a0, -2.0 / a0, 1.0 / a0, 2.0 * (k * k - 1.0) / a0,
                   (1.0 - k / qs[s] + k * k) / a0};
  }
  for (int i = 0; i < kSongFrames; ++i) {
    const double mid = 0.5 * (bus->left[i] + bus->right[i]);
    double side = 0.5 * (bus->left[i] - bus->right[i]);
    for (TBiquad& section : sections) side = section.Run(side);
    bus->left[i] = static_cast<float>(mid + side);
    bus->right[i] = static_cast<float>(mid - side);
  }
}

void ScaleSide(TStereo* bus, const std::vector<float>& width) {
  for (int i = 0; i < kSongFrames; ++i) {
    const float mid = 0.5f * (bus->left[i] + bus->right[i]);
    const float side = 0.5f * (bus->left[i] - bus->right[i]) * width[i];
    bus->left[i] = mid + side;
    bus->right[i] = mid - side;
  }
}

void Stutter(TStereo* bus, int from, int to, int slice, int count, float open) {
  const std::vector<float> left(bus->left.begin() + from, bus->left.begin() + from + slice);
  const std::vector<float> right(bus->right.begin() + from, bus->right.begin() + from + slice);
  const int fade = kSongRate * 3 / 2000;  // 1.5 ms edges
  const int gate = static_cast<int>(open * slice);
  for (int k = 0; k < count; ++k) {
    for (int i = 0; i < slice; ++i) {
      const int frame = to + k * slice + i;
      if (frame >= kSongFrames) return;
      float g = std::min(1.0f, static_cast<float>(i) / fade);
      if (i >= gate)
        g = 0.0f;
      else if (i > gate - fade)
        g = std::min(g, static_cast<float>(gate - i) / fade);
      bus->left[frame] = left[i] * g;
      bus->right[frame] = right[i] * g;
    }
  }
}

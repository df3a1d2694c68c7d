// The mixing steps: echo and room for the sends, a DC blocker, the stutter
// of the glitch, a look-ahead peak limiter, and the fitter that keeps the
// music under the drums.
//
// FitUnderDrums is what makes the background of the demo flash in time. The
// demo clears to grey whenever the peak of a 1024-frame block reaches 0.1 of
// full scale, so only the drum hits may cross that line. The fitter is a
// look-ahead peak limiter on the music bus whose ceiling, frame by frame, is
// the beat's ceiling minus the drums' envelope: between hits the music may
// use the whole ceiling, while a hit decays through it the music makes room
// (the pumping of a side-chained compressor), and on a loud hit, where the
// background flashes anyway, the music returns to the ceiling.
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

constexpr int kCombs = 6;
constexpr int kAllpasses = 3;
constexpr int kCombFrames[kCombs] = {1116, 1188, 1277, 1356, 1422, 1557};
constexpr int kAllpassFrames[kAllpasses] = {556, 441, 341};
constexpr int kStereoSpread = 23;  // frames added to every right-side line

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

void AddReverb(const TStereo& send, TStereo* out, float gain) {
  TComb combs[2][kCombs];
  TAllpass allpasses[2][kAllpasses];
  for (int side = 0; side < 2; ++side) {
    for (int c = 0; c < kCombs; ++c)
      combs[side][c].line.assign(kCombFrames[c] + side * kStereoSpread, 0.0f);
    for (int a = 0; a < kAllpasses; ++a) {
      allpasses[side][a].line.assign(kAllpassFrames[a] + side * kStereoSpread, 0.0f);
    }
  }
  const float feedback = 0.82f, damp = 0.3f;
  for (int n = 0; n < kSongFrames; ++n) {
    const float in = 0.015f * (send.left[n] + send.right[n]);
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

float FramePeak(const TStereo& bus, int i) {
  return std::max(std::fabs(bus.left[i]), std::fabs(bus.right[i]));
}

}  // namespace

void LimitPeaks(TStereo* bus, float ceiling) {
  std::vector<float> limit(kSongFrames);
  for (int i = 0; i < kSongFrames; ++i) {
    const float peak = FramePeak(*bus, i);
    limit[i] = peak > ceiling ? ceiling / peak : 1.0f;
  }
  ApplyGainLimits(bus, limit);
}

void FitUnderDrums(TStereo* music, const TStereo& drums, const float* ceiling) {
  // The drums' envelope: peak over +-11.6 ms, half a period of the kick's
  // lowest note, so the music's room does not flutter with the kick's cycle.
  std::vector<float> level(kSongFrames), envelope;
  for (int i = 0; i < kSongFrames; ++i) level[i] = FramePeak(drums, i);
  SlidingExtreme(level, &envelope, 512, 512, true);
  // The room left for the music, and the gain that fits it in.
  for (int i = 0; i < kSongFrames; ++i) {
    const float top = ceiling[i / kBeatFrames];
    const float room = std::max(0.002f, std::min(top, std::fabs(top - envelope[i])));
    const float peak = FramePeak(*music, i);
    level[i] = peak > room ? room / peak : 1.0f;
  }
  ApplyGainLimits(music, level);
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

// Frame time of each scene, offscreen on Mesa's software renderer, at the
// window's designed size (rounded up to even sides, as the video renders it)
// and at 1920 x 1080.
//
// A scene's frames are kSceneSamples moments spread evenly over its window,
// each one DrawFrame and a glFinish: what the frame costs with everything the
// timeline draws at that moment (PanBanner over the tunnel, the sprite ring
// over the showcase, and so on). The glitch frames between 900 and 918 fall
// in the SpriteRing, ModelShowcase and SettlingSlices windows. Counters give
// the median and the worst frame in milliseconds; 16.7 ms is 60 frames a
// second. The CPU time is the whole process's, llvmpipe's threads included.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "demo/timeline.h"
#include "hosts/offscreen/offscreen_demo.h"
#include "platform/graphics/gl.h"

namespace {

constexpr int kSceneSamples = 40;

struct TSize {
  int width, height;
};
const TSize kSizes[] = {{676, 526}, {1920, 1080}};

// The rig is reopened, and the demo reloaded, only when the size changes.
bool EnsureRig(TSize size) {
  static TSize open = {0, 0};
  static bool ready = false;
  if (size.width == open.width && size.height == open.height) return ready;
  open = size;
  ready = OpenDemoOffscreen(size.width, size.height) && StartDemoOffscreen(KELVANE_DATA_DIR);
  return ready;
}

void SceneFrames(benchmark::State& state, TWindow window, TSize size) {
  if (!EnsureRig(size)) {
    state.SkipWithError("no offscreen OpenGL context");
    return;
  }
  ResetRandom();
  std::vector<double> frameMs;
  frameMs.reserve(kSceneSamples);
  int sample = 0;
  for (auto _ : state) {
    const double d =
        window.start + (sample % kSceneSamples + 0.5) * (window.end - window.start) / kSceneSamples;
    const auto begin = std::chrono::steady_clock::now();
    DrawFrameAt(d, 0.0f);
    glFinish();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    state.SetIterationTime(seconds);
    frameMs.push_back(seconds * 1000.0);
    ++sample;
  }
  std::sort(frameMs.begin(), frameMs.end());
  const size_t n = frameMs.size();
  state.counters["median_ms"] =
      n % 2 ? frameMs[n / 2] : 0.5 * (frameMs[n / 2 - 1] + frameMs[n / 2]);
  state.counters["worst_ms"] = frameMs.back();
}

const bool registered = [] {
  for (const TSize& size : kSizes)
    for (int i = 0; i < kTimelineRows; ++i) {
      const TTimelineRow& row = kTimeline[i];
      // ModelShowcase draws twice a frame but is one window: bench it once.
      bool seen = false;
      for (int j = 0; j < i; ++j) seen = seen || row.draw == kTimeline[j].draw;
      if (seen) continue;
      const std::string name = std::string("Scene/") + row.scene + "/" +
                               std::to_string(size.width) + "x" + std::to_string(size.height);
      benchmark::RegisterBenchmark(name.c_str(), SceneFrames, row.window, size)
          ->UseManualTime()
          ->MeasureProcessCPUTime()
          ->Iterations(kSceneSamples)
          ->Unit(benchmark::kMillisecond);
    }
  return true;
}();

}  // namespace

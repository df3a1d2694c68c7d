// Frame pacing of any program that presents with SDL_GL_SwapWindow, loaded
// with LD_PRELOAD (bench/pacing.sh): every swap's time is kept, and at exit
// one line goes to stderr with the time from load to the first and second
// swap and the intervals between swaps, their median, p99 and the dropped
// frames (intervals over 1.5 refresh periods at 60 Hz).
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

// Written by the swapping thread only, read once at exit.
struct TSwapLog {
  TClock::time_point loaded = TClock::now();
  std::vector<double> swapsMs;  // after `loaded`
  ~TSwapLog();
} swapLog;

constexpr double kPeriodMs = 1000.0 / 60.0;

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5)];
}

TSwapLog::~TSwapLog() {
  std::vector<double> intervals;
  int dropped = 0;
  for (size_t i = 1; i < swapsMs.size(); ++i) {
    intervals.push_back(swapsMs[i] - swapsMs[i - 1]);
    if (intervals.back() > 1.5 * kPeriodMs) ++dropped;
  }
  std::fprintf(stderr,
               "swaps: %zu, first at %.0f ms, second at %.0f ms; interval median %.2f ms, "
               "p99 %.2f ms, dropped %d (over %.1f ms)\n",
               swapsMs.size(), swapsMs.empty() ? 0.0 : swapsMs[0],
               swapsMs.size() < 2 ? 0.0 : swapsMs[1], Percentile(intervals, 0.5),
               Percentile(intervals, 0.99), dropped, 1.5 * kPeriodMs);
}

}  // namespace

extern "C" void SDL_GL_SwapWindow(void* window) {
  using TSwap = void (*)(void*);
  static const TSwap next = reinterpret_cast<TSwap>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
  next(window);
  swapLog.swapsMs.push_back(
      std::chrono::duration<double, std::milli>(TClock::now() - swapLog.loaded).count());
}

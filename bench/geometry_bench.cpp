// CPU cost of the particle and lens scenes. The *Recorded benchmarks compile
// the scene's GL calls into a display list, so they measure the maths and the
// call overhead without rasterising; the *Rendered ones draw on the offscreen
// rig with Mesa's software renderer and wait for it, for comparison.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <climits>

#include "assets/manifest.h"
#include "demo/demo.h"
#include "geometry/lens.h"
#include "geometry/particles.h"
#include "platform/graphics/gl.h"
#include "platform/offscreen/offscreen.h"
#include "scenes/scenes.h"

namespace {

constexpr GLuint kScratchList = 900;  // no list of the demo's uses this id

// A current context (opened once per process) and particles seeded from the
// asset pack; missing point files still give seven keys per particle.
bool Prepare() {
  static bool ready = false;
  if (ready) return true;
  if (!glGetString(GL_VERSION) && !OpenOffscreen(320, 240)) return false;
  ResizeProjection(320, 240);
  char previous[PATH_MAX];
  if (getcwd(previous, sizeof previous) && chdir(KELVANE_DATA_DIR) == 0) {
    SeedParticles();
    if (chdir(previous) != 0) return false;
  } else {
    SeedParticles();
  }
  ready = true;
  return true;
}

void SplineFrame(benchmark::State& state, int channels) {
  if (!Prepare()) return state.SkipWithError("no offscreen context");
  double kt = 1.0;
  for (auto _ : state) {
    for (TParticle& particle : particles) {
      particle.channelCount = channels;
      TVector p, q, r;
      particle.Evaluate(kt, p, q, r);
      benchmark::DoNotOptimize(p);
      benchmark::DoNotOptimize(r);
    }
    kt = kt < 5.0 ? kt + 0.001 : 1.0;
  }
}

// 2000 position splines, as in every frame after the first.
void BM_ParticleSplines(benchmark::State& state) { SplineFrame(state, 1); }
// All three channels, as in the first frame of the window.
void BM_ParticleSplinesFirstFrame(benchmark::State& state) { SplineFrame(state, 3); }

void BM_ParticleMorphRecorded(benchmark::State& state) {
  if (!Prepare()) return state.SkipWithError("no offscreen context");
  DemoTime = 450.0;
  for (auto _ : state) {
    glNewList(kScratchList, GL_COMPILE);
    TakeParticleJitter(450.0);
    ParticleMorph();
    glEndList();
  }
  glDeleteLists(kScratchList, 1);
}

void BM_ParticleMorphRendered(benchmark::State& state) {
  if (!Prepare()) return state.SkipWithError("no offscreen context");
  DemoTime = 450.0;
  for (auto _ : state) {
    TakeParticleJitter(450.0);
    ParticleMorph();
    glFinish();
  }
}

// One lens, recorded into its list exactly as LensBubbles records it.
void BM_LensRecorded(benchmark::State& state) {
  if (!Prepare()) return state.SkipWithError("no offscreen context");
  for (auto _ : state) {
    glNewList(kListLens, GL_COMPILE);
    glTranslatef(0.3f, -0.5f, 0);
    DrawLens(0.43, 0.47);
    glEndList();
  }
}

// The whole lens scene: backdrop, two lenses recorded and played back.
void BM_LensBubblesRendered(benchmark::State& state) {
  if (!Prepare()) return state.SkipWithError("no offscreen context");
  DemoTime = 1150.0;
  for (auto _ : state) {
    LensBubbles();
    glFinish();
  }
}

}  // namespace

BENCHMARK(BM_ParticleSplines)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParticleSplinesFirstFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParticleMorphRecorded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParticleMorphRendered)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LensRecorded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LensBubblesRendered)->Unit(benchmark::kMicrosecond);

// The flash guard against the master it guards: the song mixed and
// mastered by the generator, with and without the guard. The accents must
// reach the flash line by their own hits, so the guard may barely move the
// master's gain where they fall.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "assetgen/music.h"

namespace {

// Power of both sides over guard block b.
double BlockPower(const TStereo& bus, int b) {
  double power = 0.0;
  const int from = b * kGuardBlock, to = std::min(kSongFrames, from + kGuardBlock);
  for (int i = from; i < to; ++i) power += bus.left[i] * bus.left[i] + bus.right[i] * bus.right[i];
  return power;
}

TEST(MusicGuard, AccentsFlashByTheirOwnHits) {
  TStereo open, guarded;
  MixSong(&open);
  guarded = open;
  GuardSong(&guarded);
  // The guard's gain over a block, dB; 0 for a block too quiet to tell.
  auto gainDb = [&](int b) {
    const double before = BlockPower(open, b);
    return before < 1e-6 ? 0.0 : 10.0 * std::log10(BlockPower(guarded, b) / before);
  };
  constexpr int kAccentBlocks = 6;  // the blocks an accent may flash
  double largestMove = 0.0, largestStep = 0.0;
  int moveAt = 0, stepAt = 0;
  const std::vector<int> accents = SongAccents();
  for (int at : accents) {
    const int first = at / kGuardBlock;
    for (int b = first; b < first + kAccentBlocks; ++b) {
      if (std::fabs(gainDb(b)) > largestMove) largestMove = std::fabs(gainDb(b)), moveAt = at;
    }
    const int last = first + kAccentBlocks - 1;
    const double step = std::fabs(gainDb(last + 1) - gainDb(last));
    if (step > largestStep) largestStep = step, stepAt = at;
  }
  std::printf(
      "%zu accents: the guard moves the master by at most %.2f dB at an accent (beat %.2f), "
      "and by %.2f dB at an accent's end (beat %.2f)\n",
      accents.size(), largestMove, static_cast<double>(moveAt) / kBeatFrames, largestStep,
      static_cast<double>(stepAt) / kBeatFrames);
  EXPECT_LE(largestMove, 2.0);
  EXPECT_LE(largestStep, 1.5);
}

}  // namespace

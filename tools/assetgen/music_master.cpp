// The master: the bass and the music duck lightly under the kick, the
// buses meet in a gentle compressor and a touch of saturation, each section
// is set to its level in the song (a big moment's bar stepping back after
// its hit), the lowest octaves are folded to the middle and the quiet
// sections narrowed so that the song holds up in mono, and the whole is set
// to an integrated loudness of -22.5 LUFS. The band's body is then held
// block by block under RMS 0.085, a limiter at the flash meter's own block
// length, so that the grooves can be dense while only the accents flash;
// the accents (an impact and the section's chord struck an octave up, on a
// bus of their own, folded and narrowed like the band) go on top, and the
// true peak is held under -2 dBFS. The flash guard then (GuardSong, with
// the steps of music_mix.cpp) keeps every block that is not an accent under
// 0.09 and every accent under 0.245, and holds each accent that reaches the
// flash line over it for 5 blocks, 116 ms, so that no flash is a blip of a
// frame or two: a block that would fall just short is lifted to the line.
#include <cmath>
#include <utility>
#include <vector>

#include "assetgen/music.h"
#include "demo/timeline.h"

namespace {

constexpr double kLoudness = -22.5;    // LUFS, integrated
constexpr float kTruePeak = 0.794f;    // -2 dBFS, under the encoder's overshoot
constexpr int kAccentBlocks = 6;       // blocks an accent may flash, 116 to 139 ms
constexpr int kHeldBlocks = 5;         // an accent's flash lasts them: 116 ms, 6 frames at 60 fps
constexpr double kSideCutoff = 240.0;  // Hz: the side signal below it is removed
// The guard's lines, RMS 0..1, in per cent of the demo's flash level. The
// float sums give 0.09, 0.105 and 0.245 to the last bit.
constexpr float kQuietBlock = kFlashLevel * 90 / 100;   // every block but an accent stays under
constexpr float kBodyBlock = kFlashLevel * 85 / 100;    // the band alone, before the accents
constexpr float kFlashBlock = kFlashLevel * 105 / 100;  // an accent block must reach it to flash
constexpr float kLoudBlock = kFlashLevel * 245 / 100;   // no accent block goes over: grey 0.49

// The blocks of the flash meter that each accent may flash: the block the
// hit falls in and those after it. The particle scene's blocks are left to
// the music: the demo shows black there.
void AccentBlocks(std::vector<bool>* accent, std::vector<bool>* free) {
  const int blocks = kSongFrames / kGuardBlock + 1;
  accent->assign(blocks, false);
  free->assign(blocks, false);
  for (int at : SongAccents()) {
    const int first = at / kGuardBlock;
    for (int b = first; b < first + kAccentBlocks && b < blocks; ++b) (*accent)[b] = true;
  }
  const double framesPerUnit = kBeatFrames / kBeatUnits;
  for (int b = 0; b < blocks; ++b) {
    const double from = b * kGuardBlock / framesPerUnit, to = (b + 1) * kGuardBlock / framesPerUnit;
    // The demo never flashes strictly inside the particle scene's window.
    (*free)[b] = from > kFlashlessWindow.start && to < kFlashlessWindow.end;
  }
}

}  // namespace

void MixSong(TStereo* mix) {
  TSongBuses buses;
  for (TStereo* bus : {&buses.drums, &buses.kick, &buses.bass, &buses.music, &buses.accents})
    ClearStereo(bus);
  RenderSong(&buses);
  // The duck: 2 dB on the bass, 1.5 dB on the rest, back within 200 ms,
  // so that the band keeps its body between the kicks.
  Duck(&buses.bass, buses.kick, 0.3f, 2.0f, 0.2f);
  Duck(&buses.music, buses.kick, 0.3f, 1.5f, 0.2f);
  *mix = std::move(buses.drums);
  MixInto(buses.bass, mix, 1.0f);
  MixInto(buses.music, mix, 1.0f);
  BlockDc(mix);
  const float gain = NormaliseLoudness(mix, -16.0);
  Compress(mix, -17.0f, 2.0f, 0.01f, 0.15f);
  Saturate(mix, 1.5f);
  // The sections' faders and the accents come after the compressor, which
  // would otherwise flatten the song's shape and blunt the accents.
  ShapeSong(mix);
  FinishSong(mix);
  MonoBelow(mix, kSideCutoff);
  std::vector<float> width;
  SongWidth(&width);
  ScaleSide(mix, width);
  const float master = NormaliseLoudness(mix, kLoudness);
  // The band's body, block by block, held under the flash line: a limiter
  // at the meter's own block length, so that the grooves can be dense and
  // only the accents flash, the band's own crash and kick under them.
  std::vector<bool> accent, free;
  AccentBlocks(&accent, &free);
  GuardFlashes(mix, accent, {}, kBodyBlock, kFlashBlock, kLoudBlock);
  BlockDc(&buses.accents);
  MonoBelow(&buses.accents, kSideCutoff);
  ScaleSide(&buses.accents, width);
  MixInto(buses.accents, mix, gain * master);
  LimitPeaks(mix, kTruePeak);
}

void GuardSong(TStereo* mix) {
  std::vector<bool> accent, free;
  AccentBlocks(&accent, &free);
  GuardFlashes(mix, accent, free, kQuietBlock, kFlashBlock, kLoudBlock, kHeldBlocks);
}

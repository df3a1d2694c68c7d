// Writes "kel.mp3": renders the arrangement (music_score.cpp), mixes and
// masters it (music_mix.cpp) and encodes it with LAME, 192 kbit/s CBR joint
// stereo.
//
// The master: the bass and the music duck under the kick, the buses meet in
// a gentle compressor and a touch of saturation, the whole is set to an
// integrated loudness of -23.5 LUFS, its true peak held under -2 dBFS, and
// the flash guard makes the chosen accents the only blocks loud enough to
// flash the demo's background (music_mix.cpp).
//
// An MP3 encoder delays its output (576 frames for LAME) and a decoder adds
// its own delay (529), and the last frame is padded. The first frame of the
// file is LAME's Info tag, which records the delay and the padding; mpg123,
// SDL_mixer's MP3 decoder, reads it and trims both, so decoded frame 0 is
// the first frame rendered here and the beats land on demo time.
#include "assetgen/music.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "assetgen/assetgen.h"
#include "assets/manifest.h"
#include "demo/timeline.h"

namespace {

constexpr int kBitrate = 192;         // kbit/s
constexpr int kEncodeQuality = 3;     // LAME's 0 (best) .. 9 (fastest)
constexpr int kEncodeFrames = 16384;  // frames handed to LAME per call

constexpr double kLoudness = -23.5;    // LUFS, integrated
constexpr float kTruePeak = 0.794f;    // -2 dBFS, under the encoder's overshoot
constexpr float kQuietBlock = 0.08f;   // RMS every block but an accent stays under
constexpr float kFlashBlock = 0.105f;  // RMS an accent block reaches to flash
constexpr float kLoudBlock = 0.2f;     // RMS no accent block goes over
constexpr int kAccentBlocks = 5;       // blocks an accent may flash, 93 to 116 ms

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
  const double framesPerUnit = kBeatFrames / 5.0;
  for (int b = 0; b < blocks; ++b) {
    const double from = b * kGuardBlock / framesPerUnit, to = (b + 1) * kGuardBlock / framesPerUnit;
    // The demo never flashes strictly inside the particle scene's window.
    (*free)[b] = from > kFlashlessWindow.start && to < kFlashlessWindow.end;
  }
}

// The whole song as interleaved 16-bit stereo.
std::vector<int16_t> MasterSong() {
  TSongBuses buses;
  for (TStereo* bus : {&buses.drums, &buses.kick, &buses.bass, &buses.music}) ClearStereo(bus);
  RenderSong(&buses);
  // The duck: 5 dB on the bass, 3 dB on the rest, back within 200 ms.
  Duck(&buses.bass, buses.kick, 0.3f, 5.0f, 0.2f);
  Duck(&buses.music, buses.kick, 0.3f, 3.0f, 0.2f);
  TStereo& mix = buses.drums;
  MixInto(buses.bass, &mix, 1.0f);
  MixInto(buses.music, &mix, 1.0f);
  BlockDc(&mix);
  FinishSong(&mix);
  NormaliseLoudness(&mix, -16.0);
  Compress(&mix, -17.0f, 2.0f, 0.01f, 0.15f);
  Saturate(&mix, 1.5f);
  NormaliseLoudness(&mix, kLoudness);
  LimitPeaks(&mix, kTruePeak);
  std::vector<bool> accent, free;
  AccentBlocks(&accent, &free);
  GuardFlashes(&mix, accent, free, kQuietBlock, kFlashBlock, kLoudBlock);
  const float scale = 32767.0f;
  std::vector<int16_t> pcm(2 * static_cast<size_t>(kSongFrames));
  auto toInt = [scale](float x) {
    return static_cast<int16_t>(std::clamp(std::lrint(x * scale), -32767L, 32767L));
  };
  for (int i = 0; i < kSongFrames; ++i) {
    pcm[2 * i] = toInt(mix.left[i]);
    pcm[2 * i + 1] = toInt(mix.right[i]);
  }
  return pcm;
}

bool EncodeMp3(std::vector<int16_t>* pcm, std::vector<unsigned char>* mp3, std::string* why) {
  lame_global_flags* lame = lame_init();
  if (!lame) {
    *why = "LAME cannot be initialised";
    return false;
  }
  lame_set_num_channels(lame, 2);
  lame_set_in_samplerate(lame, kSongRate);
  lame_set_out_samplerate(lame, kSongRate);
  lame_set_mode(lame, JOINT_STEREO);
  lame_set_VBR(lame, vbr_off);
  lame_set_brate(lame, kBitrate);
  lame_set_quality(lame, kEncodeQuality);
  lame_set_bWriteVbrTag(lame, 1);
  lame_set_write_id3tag_automatic(lame, 0);
  if (lame_init_params(lame) < 0) {
    *why = "LAME rejects the encoding parameters";
    lame_close(lame);
    return false;
  }
  // LAME's own bound for one call's output.
  std::vector<unsigned char> chunk(kEncodeFrames * 5 / 4 + 7200);
  mp3->clear();
  bool ok = true;
  const int frames = static_cast<int>(pcm->size() / 2);
  for (int at = 0; at < frames && ok; at += kEncodeFrames) {
    const int count = std::min(kEncodeFrames, frames - at);
    const int bytes = lame_encode_buffer_interleaved(lame, pcm->data() + 2 * at, count,
                                                     chunk.data(), static_cast<int>(chunk.size()));
    ok = bytes >= 0;
    if (ok) mp3->insert(mp3->end(), chunk.begin(), chunk.begin() + bytes);
  }
  if (ok) {
    const int bytes = lame_encode_flush(lame, chunk.data(), static_cast<int>(chunk.size()));
    ok = bytes >= 0;
    if (ok) mp3->insert(mp3->end(), chunk.begin(), chunk.begin() + bytes);
  }
  if (!ok) *why = "LAME fails to encode";
  // The Info tag replaces the placeholder frame LAME wrote first.
  if (ok) {
    const size_t tag = lame_get_lametag_frame(lame, chunk.data(), chunk.size());
    ok = tag > 0 && tag <= mp3->size();
    if (ok) std::copy(chunk.begin(), chunk.begin() + tag, mp3->begin());
    if (!ok) *why = "LAME gives no Info tag";
  }
  lame_close(lame);
  return ok;
}

}  // namespace

std::vector<std::string> MusicFileNames() { return {kMusicFile}; }

// The music is one file, so `only` can only name it.
bool WriteMusic(const std::string& dir, const std::string& /*only*/) {
  const std::string path = dir + "/" + kMusicFile;
  std::vector<int16_t> pcm = MasterSong();
  std::vector<unsigned char> mp3;
  std::string why;
  if (!EncodeMp3(&pcm, &mp3, &why)) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), why.c_str());
    return false;
  }
  FILE* file = std::fopen(path.c_str(), "wb");
  bool ok = file && std::fwrite(mp3.data(), 1, mp3.size(), file) == mp3.size();
  if (file) ok = std::fclose(file) == 0 && ok;
  if (!ok) std::fprintf(stderr, "%s: cannot be written\n", path.c_str());
  return ok;
}

// Writes "kel.mp3": renders the song (music_arrange.cpp), mixes and
// masters it (music_master.cpp, with the steps of music_mix.cpp) and
// encodes it with LAME, 192 kbit/s CBR joint stereo.
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
#include "platform/files/regular_file.h"

namespace {

constexpr int kBitrate = 192;         // kbit/s
constexpr int kEncodeQuality = 3;     // LAME's 0 (best) .. 9 (fastest)
constexpr int kEncodeFrames = 16384;  // frames handed to LAME per call

// The whole song as interleaved 16-bit stereo.
std::vector<int16_t> MasterSong() {
  TStereo mix;
  MixSong(&mix);
  GuardSong(&mix);
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
  // Written whole, never through a link (regular_file.h).
  const bool ok = WriteFileWhole(
      path, [&](FILE* f) { return std::fwrite(mp3.data(), 1, mp3.size(), f) == mp3.size(); }, &why);
  if (!ok) std::fprintf(stderr, "kelvane-assetgen: %s\n", why.c_str());
  return ok;
}

// The player's music on SDL2_mixer's music hook. The mixer's thread calls
// StreamBlock once per block; the player's thread moves the stream with
// atomics, so neither ever waits for the other. A jump made while a block is
// being mixed wins: the block's own advance is dropped (compare-exchange).
#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/audio/level_meter.h"
#include "platform/audio/player_sound.h"
#include "platform/sdl/sdl_common.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

namespace {

// pcm is written once before the hook is set; the rest by both threads.
struct TMusicStream {
  const TPcm* pcm = nullptr;
  std::atomic<int64_t> frame{0};  // next sample frame to mix
  std::atomic<bool> paused{true};
  std::atomic<int64_t> blockFrame{-1};  // first frame of the last block mixed
  std::atomic<double> blockMs{0.0};     // SdlClockMs when it was mixed
  std::atomic<float> gain{1.0f};        // 0..1
};
TMusicStream stream;

void StreamBlock(void*, Uint8* out, int length) {
  const int64_t frames = length / (kMusicChannels * 2);
  int16_t* samples = reinterpret_cast<int16_t*>(out);
  if (stream.paused.load()) {
    std::memset(out, 0, static_cast<size_t>(length));
    return;
  }
  int64_t from = stream.frame.load();
  FillPlayerBlock(*stream.pcm, from, stream.gain.load(), samples, frames);
  if (stream.frame.compare_exchange_strong(from, from + frames)) {
    stream.blockFrame.store(from);
    stream.blockMs.store(SdlClockMs());
  }
}

}  // namespace

bool OpenPlayerSound(std::string* why) {
  // ALSA and PulseAudio print their own complaints while SDL probes them;
  // the reason SDL gives is the one line that matters.
  TQuietStderr quiet;
  return OpenSoundOutput(kMusicRate, 1, why);
}

bool OpenSilentPlayerSound() {
  SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
  std::string why;
  return OpenSoundOutput(kMusicRate, 1, &why);
}

void StartPlayerMusic(const TPcm* pcm) {
  stream.pcm = pcm;
  Mix_HookMusic(StreamBlock, nullptr);
}

void FillPlayerBlock(const TPcm& pcm, int64_t from, float gain, int16_t* out, int64_t frames) {
  std::memset(out, 0, static_cast<size_t>(frames) * kMusicChannels * 2);
  const int64_t have = static_cast<int64_t>(pcm.Frames());
  if (from < 0 || from >= have || gain <= 0.0f) return;
  const int64_t n = std::min(frames, have - from) * kMusicChannels;
  const int16_t* in = pcm.samples.data() + from * kMusicChannels;
  if (gain >= 1.0f) {
    std::memcpy(out, in, static_cast<size_t>(n) * 2);
    return;
  }
  for (int64_t i = 0; i < n; ++i) out[i] = static_cast<int16_t>(std::lround(in[i] * gain));
}

void SetPlayerMusicVolume(int percent, bool muted) {
  stream.gain.store(muted ? 0.0f : std::clamp(percent, 0, 100) / 100.0f);
}

float PlayerMusicGain() { return stream.gain.load(); }

void SetPlayerMusicPaused(bool paused) { stream.paused.store(paused); }

void SeekPlayerMusic(int64_t frame) {
  stream.frame.store(frame);
  stream.blockFrame.store(-1);
}

double PlayerMusicMs(double nowMs) {
  const int64_t block = stream.blockFrame.load();
  if (block < 0) return -1.0;
  const double blockLengthMs = 1000.0 * kMeterBlockFrames / kMusicRate;
  const double since = std::clamp(nowMs - stream.blockMs.load(), 0.0, blockLengthMs);
  return 1000.0 * static_cast<double>(block) / kMusicRate + since;
}

void LowerDecoderPriority(int nice) {
#ifdef _WIN32
  (void)nice;
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#else
  // On Linux a thread's nice value is its own.
  setpriority(PRIO_PROCESS, 0, nice);
#endif
}

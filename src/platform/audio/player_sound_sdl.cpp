// The player's music on SDL2_mixer's music hook. The mixer's thread calls
// StreamBlock once per block; the player's thread moves the stream with
// atomics, so neither ever waits for the other. A jump made while a block is
// being mixed wins: the block's own advance is dropped (compare-exchange).
#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
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
};
TMusicStream stream;

void StreamBlock(void*, Uint8* out, int length) {
  const int64_t frames = length / (kMusicChannels * 2);
  int16_t* samples = reinterpret_cast<int16_t*>(out);
  std::memset(out, 0, static_cast<size_t>(length));
  if (stream.paused.load()) return;
  int64_t from = stream.frame.load();
  const int64_t have = static_cast<int64_t>(stream.pcm->Frames());
  if (from < have) {
    const int64_t n = std::min(frames, have - from);
    std::memcpy(samples, stream.pcm->samples.data() + from * kMusicChannels,
                static_cast<size_t>(n) * kMusicChannels * 2);
  }
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

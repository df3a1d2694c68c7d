// The sound layer on SDL2_mixer. The music is decoded whole into a chunk in
// the output's own format (signed 16-bit stereo, 44.1 kHz) and played on a
// mixer channel; an effect on that channel measures each block as the mixer
// hands it to the output, so the level follows what is being played.
#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>
#include <cstring>

#include "platform/level_meter.h"
#include "platform/regular_file.h"
#include "platform/sound.h"

namespace {

constexpr int kMaxMeteredChannels = 32;
// Written by the mixer's thread (MeterBlock), read by the window's thread.
std::atomic<float> channelLevels[kMaxMeteredChannels];

void MeterBlock(int channel, void* stream, int length, void*) {
  if (channel < 0 || channel >= kMaxMeteredChannels) return;
  channelLevels[channel].store(
      RmsLevel(static_cast<const int16_t*>(stream), static_cast<size_t>(length) / 2),
      std::memory_order_relaxed);
}

bool OpenMixer(int mixRate, int maxChannels, std::string* error) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    if (error) *error = SDL_GetError();
    return false;
  }
  Mix_Init(MIX_INIT_MP3);
  // No format changes allowed: SDL converts to the device, so the decoded
  // PCM is always signed 16-bit stereo at mixRate.
  if (Mix_OpenAudioDevice(mixRate, AUDIO_S16SYS, kMusicChannels, kMeterBlockFrames, nullptr, 0) !=
      0) {
    if (error) *error = Mix_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  Mix_AllocateChannels(maxChannels);
  return true;
}

}  // namespace

bool OpenSoundOutput(int mixRate, int maxChannels, std::string* error) {
  return OpenMixer(mixRate, maxChannels, error);
}

namespace {

// The smallest MPEG audio frame (layer III, 8 kbit/s at 24 kHz) is 24 bytes.
// Shorter files are refused before the decoder sees them: SDL2_mixer leaks
// a stream on files under 12 bytes. Anything but a regular file (a FIFO,
// /dev/zero) is refused too, so loading cannot block or run forever.
constexpr int64_t kMinSoundFileBytes = 24;

Mix_Chunk* LoadChunk(const char* fileName) {
  const int64_t size = RegularFileSize(fileName);
  if (size < 0) {
    Mix_SetError("missing, or not a regular file");
    return nullptr;
  }
  if (size < kMinSoundFileBytes) {
    Mix_SetError("%d bytes, shorter than any MPEG audio frame", static_cast<int>(size));
    return nullptr;
  }
  return Mix_LoadWAV(fileName);
}

}  // namespace

void* LoadSoundSample(const char* fileName) { return LoadChunk(fileName); }

int PlaySoundSample(void* sample) {
  if (!sample) return -1;
  const int channel = Mix_PlayChannel(-1, static_cast<Mix_Chunk*>(sample), 0);
  if (channel >= 0) Mix_RegisterEffect(channel, MeterBlock, nullptr, nullptr);
  return channel;
}

float SoundChannelLevel(int channel) {
  if (channel < 0 || channel >= kMaxMeteredChannels || !Mix_Playing(channel)) return 0.0f;
  return channelLevels[channel].load(std::memory_order_relaxed);
}

bool DecodeSoundFile(const char* fileName, TPcm* pcm, std::string* error) {
  // Decoding needs an open mixer; without a sound device of our own, open
  // SDL's silent driver for the duration.
  const bool wasOpen = Mix_QuerySpec(nullptr, nullptr, nullptr) != 0;
  if (!wasOpen) {
    SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
    std::string why;
    if (!OpenMixer(kMusicRate, 1, &why)) {
      if (error) *error = std::string(fileName) + ": cannot open the decoder: " + why;
      return false;
    }
  }
  Mix_Chunk* chunk = LoadChunk(fileName);
  bool ok = chunk != nullptr;
  if (ok) {
    pcm->samples.assign(reinterpret_cast<const int16_t*>(chunk->abuf),
                        reinterpret_cast<const int16_t*>(chunk->abuf) + chunk->alen / 2);
    Mix_FreeChunk(chunk);
  } else if (error) {
    *error = std::string(fileName) + ": " + Mix_GetError();
  }
  if (!wasOpen) {
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  return ok;
}

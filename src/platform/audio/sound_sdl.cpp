// The sound layer on SDL2_mixer. The music is decoded whole into a chunk in
// the output's own format (signed 16-bit stereo, 44.1 kHz) and played on a
// mixer channel; an effect on that channel measures each block as the mixer
// hands it to the output, so the level follows what is being played.
#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/audio/level_meter.h"
#include "platform/audio/sound.h"
#include "platform/audio/sound_length.h"
#include "platform/files/regular_file.h"

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
// a stream on files under 12 bytes.
constexpr int64_t kMinSoundFileBytes = 24;

// Opens the music for decoding. The file is opened once, and every check is
// made on that open file: anything but a regular file (a FIFO, /dev/zero)
// is refused, so loading cannot block or run forever; so is anything but
// MPEG audio that SDL2_mixer reads as MP3 (its Ogg, FLAC and WAV readers
// would decode a file of any length whole), and music that would decode to
// more than kMaxMusicSeconds. The decoder then reads the
// same open file, so nothing can be swapped in between. Null, with the
// reason in *why, when the file is refused; *openError is then errno of the
// open (ENOENT missing, EINVAL not a regular file), or 0 when it opened.
// *gapless is what the encoder's tag says to trim (sound_length.h).
SDL_RWops* OpenMusic(const char* fileName, std::string* why, int* openError, TGapless* gapless) {
  const int fd = OpenRegularDescriptor(fileName);
  *openError = fd < 0 ? errno : 0;
  if (fd < 0) {
    *why = *openError == EINVAL ? "not a regular file" : std::strerror(*openError);
    return nullptr;
  }
  const int64_t size = DescriptorSize(fd);
  const std::string format = size < kMinSoundFileBytes ? "" : MpegAudioFormatProblem(fd, size);
  const int64_t ticks = size < kMinSoundFileBytes || !format.empty() ? 0 : MpegAudioTicks(fd, size);
  if (ticks > 0) *gapless = ReadGapless(fd, size);
  if (size < 0 || ticks < 0) {
    *why = std::strerror(errno);
  } else if (size < kMinSoundFileBytes) {
    *why = std::to_string(size) + " bytes, shorter than any MPEG audio frame";
  } else if (!format.empty()) {
    *why = format;
  } else if (ticks > kMaxMusicSeconds * kSoundTicksPerSecond) {
    *why = FormatPlayingTime(ticks) + " long, over the " + std::to_string(kMaxMusicSeconds / 60) +
           "-minute limit the demo decodes";
  } else if (FILE* file = DescriptorStream(fd)) {
    if (SDL_RWops* stream = SDL_RWFromFP(file, SDL_TRUE)) return stream;
    *why = SDL_GetError();
    std::fclose(file);
    return nullptr;
  } else {
    *why = std::strerror(errno);
  }
  CloseDescriptor(fd);
  return nullptr;
}

// Decodes the music whole, trimmed to the music's own samples; null, with
// the reason in *why, when it is refused or cannot be decoded.
Mix_Chunk* LoadChunk(const char* fileName, std::string* why, int* openError) {
  TGapless gapless;
  SDL_RWops* stream = OpenMusic(fileName, why, openError, &gapless);
  if (!stream) return nullptr;
  Mix_Chunk* chunk = Mix_LoadWAV_RW(stream, 1);
  if (!chunk) {
    *why = Mix_GetError();
    return nullptr;
  }
  constexpr Uint32 kFrameBytes = 2 * kMusicChannels;
  int64_t first, count;
  TrimGapless(gapless, chunk->alen / kFrameBytes, &first, &count);
  std::memmove(chunk->abuf, chunk->abuf + first * kFrameBytes, count * kFrameBytes);
  chunk->alen = static_cast<Uint32>(count * kFrameBytes);
  return chunk;
}

}  // namespace

void* LoadSoundSample(const char* fileName) {
  std::string why;
  int openError;
  Mix_Chunk* chunk = LoadChunk(fileName, &why, &openError);
  // Start-up already counts a file that is missing or not a regular file;
  // any other reason for the silence is said here.
  if (!chunk && openError != ENOENT && openError != EINVAL)
    std::fprintf(stderr, "kelvane: %s: %s\n", fileName, why.c_str());
  return chunk;
}

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
  std::string why;
  int openError;
  TGapless gapless;
  SDL_RWops* stream = OpenMusic(fileName, &why, &openError, &gapless);
  if (!stream) {
    if (error) *error = std::string(fileName) + (openError == ENOENT ? " is missing" : ": " + why);
    return false;
  }
  // Decoding needs an open mixer; without a sound device of our own, open
  // SDL's silent driver for the duration, whatever SDL_AUDIODRIVER names
  // (a driver that cannot open is no reason to decode nothing).
  const bool wasOpen = Mix_QuerySpec(nullptr, nullptr, nullptr) != 0;
  if (!wasOpen) {
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    if (!OpenMixer(kMusicRate, 1, &why)) {
      SDL_ResetHint(SDL_HINT_AUDIODRIVER);
      if (error) *error = std::string(fileName) + ": cannot open the decoder: " + why;
      SDL_RWclose(stream);
      return false;
    }
  }
  Mix_Chunk* chunk = Mix_LoadWAV_RW(stream, 1);
  const bool ok = chunk != nullptr;
  if (ok) {
    const int16_t* samples = reinterpret_cast<const int16_t*>(chunk->abuf);
    int64_t first, count;
    TrimGapless(gapless, chunk->alen / (2 * kMusicChannels), &first, &count);
    pcm->samples.assign(samples + first * kMusicChannels,
                        samples + (first + count) * kMusicChannels);
    Mix_FreeChunk(chunk);
  } else if (error) {
    *error = std::string(fileName) + ": " + Mix_GetError();
  }
  if (!wasOpen) {
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
  }
  return ok;
}

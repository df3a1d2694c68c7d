// kelvane-music-levels FILE: the music as SDL2_mixer's decoder hands it over
// and as the sound layer keeps it after the gapless trim, and the level the
// meter reads at demo times 800, 1000 and 1250 in each. Built for Linux
// (libmpg123) and Windows (dr_mp3), so tests/windows.cmake can compare the
// decoders.
#define SDL_MAIN_HANDLED  // a plain main on Windows too
#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>
#include <string>

#include "demo/demo.h"
#include "platform/audio/level_meter.h"
#include "platform/audio/sound.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kelvane-music-levels FILE\n");
    return 2;
  }
  TPcm trimmed;
  std::string error;
  if (!DecodeSoundFile(argv[1], &trimmed, &error)) {
    std::fprintf(stderr, "kelvane-music-levels: %s\n", error.c_str());
    return 1;
  }
  SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
  if (SDL_Init(SDL_INIT_AUDIO) != 0 ||
      Mix_OpenAudio(kMusicRate, AUDIO_S16SYS, kMusicChannels, kMeterBlockFrames) != 0) {
    std::fprintf(stderr, "kelvane-music-levels: %s\n", SDL_GetError());
    return 1;
  }
  Mix_Chunk* raw = Mix_LoadWAV(argv[1]);
  if (!raw) {
    std::fprintf(stderr, "kelvane-music-levels: %s: %s\n", argv[1], Mix_GetError());
    return 1;
  }
  const int16_t* rawPcm = reinterpret_cast<const int16_t*>(raw->abuf);
  const size_t rawFrames = raw->alen / (2 * kMusicChannels);
  std::printf("decoded %zu frames, kept %zu\n", rawFrames, trimmed.Frames());
  for (double d : {800.0, 1000.0, 1250.0}) {
    const double ms = d / kDemoUnitsPerMs;
    std::printf("level %.0f decoded %.3f kept %.3f\n", d, MusicLevelAt(rawPcm, rawFrames, ms),
                MusicLevelAt(trimmed.samples.data(), trimmed.Frames(), ms));
  }
  Mix_FreeChunk(raw);
  Mix_CloseAudio();
  SDL_Quit();
  return 0;
}

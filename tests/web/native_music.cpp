// The native side of the web page's sound test: decodes kel.mp3 as the
// capture does (SDL2_mixer, libmpg123), writes its PCM raw (16-bit stereo,
// little-endian) and prints the frame count and the meter's level at the
// moments given, as "FRAMES MS:LEVEL...".
//
//   native_music KEL.MP3 OUT.pcm MS...
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/audio/level_meter.h"
#include "platform/audio/sound.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: native_music KEL.MP3 OUT.pcm MS...\n");
    return 2;
  }
  TPcm pcm;
  std::string why;
  if (!DecodeSoundFile(argv[1], &pcm, &why)) {
    std::fprintf(stderr, "native_music: %s\n", why.c_str());
    return 1;
  }
  FILE* out = std::fopen(argv[2], "wb");
  if (!out || std::fwrite(pcm.samples.data(), 2, pcm.samples.size(), out) != pcm.samples.size() ||
      std::fclose(out) != 0) {
    std::fprintf(stderr, "native_music: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%zu", pcm.Frames());
  for (int i = 3; i < argc; ++i) {
    const double ms = std::atof(argv[i]);
    std::printf(" %g:%.9g", ms, MusicLevelAt(pcm.samples.data(), pcm.Frames(), ms));
  }
  std::printf("\n");
  return 0;
}

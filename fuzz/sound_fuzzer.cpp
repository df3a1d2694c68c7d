// Fuzzes the music's checks before decoding: the MPEG length scan and the
// format check, in memory and on an open file read in pieces, which must
// agree; a file the check takes starts as SDL2_mixer's MP3 reader wants.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/audio/sound_length.h"

namespace {
void Require(bool condition) {
  if (!condition) abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int64_t ticks = MpegAudioTicks(data, size);
  const std::string problem = MpegAudioFormatProblem(data, size);
  Require(ticks >= 0);
  if (problem.empty())
    Require(size >= 4 &&
            (std::memcmp(data, "ID3", 3) == 0 || (data[0] == 0xFF && (data[1] & 0xE6) == 0xE2)));
  const int fd = memfd_create("sound", 0);
  Require(fd >= 0);
  Require(write(fd, data, size) == static_cast<ssize_t>(size));
  Require(MpegAudioTicks(fd, static_cast<int64_t>(size)) == ticks);
  Require(MpegAudioFormatProblem(fd, static_cast<int64_t>(size)) == problem);
  close(fd);
  FormatPlayingTime(ticks);
  return 0;
}

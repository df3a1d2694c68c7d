// The level meter, the music's length read from its frame headers, and the
// sound layer's decoder.
#include "platform/audio/sound.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/audio/level_meter.h"
#include "platform/audio/sound_length.h"

TEST(LevelMeter, RmsOverBothChannelsAsAVuMeterReads) {
  const int16_t quiet[] = {0, 0, 0, 0};
  EXPECT_EQ(RmsLevel(quiet, 4), 0.0f);
  // sqrt((3^2 + 4^2 + 0 + 0) / 4) = 2.5: both channels count, and a peak
  // meter would read 4.
  const int16_t small[] = {3, -4, 0, 0};
  EXPECT_FLOAT_EQ(RmsLevel(small, 4), 2.5f / 32768.0f);
  // The largest sample throughout reads 1 exactly, with no overflow in the
  // sum of a whole block.
  const std::vector<int16_t> full(2 * kMeterBlockFrames, -32768);
  EXPECT_EQ(RmsLevel(full.data(), full.size()), 1.0f);
  // A full-scale sine on one channel and silence on the other: 0.5.
  std::vector<int16_t> sine(2 * 4410, 0);
  for (int i = 0; i < 4410; ++i) {
    sine[2 * i] = static_cast<int16_t>(std::lrint(32767.0 * std::sin(i * 2.0 * M_PI / 44.1)));
  }
  EXPECT_NEAR(RmsLevel(sine.data(), sine.size()), 0.5f, 1e-4f);
  EXPECT_EQ(RmsLevel(quiet, 0), 0.0f);
}

TEST(LevelMeter, MeasuresTheWholeBlockHoldingTheMoment) {
  // Three blocks of stereo frames at 10; one loud sample in the middle of
  // block 1, on the right channel.
  std::vector<int16_t> pcm(3 * kMeterBlockFrames * 2, 10);
  pcm[(kMeterBlockFrames + 500) * 2 + 1] = -16384;
  const double msPerFrame = 1000.0 / kMusicRate;
  const float loud =
      static_cast<float>(std::sqrt((2047.0 * 100 + 16384.0 * 16384) / 2048) / 32768.0);
  EXPECT_FLOAT_EQ(MusicLevelAt(pcm.data(), 3 * kMeterBlockFrames, 0.0), 10 / 32768.0f);
  // The first and last frames of block 1 both see the loud sample.
  EXPECT_FLOAT_EQ(
      MusicLevelAt(pcm.data(), 3 * kMeterBlockFrames, (kMeterBlockFrames + 0.5) * msPerFrame),
      loud);
  EXPECT_FLOAT_EQ(
      MusicLevelAt(pcm.data(), 3 * kMeterBlockFrames, (2 * kMeterBlockFrames - 0.5) * msPerFrame),
      loud);
  EXPECT_FLOAT_EQ(
      MusicLevelAt(pcm.data(), 3 * kMeterBlockFrames, (2 * kMeterBlockFrames + 0.5) * msPerFrame),
      10 / 32768.0f);
}

TEST(LevelMeter, SilentOutsideTheMusic) {
  std::vector<int16_t> pcm(1500 * 2, 30000);
  EXPECT_EQ(MusicLevelAt(pcm.data(), 1500, -1.0), 0.0f);
  EXPECT_EQ(MusicLevelAt(pcm.data(), 1500, 1500 * 1000.0 / kMusicRate + 0.1), 0.0f);
  EXPECT_EQ(MusicLevelAt(nullptr, 0, 10.0), 0.0f);
  // A short last block is measured over the frames it has.
  pcm[2 * 1499] = 0;
  EXPECT_FLOAT_EQ(MusicLevelAt(pcm.data(), 1500, 1400 * 1000.0 / kMusicRate),
                  static_cast<float>(std::sqrt(951.0 / 952.0) * 30000.0 / 32768.0));
}

namespace {
void PutLE(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xff);
}
}  // namespace

TEST(SoundDecoder, RefusesAnythingButMpegAudioBeforeDecoding) {
  // SDL2_mixer decodes a WAV, Ogg or FLAC file whole, however long: none
  // may reach it, whatever the file is called.
  std::string wav = "RIFF";
  PutLE(wav, 36 + 4000, 4);
  wav += "WAVEfmt ";
  for (uint32_t v : {16u, 0x20001u, 44100u, 176400u, 0x100004u}) PutLE(wav, v, 4);
  wav += "data";
  PutLE(wav, 4000, 4);
  wav.resize(wav.size() + 4000, '\0');
  const std::string path = testing::TempDir() + "kelvane-decode.mp3";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(wav.data(), 1, wav.size(), f);
  std::fclose(f);
  TPcm pcm;
  std::string error;
  EXPECT_FALSE(DecodeSoundFile(path.c_str(), &pcm, &error));
  EXPECT_EQ(error, path + ": a RIFF (WAV) file, not MPEG audio");
  EXPECT_TRUE(pcm.samples.empty());
  std::remove(path.c_str());
}

TEST(SoundDecoder, MissingFileIsReportedByName) {
  TPcm pcm;
  std::string error;
  EXPECT_FALSE(DecodeSoundFile("/nonexistent/kel.mp3", &pcm, &error));
  EXPECT_NE(error.find("/nonexistent/kel.mp3"), std::string::npos) << error;
  EXPECT_TRUE(pcm.samples.empty());
}

TEST(SoundDecoder, RefusesSpecialAndTooShortFilesBeforeDecoding) {
  // A FIFO would block, /dev/zero never ends, and a file shorter than an
  // MPEG frame leaks inside SDL2_mixer's loader: all refused up front.
  const std::string fifo = testing::TempDir() + "kelvane-fifo.mp3";
  const std::string tiny = testing::TempDir() + "kelvane-tiny.mp3";
  std::remove(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  FILE* f = std::fopen(tiny.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite("\xFF\xFB\x90\x64garbage", 1, 11, f);
  std::fclose(f);
  for (const std::string& path : {fifo, tiny, std::string("/dev/zero")}) {
    TPcm pcm;
    std::string error;
    EXPECT_FALSE(DecodeSoundFile(path.c_str(), &pcm, &error)) << path;
    EXPECT_NE(error.find(path), std::string::npos) << error;
  }
  std::remove(fifo.c_str());
  std::remove(tiny.c_str());
}

namespace {
// `count` frames: each the 4-byte header, then zeros (which hold no sync) up
// to `bytes`.
std::string Frames(const char* header, int bytes, int count) {
  std::string frame(header, 4);
  frame.resize(bytes, '\0');
  std::string frames;
  for (int i = 0; i < count; ++i) frames += frame;
  return frames;
}
const char kMpeg1[] = "\xFF\xFB\x90\x64";   // layer III, 128 kbit/s, 44.1 kHz: 417 bytes
const char kMpeg25[] = "\xFF\xE3\x18\xC4";  // layer III, 8 kbit/s, 8 kHz: 72 bytes
constexpr int64_t kMpeg1Ticks = 1152 * kSoundTicksPerSecond / 44100;
constexpr int64_t kMpeg25Ticks = 576 * kSoundTicksPerSecond / 8000;

int64_t Ticks(const std::string& bytes) {
  return MpegAudioTicks(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}
}  // namespace

TEST(SoundLength, AddsTheFramesOfMpeg1AndMpeg25) {
  EXPECT_EQ(Ticks(Frames(kMpeg1, 417, 5)), 5 * kMpeg1Ticks);
  EXPECT_EQ(Ticks(Frames(kMpeg25, 72, 7)), 7 * kMpeg25Ticks);
  // Bytes that are no header, between frames and after them, add nothing.
  EXPECT_EQ(Ticks(Frames(kMpeg1, 417, 2) + "no sync here" + Frames(kMpeg25, 72, 3) + "\xFF\x12"),
            2 * kMpeg1Ticks + 3 * kMpeg25Ticks);
  // A last frame cut short still counts; a header cut short does not.
  EXPECT_EQ(Ticks(Frames(kMpeg25, 72, 3) + Frames(kMpeg25, 30, 1)), 4 * kMpeg25Ticks);
  EXPECT_EQ(Ticks(Frames(kMpeg25, 72, 3) + "\xFF\xE3\x18"), 3 * kMpeg25Ticks);
  // A free-format header gives no length: one frame each, and the walk
  // steps on by a byte.
  EXPECT_EQ(Ticks(Frames("\xFF\xFB\x00\x64", 50, 3)), 3 * kMpeg1Ticks);
  EXPECT_EQ(Ticks(""), 0);
}

TEST(SoundLength, SkipsAnId3v2TagBySize) {
  // A 417-byte body (syncsafe 00 00 03 21) holding what looks like a frame.
  std::string tag = std::string("ID3\x04\x00\x00\x00\x00\x03\x21", 10) + Frames(kMpeg1, 417, 1);
  EXPECT_EQ(Ticks(tag + Frames(kMpeg25, 72, 4)), 4 * kMpeg25Ticks);
  // A tag claiming to run past the end of the file is not trusted.
  tag[8] = 0x7F;
  EXPECT_EQ(Ticks(tag + Frames(kMpeg25, 72, 4)), kMpeg1Ticks + 4 * kMpeg25Ticks);
}

TEST(SoundLength, AChanceSyncCannotHideTheFramesAfterIt) {
  // Garbage that reads as a 522-byte MPEG-2 frame, then ten real frames:
  // stepping over the false frame would miss eight of them, and a decoder
  // that rejects it plays all ten.
  EXPECT_EQ(Ticks(std::string("\xFF\xF3\xE0\x00", 4) + Frames(kMpeg25, 72, 10)), 10 * kMpeg25Ticks);
}

TEST(SoundLength, ReadsAnOpenFileInPiecesAsInMemory) {
  // 200 KB of frames behind a tag, so that headers straddle the pieces.
  const std::string bytes = std::string("ID3\x03\x00\x00\x00\x00\x00\x10", 10) +
                            std::string(16, 'x') + Frames(kMpeg1, 417, 300) +
                            Frames(kMpeg25, 72, 1000) + Frames(kMpeg1, 300, 1);
  const std::string path = testing::TempDir() + "kelvane-length.mp3";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  const int fd = open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(MpegAudioTicks(fd, bytes.size()), 301 * kMpeg1Ticks + 1000 * kMpeg25Ticks);
  EXPECT_EQ(Ticks(bytes), 301 * kMpeg1Ticks + 1000 * kMpeg25Ticks);
  EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 0);
  close(fd);
  std::remove(path.c_str());
}

namespace {
std::string Format(const std::string& bytes) {
  return MpegAudioFormatProblem(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}
}  // namespace

TEST(SoundFormat, TakesLayer3AtTheStartOrAfterAnId3Tag) {
  EXPECT_EQ(Format(Frames(kMpeg1, 417, 2)), "");
  EXPECT_EQ(Format(Frames(kMpeg25, 72, 2)), "");
  const std::string tag("ID3\x04\x00\x00\x00\x00\x00\x04xxxx", 14);
  EXPECT_EQ(Format(tag + Frames(kMpeg1, 417, 1)), "");
  EXPECT_EQ(Format(tag + "OggS" + Frames(kMpeg1, 417, 1)),
            "not MPEG audio (no MPEG audio frame after its ID3 tag)");
  EXPECT_EQ(Format("OggS" + Frames(kMpeg1, 417, 1)), "an Ogg stream, not MPEG audio");
  EXPECT_EQ(Format("fLaC" + Frames(kMpeg1, 417, 1)), "FLAC, not MPEG audio");
  // Layer II: SDL2_mixer would not take it for MP3.
  EXPECT_EQ(Format(Frames("\xFF\xFD\x90\x64", 417, 1)),
            "MPEG audio of another layer than III, not MP3");
  EXPECT_EQ(Format(" " + Frames(kMpeg1, 417, 1)),
            "not MPEG audio (no ID3 tag or MPEG audio frame at its start)");
  EXPECT_NE(Format(""), "");
}

TEST(SoundLength, SaysHowLongInHoursMinutesAndSeconds) {
  EXPECT_EQ(FormatPlayingTime(0), "0:00");
  EXPECT_EQ(FormatPlayingTime(125 * kSoundTicksPerSecond), "2:05");
  EXPECT_EQ(FormatPlayingTime(125 * kSoundTicksPerSecond + 1), "2:06");
  EXPECT_EQ(FormatPlayingTime(25203 * kSoundTicksPerSecond), "7:00:03");
}

TEST(SoundDecoder, RefusesMusicOverTheLimitBeforeDecoding) {
  // 21 minutes of 72 ms frames, 1.2 MB: refused by its length alone.
  const std::string path = testing::TempDir() + "kelvane-long.mp3";
  const std::string frames = Frames(kMpeg25, 72, 21 * 60 * 1000 / 72);
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(frames.data(), 1, frames.size(), f);
  std::fclose(f);
  TPcm pcm;
  std::string error;
  EXPECT_FALSE(DecodeSoundFile(path.c_str(), &pcm, &error));
  EXPECT_EQ(error, path + ": 21:00 long, over the 20-minute limit the demo decodes");
  EXPECT_TRUE(pcm.samples.empty());
  std::remove(path.c_str());
}

TEST(SoundGapless, ReadsTheLameTagOfTheMusic) {
  // kel.mp3 from LAME: 5138 frames of 1152 behind the Info frame, 576
  // samples of encoder delay and 900 of padding. A decoder that trims
  // nothing adds the Info frame, the delay and its own 529 at the start.
  const std::string music = std::string(KELVANE_DATA_DIR) + "/kel.mp3";
  const int fd = open(music.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0) << music;
  struct stat info;
  ASSERT_EQ(fstat(fd, &info), 0);
  const TGapless gapless = ReadGapless(fd, info.st_size);
  EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 0);
  close(fd);
  EXPECT_EQ(gapless.lead, 2257);
  EXPECT_EQ(gapless.tail, 371);
  EXPECT_EQ(gapless.musicFrames, 5138 * 1152 - 576 - 900);
  // libmpg123 trims by itself: the sound layer must not trim again.
  TPcm pcm;
  std::string error;
  ASSERT_TRUE(DecodeSoundFile(music.c_str(), &pcm, &error)) << error;
  EXPECT_EQ(static_cast<int64_t>(pcm.Frames()), gapless.musicFrames);
}

TEST(SoundGapless, TrimsWhatTheDecoderKept) {
  const TGapless gapless{1000, 2257, 371};
  int64_t first, count;
  TrimGapless(gapless, 1000 + 2257 + 371, &first, &count);  // trimmed nothing (dr_mp3)
  EXPECT_EQ(first, 2257);
  EXPECT_EQ(count, 1000);
  TrimGapless(gapless, 1000 + 1105 + 371, &first, &count);  // skipped the Info frame only
  EXPECT_EQ(first, 1105);
  EXPECT_EQ(count, 1000);
  TrimGapless(gapless, 1000, &first, &count);  // trimmed all (libmpg123)
  EXPECT_EQ(first, 0);
  EXPECT_EQ(count, 1000);
  TrimGapless(TGapless{}, 5000, &first, &count);  // no tag
  EXPECT_EQ(first, 0);
  EXPECT_EQ(count, 5000);
  // A tag that is not the file's: never more than lead and tail.
  const std::string noTag(2048, '\0');
  EXPECT_EQ(
      ReadGapless(reinterpret_cast<const unsigned char*>(noTag.data()), noTag.size()).musicFrames,
      -1);
  TrimGapless(gapless, 9000, &first, &count);
  EXPECT_EQ(first, 2257);
  EXPECT_EQ(count, 9000 - 2257 - 371);
}

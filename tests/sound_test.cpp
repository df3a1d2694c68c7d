// The level meter and the sound layer's decoder.
#include "platform/sound.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/level_meter.h"

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

TEST(SoundDecoder, DecodesAFileToThePcmTheDemoPlays) {
  // A 16-bit stereo WAV at the output rate: decoding must hand back exactly
  // its samples, so the capture tool's sound equals the demo's.
  std::vector<int16_t> samples;
  for (int i = 0; i < 4410; ++i) {
    samples.push_back(static_cast<int16_t>((i * 37) % 20000 - 10000));
    samples.push_back(static_cast<int16_t>(-(i * 11) % 15000));
  }
  std::string wav = "RIFF";
  PutLE(wav, 36 + samples.size() * 2, 4);
  wav += "WAVEfmt ";
  PutLE(wav, 16, 4);
  PutLE(wav, 1, 2);
  PutLE(wav, 2, 2);
  PutLE(wav, kMusicRate, 4);
  PutLE(wav, kMusicRate * 4, 4);
  PutLE(wav, 4, 2);
  PutLE(wav, 16, 2);
  wav += "data";
  PutLE(wav, samples.size() * 2, 4);
  for (int16_t s : samples) PutLE(wav, static_cast<uint16_t>(s), 2);
  const std::string path = testing::TempDir() + "kelvane-decode.wav";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(wav.data(), 1, wav.size(), f);
  std::fclose(f);

  TPcm pcm;
  std::string error;
  ASSERT_TRUE(DecodeSoundFile(path.c_str(), &pcm, &error)) << error;
  EXPECT_EQ(pcm.Frames(), 4410u);
  EXPECT_EQ(pcm.samples, samples);
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

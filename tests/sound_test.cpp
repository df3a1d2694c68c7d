// The level meter and the sound layer's decoder.
#include "shell/sound.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "shell/level_meter.h"

TEST(LevelMeter, PeakOfAbsoluteValuesOverBothChannels) {
  const int16_t quiet[] = {0, 0, 0, 0};
  EXPECT_EQ(PeakLevel(quiet, 4), 0.0f);
  const int16_t block[] = {100, -200, 16384, -3};
  EXPECT_EQ(PeakLevel(block, 4), 0.5f);
  const int16_t negative[] = {-32768, 32767};
  EXPECT_EQ(PeakLevel(negative, 2), 1.0f);
  EXPECT_EQ(PeakLevel(negative + 1, 1), 32767.0f / 32768.0f);
}

TEST(LevelMeter, MeasuresTheWholeBlockHoldingTheMoment) {
  // Three blocks of stereo frames; one loud sample in the middle of block 1,
  // on the right channel.
  std::vector<int16_t> pcm(3 * kMeterBlockFrames * 2, 10);
  pcm[(kMeterBlockFrames + 500) * 2 + 1] = -16384;
  const double msPerFrame = 1000.0 / kMusicRate;
  EXPECT_FLOAT_EQ(MusicLevelAt(pcm.data(), 3 * kMeterBlockFrames, 0.0), 10 / 32768.0f);
  // The first and last frames of block 1 both see its peak.
  EXPECT_EQ(MusicLevelAt(pcm.data(), 3 * kMeterBlockFrames, (kMeterBlockFrames + 0.5) * msPerFrame),
            0.5f);
  EXPECT_EQ(
      MusicLevelAt(pcm.data(), 3 * kMeterBlockFrames, (2 * kMeterBlockFrames - 0.5) * msPerFrame),
      0.5f);
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
  EXPECT_GT(MusicLevelAt(pcm.data(), 1500, 1400 * 1000.0 / kMusicRate), 0.9f);
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

// TParticle::Evaluate on its own: the channels it writes, and a particle
// without keys.
#include <gtest/gtest.h>

#include "geometry/particles.h"
#include "geometry/vector.h"

TEST(ParticleEvaluate, ChannelCountSelectsTheSplinesWritten) {
  TParticle particle;
  particle.Reset();
  for (int k = 0; k < kParticleKeys; ++k)
    particle.AddKeyframe(TVector(k, 0, 0), TVector(0, k, 0), TVector(0, 0, k));
  particle.SetKeyCount(kParticleKeys);
  const TVector mark(-9, -9, -9);
  for (int channels : {1, 2, 3}) {
    SCOPED_TRACE(channels);
    particle.channelCount = channels;
    TVector out0 = mark, out1 = mark, out2 = mark;
    particle.Evaluate(3.0, out0, out1, out2);
    EXPECT_EQ(out0.GetX(), 3.0);  // channel 0 always
    // Channel 2 from two channels on, channel 1 only with all three.
    EXPECT_EQ(out2.GetZ(), channels > 1 ? 3.0 : -9.0);
    EXPECT_EQ(out2.GetX(), channels > 1 ? 0.0 : -9.0);
    EXPECT_EQ(out1.GetY(), channels > 2 ? 3.0 : -9.0);
  }
  // Key count, not list size: with 4 keys, t = 5 is key 1.
  particle.SetKeyCount(4);
  TVector out0, out1, out2;
  particle.Evaluate(5.0, out0, out1, out2);
  EXPECT_EQ(out0.GetX(), 1.0);
}

TEST(ParticleEvaluate, AnUnseededParticleLeavesTheOutputsAlone) {
  TParticle particle;  // no keys, key count 0
  TVector out0(1, 2, 3), out1, out2;
  particle.Evaluate(2.5, out0, out1, out2);
  EXPECT_EQ(out0.GetY(), 2.0);
  particle.Reset();
  particle.SetKeyCount(7);  // more keys than the lists hold
  particle.Evaluate(2.5, out0, out1, out2);
  EXPECT_EQ(out0.GetZ(), 3.0);
  EXPECT_FALSE(out1.IsDefined());
}

// The 2000-particle morph: every particle follows its own cyclic spline
// through seven keys (two on a sphere, two on a cube, three on a cluster of
// blobs), seeded once at start-up from three point files and drawn by the
// scene ParticleMorph (declared with the other scenes in scenes/scenes.h).
#pragma once

#include "geometry/vector.h"

constexpr int kParticleCount = 2000;
// Channel 0 holds the position keys; channels 1 and 2 carry one zero key per
// position key and are interpolated alongside until the first frame.
constexpr int kParticleChannels = 3;
// Keys per channel once seeded: 2 sphere, 2 cube, 3 blob keys.
constexpr int kParticleKeys = 7;

struct TParticle {
  TKeyList keys[kParticleChannels];
  int channelCount = 0;  // channels Evaluate interpolates: 3 after Reset, 1 once drawn
  int keyCount = 0;      // keys the spline cycles over: 7 once seeded

  // channelCount 3 and all three channels emptied (2, then 1, then 0).
  void Reset();
  // Appends a to channel 0, b to channel 1 and c to channel 2.
  void AddKeyframe(const TVector& a, const TVector& b, const TVector& c);
  void SetKeyCount(int n);
  // The splines at keyframe time t (>= 0): channel 0 into out0, then channel
  // 2 into out2 if channelCount > 1, then channel 1 into out1 if
  // channelCount > 2. Outputs not written keep what the caller put in them,
  // and so do all three when the particle holds fewer than keyCount keys.
  void Evaluate(double t, TVector& out0, TVector& out1, TVector& out2) const;
};

// Written by SeedParticles at start-up; afterwards only ParticleMorph touches
// them (it lowers channelCount to 1).
extern TParticle particles[kParticleCount];

// Seeds every particle's seven keys from the point files of kPointAssets
// (assets/manifest.h), read from the working directory (the fifth step of
// LoadDemo).
void SeedParticles();

// The particles and their seeding.
//
// Seeding reads each point file once into one static corner array and adds
// one key per pass: particle j takes the first corner of face j, and every
// particle past the file's face count takes the file's pad point (corner C
// of face 1). The array is never cleared between files, so a file with fewer
// than two faces pads with what an earlier file left in face 1, and a file
// that cannot be read seeds from whatever the array holds.
#include "geometry/particles.h"

#include <cstddef>

#include "assets/asc_mesh.h"
#include "assets/manifest.h"

TParticle particles[kParticleCount];

namespace {

// Seeding state, written only by SeedParticles: the corners of the last
// point file read and its face count (0 before the first file).
float seedCorners[kPointFloats];
int seedFaceCount = 0;

// The pad point: floats 15 to 17, corner C of face record 1.
const int kPadPoint = 15;

TVector CornerPoint(int first) {
  return TVector(seedCorners[first], seedCorners[first + 1], seedCorners[first + 2]);
}

// One key for every particle from the corner array as it stands now.
void SeedPass() {
  int n = seedFaceCount;
  if (n < 0) n = 0;
  if (n > kParticleCount) n = kParticleCount;
  const TVector zero(0, 0, 0);
  for (int j = 0; j < n; ++j) particles[j].AddKeyframe(CornerPoint(9 * j), zero, zero);
  const TVector pad = CornerPoint(kPadPoint);
  for (int j = n; j < kParticleCount; ++j) particles[j].AddKeyframe(pad, zero, zero);
}

}  // namespace

void TParticle::Reset() {
  channelCount = kParticleChannels;
  for (int c = kParticleChannels - 1; c >= 0; --c) keys[c].clear();
}

void TParticle::AddKeyframe(const TVector& a, const TVector& b, const TVector& c) {
  keys[0].push_back(a);
  keys[1].push_back(b);
  keys[2].push_back(c);
}

void TParticle::SetKeyCount(int n) { keyCount = n; }

void TParticle::Evaluate(double t, TVector& out0, TVector& out1, TVector& out2) const {
  const std::size_t need = static_cast<std::size_t>(keyCount);
  if (keyCount < 1 || keys[0].size() < need) return;
  const long k = static_cast<long>(t);
  const double f = t - static_cast<double>(k);
  out0 = InterpolateSegment(keys[0], keyCount, k, f);
  if (channelCount > 1 && keys[2].size() >= need)
    out2 = InterpolateSegment(keys[2], keyCount, k, f);
  if (channelCount > 2 && keys[1].size() >= need)
    out1 = InterpolateSegment(keys[1], keyCount, k, f);
}

void SeedParticles() {
  for (TParticle& particle : particles) particle.Reset();
  for (const TPointAsset& file : kPointAssets) {
    ReadAscPoints(file.file, seedCorners, &seedFaceCount);
    for (int pass = 0; pass < file.passes; ++pass) SeedPass();
  }
  for (TParticle& particle : particles) particle.SetKeyCount(kParticleKeys);
}

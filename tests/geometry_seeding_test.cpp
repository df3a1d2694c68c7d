// The particle seeding: key order, pad points and the corner array carried
// from one point file to the next, from small point files written here.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "geometry/particles.h"
#include "scene_fixture.h"

namespace {

typedef std::array<float, 3> TPoint;
struct TFace {
  TPoint a, b, c;
};

// Writes an ASC file of one object whose faces have their own three vertices
// each. Two extra vertices at (-1, -1, -1) and (1, 1, 1) pin the bounding
// box, so fitting to the cube leaves every position as written (all points
// must lie within the cube). Points are given in the stored axis order
// (x, y, z); the file carries them as X = x, Y = z, Z = y.
void WritePointFile(const std::string& path, const std::vector<TFace>& faces) {
  FILE* f = std::fopen(path.c_str(), "w");
  ASSERT_NE(f, nullptr) << path;
  const size_t vertexCount = faces.size() * 3 + 2;
  std::fprintf(f, "Ambient light color: Red=0.3 Green=0.3 Blue=0.3\n\n");
  std::fprintf(f, "Named object: \"points\"\nTri-mesh, Vertices: %zu     Faces: %zu\n", vertexCount,
               faces.size());
  std::fprintf(f, "Vertex list:\n");
  size_t index = 0;
  auto vertex = [&](const TPoint& p) {
    std::fprintf(f, "Vertex %zu:  X:%.9g     Y:%.9g     Z:%.9g\n", index++, p[0], p[2], p[1]);
  };
  for (const TFace& face : faces) {
    vertex(face.a);
    vertex(face.b);
    vertex(face.c);
  }
  vertex({-1, -1, -1});
  vertex({1, 1, 1});
  std::fprintf(f, "Face list:\n");
  for (size_t j = 0; j < faces.size(); ++j) {
    std::fprintf(f, "Face %zu:    A:%zu B:%zu C:%zu AB:1 BC:1 CA:1\n", j, 3 * j, 3 * j + 1,
                 3 * j + 2);
    std::fprintf(f, "Smoothing:  1\n");
  }
  std::fclose(f);
}

// n faces whose corners are all different and tell file, face and corner
// apart: multiples of 1/4096, exact in a float and in a decimal file.
std::vector<TFace> MarkedFaces(int n, int file) {
  std::vector<TFace> faces;
  for (int j = 0; j < n; ++j) {
    const float u = (j % 64) / 64.0f, v = (j / 64) / 64.0f, w = file / 8.0f;
    faces.push_back(TFace{{u, v, w}, {-u, v, -w}, {u / 2, -v, w + 1 / 4096.0f}});
  }
  return faces;
}

void ExpectKey(const TVector& key, const TPoint& p, const char* what) {
  EXPECT_TRUE(key.IsGeneral()) << what;
  EXPECT_EQ(key.GetX(), p[0]) << what;
  EXPECT_EQ(key.GetY(), p[1]) << what;
  EXPECT_EQ(key.GetZ(), p[2]) << what;
}

// Runs each test in a fresh temporary directory and seeds the particles
// from the asset pack again afterwards.
class Seeding : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getcwd(previous_, sizeof previous_), nullptr);
    char pattern[] = "/tmp/kelvane-seeding-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ASSERT_EQ(chdir(dir_.c_str()), 0);
  }
  void TearDown() override {
    EXPECT_EQ(chdir(previous_), 0);
    for (const char* name : {"sphere.asc", "cube.asc", "trailblobs.asc"})
      std::remove((dir_ + "/" + name).c_str());
    rmdir(dir_.c_str());
    ReseedFromAssetPack();
  }
  void Write(const char* name, const std::vector<TFace>& faces) { WritePointFile(name, faces); }

  char previous_[PATH_MAX];
  std::string dir_;
};

}  // namespace

TEST_F(Seeding, KeysInFileOrderWithPadPoints) {
  const auto sphere = MarkedFaces(5, 1), cube = MarkedFaces(12, 2), blobs = MarkedFaces(300, 3);
  Write("sphere.asc", sphere);
  Write("cube.asc", cube);
  Write("trailblobs.asc", blobs);
  SeedParticles();

  for (int j : {0, 3, 4, 5, 11, 12, 299, 300, 1999}) {
    const TParticle& particle = particles[j];
    EXPECT_EQ(particle.keyCount, kParticleKeys);
    EXPECT_EQ(particle.channelCount, 3);
    for (int c = 0; c < kParticleChannels; ++c) ASSERT_EQ(particle.keys[c].size(), 7u) << j;
    // Below the face count the first corner of face j, from there the pad
    // point: corner C of face 1.
    const TPoint s = j < 5 ? sphere[j].a : sphere[1].c;
    const TPoint c = j < 12 ? cube[j].a : cube[1].c;
    const TPoint b = j < 300 ? blobs[j].a : blobs[1].c;
    const TPoint expected[7] = {s, s, c, c, b, b, b};
    for (int k = 0; k < 7; ++k) {
      SCOPED_TRACE("particle " + std::to_string(j) + " key " + std::to_string(k));
      ExpectKey(particle.keys[0][k], expected[k], "position");
      ExpectKey(particle.keys[1][k], {0, 0, 0}, "channel 1");
      ExpectKey(particle.keys[2][k], {0, 0, 0}, "channel 2");
    }
  }
}

TEST_F(Seeding, AFullFileUsesNoPadPoint) {
  const auto sphere = MarkedFaces(kParticleCount, 1);
  Write("sphere.asc", sphere);
  Write("cube.asc", MarkedFaces(3, 2));
  Write("trailblobs.asc", MarkedFaces(3, 3));
  SeedParticles();
  for (int j = 0; j < kParticleCount; ++j) {
    ASSERT_EQ(particles[j].keys[0][0].GetX(), sphere[j].a[0]) << j;
    ASSERT_EQ(particles[j].keys[0][1].GetY(), sphere[j].a[1]) << j;
    ASSERT_EQ(particles[j].keys[0][1].GetZ(), sphere[j].a[2]) << j;
  }
}

TEST_F(Seeding, ASingleFaceFilePadsWithWhatAnEarlierFileLeftInFaceOne) {
  const auto sphere = MarkedFaces(3, 1), cube = MarkedFaces(1, 2), blobs = MarkedFaces(40, 3);
  Write("sphere.asc", sphere);
  Write("cube.asc", cube);
  Write("trailblobs.asc", blobs);
  SeedParticles();
  ExpectKey(particles[0].keys[0][2], cube[0].a, "cube face 0");
  ExpectKey(particles[0].keys[0][3], cube[0].a, "cube face 0");
  for (int j : {1, 2, 1999}) {
    ExpectKey(particles[j].keys[0][2], sphere[1].c, "sphere's face 1 as the cube's pad");
    ExpectKey(particles[j].keys[0][3], sphere[1].c, "sphere's face 1 as the cube's pad");
  }
  ExpectKey(particles[1999].keys[0][6], blobs[1].c, "blob pad");
}

TEST_F(Seeding, AnUnreadableFileSeedsFromWhatTheArrayHolds) {
  const auto cube = MarkedFaces(20, 2);
  Write("sphere.asc", MarkedFaces(10, 1));
  Write("cube.asc", cube);
  // No "trailblobs.asc": its three keys repeat the cube's points.
  SeedParticles();
  for (int j : {0, 19, 20, 1999}) {
    const TPoint expected = j < 20 ? cube[j].a : cube[1].c;
    for (int k = 2; k < 7; ++k) ExpectKey(particles[j].keys[0][k], expected, "cube point");
  }
}

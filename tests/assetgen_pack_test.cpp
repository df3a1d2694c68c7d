// The generated asset pack in the build's data folder: every picture is a
// 24-bit bottom-up BMP of its designed size that the demo's reader takes;
// the pictures added to black fade to black at their borders; the meshes are
// closed (the point files' point faces aside), face outwards in the demo's
// space, and the three point files seed all 2000 particles from first
// corners that are nearly all distinct and keep their direction from shape
// to shape.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "assets/asc_mesh.h"
#include "assets/bitmap.h"

namespace {

std::string PackFile(const char* name) { return std::string(KELVANE_DATA_DIR) + "/" + name; }

struct TPictureSize {
  const char* name;
  int width, height;
};

const TPictureSize kPictures[] = {
    {"log2.bmp", 512, 512},        {"kel.bmp", 512, 512},      {"log1.bmp", 1024, 256},
    {"image8.bmp", 512, 256},      {"image10.bmp", 512, 256},  {"image3.bmp", 512, 256},
    {"mortak.bmp", 512, 512},      {"vantoril.bmp", 512, 512}, {"image4.bmp", 64, 64},
    {"spheremap.bmp", 512, 512},   {"blob2.bmp", 64, 64},      {"trail.bmp", 256, 128},
    {"image6.bmp", 512, 512},      {"image11.bmp", 1024, 512}, {"trumpet.bmp", 256, 256},
    {"trumpetalpha.bmp", 256, 256}};

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  return bytes;
}

// The picture as the demo converts it: RGB rows, bottom row first.
struct TRgbImage {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* At(int x, int row) const {
    return &rgb[(static_cast<size_t>(row) * width + x) * 3];
  }
};

TRgbImage LoadRgb(const char* name) {
  TBitmap bitmap;
  TRgbImage image;
  if (!ReadBitmap(PackFile(name).c_str(), &bitmap)) return image;
  image.width = BitmapWidth(bitmap);
  image.height = BitmapRows(bitmap);
  image.rgb = BitmapToRGB(bitmap);
  return image;
}

bool PowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

TEST(AssetPackPictures, EveryFileIsA24BitBottomUpBitmapOfItsDesignedSize) {
  for (const TPictureSize& p : kPictures) {
    SCOPED_TRACE(p.name);
    const std::vector<uint8_t> bytes = FileBytes(PackFile(p.name));
    ASSERT_GE(bytes.size(), 54u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(Le32(bytes, 2), bytes.size());
    const uint32_t offBits = Le32(bytes, 10);
    EXPECT_EQ(static_cast<int32_t>(Le32(bytes, 18)), p.width);
    EXPECT_EQ(static_cast<int32_t>(Le32(bytes, 22)), p.height);  // positive: bottom-up
    EXPECT_EQ(bytes[28] | bytes[29] << 8, 24);
    EXPECT_EQ(Le32(bytes, 30), 0u);  // uncompressed
    EXPECT_EQ(bytes.size(), offBits + 3u * p.width * p.height);
    EXPECT_TRUE(PowerOfTwo(p.width) && PowerOfTwo(p.height));
    EXPECT_EQ(p.width % 4, 0);

    TBitmap bitmap;
    ASSERT_TRUE(ReadBitmap(PackFile(p.name).c_str(), &bitmap));
    EXPECT_TRUE(BitmapConvertible(bitmap));
    EXPECT_EQ(BitmapWidth(bitmap), p.width);
    EXPECT_EQ(BitmapHeight(bitmap), p.height);
  }
}

TEST(AssetPackPictures, AdditivePicturesFadeToBlackAtTheirBorders) {
  for (const char* name : {"log2.bmp", "kel.bmp", "log1.bmp", "trail.bmp", "blob2.bmp"}) {
    SCOPED_TRACE(name);
    const TRgbImage image = LoadRgb(name);
    ASSERT_GT(image.width, 0);
    int brightest = 0;
    for (int x = 0; x < image.width; ++x) {
      for (int row : {0, image.height - 1})
        brightest =
            std::max({brightest, +image.At(x, row)[0], +image.At(x, row)[1], +image.At(x, row)[2]});
    }
    for (int row = 0; row < image.height; ++row) {
      for (int x : {0, image.width - 1})
        brightest =
            std::max({brightest, +image.At(x, row)[0], +image.At(x, row)[1], +image.At(x, row)[2]});
    }
    EXPECT_LE(brightest, 2);
  }
}

TEST(AssetPackPictures, ParticleSpriteIsABrightPointInAFaintGlow) {
  const TRgbImage blob = LoadRgb("blob2.bmp");
  ASSERT_EQ(blob.width, 64);
  EXPECT_GE(blob.At(32, 32)[0], 180);
  // Two thousand sprites overlap about twenty deep: each must add little
  // light on average, or the cloud saturates into a white disc.
  double sum = 0;
  for (uint8_t v : blob.rgb) sum += v;
  EXPECT_LT(sum / blob.rgb.size(), 12.0);
}

TEST(AssetPackPictures, RowsAreStoredBottomUp) {
  // The settling picture has warm dark ground at the bottom, blue night
  // sky at the top.
  const TRgbImage image = LoadRgb("vantoril.bmp");
  ASSERT_EQ(image.height, 512);
  const uint8_t* bottom = image.At(4, 0);
  const uint8_t* top = image.At(4, image.height - 1);
  EXPECT_GT(bottom[0], bottom[2]);
  EXPECT_GT(top[2], top[0]);
}

TEST(AssetPackPictures, TrumpetAlphaIsGreyAndCutsOutTheShape) {
  const TRgbImage alpha = LoadRgb("trumpetalpha.bmp");
  const TRgbImage colour = LoadRgb("trumpet.bmp");
  ASSERT_EQ(alpha.width, colour.width);
  ASSERT_EQ(alpha.height, colour.height);
  int opaque = 0;
  for (size_t i = 0; i < alpha.rgb.size(); i += 3) {
    ASSERT_EQ(alpha.rgb[i], alpha.rgb[i + 1]);
    ASSERT_EQ(alpha.rgb[i], alpha.rgb[i + 2]);
    opaque += alpha.rgb[i] == 255;
  }
  for (int corner : {0, alpha.width - 1}) {
    EXPECT_EQ(alpha.At(corner, 0)[0], 0);
    EXPECT_EQ(alpha.At(corner, alpha.height - 1)[0], 0);
  }
  const double share = static_cast<double>(opaque) / (alpha.width * alpha.height);
  EXPECT_GT(share, 0.03);
  EXPECT_LT(share, 0.25);
}

TEST(AssetPackPictures, TrumpetLeavesAClearMarginInItsCard) {
  // The ring of seven sprites turns around the models: the trumpet spans
  // only about 60 % of its card, so that the ring leaves them visible.
  const TRgbImage alpha = LoadRgb("trumpetalpha.bmp");
  ASSERT_GT(alpha.width, 0);
  int first = alpha.width, last = -1;
  for (int row = 0; row < alpha.height; ++row) {
    for (int x = 0; x < alpha.width; ++x) {
      if (alpha.At(x, row)[0] == 0) continue;
      first = std::min(first, x);
      last = std::max(last, x);
    }
  }
  ASSERT_GE(last, first);
  const double span = static_cast<double>(last - first + 1) / alpha.width;
  EXPECT_GT(span, 0.55);
  EXPECT_LT(span, 0.68);
}

TEST(AssetPackPictures, ModelBackdropStaysDarkForTheWireframes) {
  // Lit enough to read as a room behind the models, dark enough that the
  // pure green, red and blue wires stand out: mean 0..255 over all channels.
  const TRgbImage image = LoadRgb("image6.bmp");
  ASSERT_GT(image.width, 0);
  double sum = 0;
  for (uint8_t v : image.rgb) sum += v;
  EXPECT_GT(sum / image.rgb.size(), 40.0);
  EXPECT_LT(sum / image.rgb.size(), 85.0);
}

TEST(AssetPackPictures, TileIsPixelArtWithASmallPalette) {
  const TRgbImage image = LoadRgb("image4.bmp");
  ASSERT_EQ(image.width, 64);
  std::set<uint32_t> colours;
  for (size_t i = 0; i < image.rgb.size(); i += 3) {
    colours.insert(image.rgb[i] << 16 | image.rgb[i + 1] << 8 | image.rgb[i + 2]);
  }
  EXPECT_GE(colours.size(), 8u);
  EXPECT_LE(colours.size(), 32u);
}

// The faces of an ASC file as written: vertex count and index triples.
struct TAscFaces {
  int vertices = 0;
  std::vector<std::array<int, 3>> faces;
};

TAscFaces ReadFaces(const char* name) {
  TAscFaces out;
  std::FILE* f = std::fopen(PackFile(name).c_str(), "r");
  if (!f) return out;
  char line[256];
  while (std::fgets(line, sizeof line, f)) {
    const char* v = std::strstr(line, "Vertices:");
    if (std::strstr(line, "Tri-mesh") && v) out.vertices = std::atoi(v + 9);
    int index, a, b, c;
    if (std::sscanf(line, "Face %d: A:%d B:%d C:%d", &index, &a, &b, &c) == 4) {
      out.faces.push_back({a, b, c});
    }
  }
  std::fclose(f);
  return out;
}

// A point face: all three corners at one vertex (zero area, no edges). The
// point files carry them to seed particles beyond their surface's corners.
bool IsPointFace(const std::array<int, 3>& f) { return f[0] == f[1] && f[1] == f[2]; }

TEST(AssetPackMeshes, EveryMeshIsClosedAndConsistentlyWound) {
  for (const char* name : {"duck.asc", "sphere.asc", "cube.asc", "trailblobs.asc"}) {
    SCOPED_TRACE(name);
    const TAscFaces mesh = ReadFaces(name);
    ASSERT_FALSE(mesh.faces.empty());
    // Every directed edge of the surface once, and its reverse once: each
    // edge joins exactly two faces that agree on their winding. A point
    // face's vertex belongs to that face alone.
    std::map<std::pair<int, int>, int> directed;
    std::vector<int> uses(mesh.vertices, 0);
    std::vector<char> point(mesh.vertices, 0);
    for (const auto& f : mesh.faces) {
      for (int c : f) ASSERT_TRUE(c >= 0 && c < mesh.vertices);
      if (IsPointFace(f)) {
        point[f[0]] = 1;
        ++uses[f[0]];
        continue;
      }
      for (int e = 0; e < 3; ++e) {
        ++directed[{f[e], f[(e + 1) % 3]}];
        if (f[e] != f[(e + 1) % 3]) ++uses[f[e]];
      }
    }
    int unmatched = 0, shared = 0;
    for (const auto& [edge, count] : directed) {
      if (count != 1 || edge.first == edge.second || directed.count({edge.second, edge.first}) == 0)
        ++unmatched;
    }
    for (int v = 0; v < mesh.vertices; ++v) shared += point[v] && uses[v] != 1;
    EXPECT_EQ(unmatched, 0);
    EXPECT_EQ(shared, 0);
  }
}

struct TCorners {
  std::vector<float> xyz = std::vector<float>(kPointFloats, 0.0f);
  int count = 0;
  int result = 0;
  const float* First(int face) const { return &xyz[9 * face]; }
};

TCorners ReadCorners(const char* name) {
  TCorners c;
  c.result = ReadAscPoints(PackFile(name).c_str(), c.xyz.data(), &c.count);
  return c;
}

TEST(AssetPackMeshes, DuckLoadsWithItsFaceCount) {
  // Coarse enough for an open wireframe at the window's size.
  const TCorners duck = ReadCorners("duck.asc");
  EXPECT_EQ(duck.result, 1);
  EXPECT_GE(duck.count, 120);
  EXPECT_LE(duck.count, 300);
}

TEST(AssetPackMeshes, PointFilesGiveEveryParticleAFaceOfItsOwn) {
  for (const char* name : {"sphere.asc", "cube.asc", "trailblobs.asc"}) {
    SCOPED_TRACE(name);
    const TCorners c = ReadCorners(name);
    EXPECT_EQ(c.result, 1);
    EXPECT_EQ(c.count, kMaxPointFaces);  // no particle falls back to the pad point
    // Spread: nearly every particle has a point of its own, and no more
    // than three share one.
    std::map<std::array<float, 3>, int> seen;
    int most = 0;
    for (int j = 0; j < c.count; ++j) {
      const float* p = c.First(j);
      most = std::max(most, ++seen[{p[0], p[1], p[2]}]);
    }
    EXPECT_LE(most, 3);
    EXPECT_GE(seen.size(), 1800u);
  }
}

TEST(AssetPackMeshes, FacesPointOutwardsInTheDemosSpace) {
  for (const char* name : {"sphere.asc", "cube.asc"}) {
    SCOPED_TRACE(name);
    const TCorners c = ReadCorners(name);
    ASSERT_EQ(c.result, 1);
    int inward = 0;
    for (int j = 0; j < c.count; ++j) {
      const float* a = &c.xyz[9 * j];
      const float* b = a + 3;
      const float* d = a + 6;
      // The reader's face normal: (A - B) x (A - C).
      const float e1[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
      const float e2[3] = {a[0] - d[0], a[1] - d[1], a[2] - d[2]};
      const float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                          e1[0] * e2[1] - e1[1] * e2[0]};
      const float centre[3] = {(a[0] + b[0] + d[0]) / 3, (a[1] + b[1] + d[1]) / 3,
                               (a[2] + b[2] + d[2]) / 3};
      // Point faces have no area and no normal to check.
      if (n[0] == 0 && n[1] == 0 && n[2] == 0 && a[0] == b[0] && a[1] == b[1] && a[2] == b[2] &&
          a[0] == d[0] && a[1] == d[1] && a[2] == d[2])
        continue;
      inward += n[0] * centre[0] + n[1] * centre[1] + n[2] * centre[2] <= 0;
    }
    EXPECT_EQ(inward, 0);
  }
}

TEST(AssetPackMeshes, SphereCornersLieOnTheFittedUnitSphere) {
  const TCorners c = ReadCorners("sphere.asc");
  ASSERT_EQ(c.result, 1);
  for (int j = 0; j < c.count; ++j) {
    const float* p = c.First(j);
    const float r = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    ASSERT_GT(r, 0.97f) << "face " << j;
    ASSERT_LT(r, 1.0005f) << "face " << j;
  }
}

// Mean angle, in degrees, between the directions of particle j's points in
// two shapes: about 90 for an unrelated order.
double MeanTurn(const TCorners& from, const TCorners& to) {
  double sum = 0;
  for (int j = 0; j < kMaxPointFaces; ++j) {
    const float* p = from.First(j);
    const float* q = to.First(j);
    const double dot = p[0] * q[0] + p[1] * q[1] + p[2] * q[2];
    const double lp = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    const double lq = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]);
    sum += std::acos(std::clamp(dot / (lp * lq), -1.0, 1.0)) * 180.0 / 3.14159265358979;
  }
  return sum / kMaxPointFaces;
}

TEST(AssetPackMeshes, MorphMovesEachParticleOnlyAShortWay) {
  const TCorners sphere = ReadCorners("sphere.asc");
  const TCorners cube = ReadCorners("cube.asc");
  const TCorners blobs = ReadCorners("trailblobs.asc");
  ASSERT_EQ(sphere.result + cube.result + blobs.result, 3);
  EXPECT_LT(MeanTurn(sphere, cube), 25.0);
  // The blobs crowd their points into lobes, so their directions match
  // the cube's less closely; still far from an unrelated order.
  EXPECT_LT(MeanTurn(cube, blobs), 45.0);
}

}  // namespace

// The generator's building blocks, run directly: the BMP writer against the
// demo's own reader, the area resampler, and the mesh steps (cube grid,
// refinement, first-corner balancing, ordering by direction, surface nets,
// the ASC writer against the demo's point extractor).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "assetgen/mesh_build.h"
#include "assetgen/raster.h"
#include "assets/asc_mesh.h"
#include "assets/bitmap.h"

namespace {

std::string Scratch(const char* name) {
  return std::string(KELVANE_BINARY_DIR) + "/assetgen_build_test_" + name;
}

TEST(AssetgenBmp, WrittenRowsComeBackBottomRowFirstThroughTheDemosReader) {
  TCanvas c = MakeCanvas(4, 2);
  for (int x = 0; x < 4; ++x) {
    c.At(x, 0) = {x / 3.0f, 0, 1};  // top row
    c.At(x, 1) = {0, 1, x / 3.0f};  // bottom row
  }
  const std::string path = Scratch("rows.bmp");
  ASSERT_TRUE(WriteBmp(path, c));
  TBitmap bitmap;
  ASSERT_TRUE(ReadBitmap(path.c_str(), &bitmap));
  std::remove(path.c_str());
  ASSERT_EQ(BitmapWidth(bitmap), 4);
  ASSERT_EQ(BitmapHeight(bitmap), 2);
  const std::vector<uint8_t> rgb = BitmapToRGB(bitmap);
  ASSERT_EQ(rgb.size(), 24u);
  // Row 0 of the texture is the picture's bottom row.
  const uint8_t expected[24] = {0, 255, 0,   0,  255, 85,  0,   255, 170, 0,   255, 255,
                                0, 0,   255, 85, 0,   255, 170, 0,   255, 255, 0,   255};
  for (int i = 0; i < 24; ++i) EXPECT_EQ(rgb[i], expected[i]) << "byte " << i;
}

TEST(AssetgenBmp, RefusesAWidthThatRowsWouldHaveToPad) {
  EXPECT_FALSE(WriteBmp(Scratch("odd.bmp"), MakeCanvas(6, 2)));
}

TEST(AssetgenRaster, ResampleAveragesAreas) {
  TCanvas c = MakeCanvas(3, 1);
  c.At(0, 0) = {0.0f, 0, 0};
  c.At(1, 0) = {0.6f, 0, 0};
  c.At(2, 0) = {0.9f, 0, 0};
  const TCanvas half = Resample(c, 2, 1);  // each output pixel covers 1.5 inputs
  EXPECT_NEAR(half.At(0, 0).r, (0.0f + 0.6f * 0.5f) / 1.5f, 1e-6);
  EXPECT_NEAR(half.At(1, 0).r, (0.6f * 0.5f + 0.9f) / 1.5f, 1e-6);
  const TCanvas flat = Resample(MakeCanvas(7, 5, {0.25f, 0.5f, 0.75f}), 4, 4);
  for (const TColor& p : flat.px) EXPECT_NEAR(p.g, 0.5f, 1e-6);
}

TEST(AssetgenMesh, CubeGridIsClosedWithSharedEdges) {
  const TMesh cube = MakeCubeGrid(3);
  EXPECT_EQ(cube.faces.size(), 108u);
  EXPECT_EQ(cube.vertices.size(), 56u);  // 8 corners, 12 x 2 on edges, 6 x 4 inside sides
  EXPECT_TRUE(IsClosedManifold(cube));
}

TEST(AssetgenMesh, RefinementReachesTheExactCountAndStaysClosed) {
  TMesh cube = MakeCubeGrid(4);  // 192 faces
  RefineToFaceCount(cube, 250, [](const TPoint& p) { return p; });
  EXPECT_EQ(cube.faces.size(), 250u);
  EXPECT_TRUE(IsClosedManifold(cube));
  for (const TPoint& p : cube.vertices) {
    const double m = std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
    EXPECT_NEAR(m, 1.0, 1e-12);  // new vertices stay on the cube's sides
  }
}

TEST(AssetgenMesh, BalancingSpreadsFirstCornersAndKeepsTheWinding) {
  TMesh sphere = MakeIcosphere(2);  // 320 faces, 162 vertices
  BalanceFirstCorners(sphere);
  EXPECT_TRUE(IsClosedManifold(sphere));
  std::map<int, int> load;
  for (const TFace& f : sphere.faces) ++load[f.a];
  int most = 0;
  for (const auto& [v, n] : load) most = std::max(most, n);
  EXPECT_LE(most, 3);
  EXPECT_GE(load.size(), 150u);
}

TEST(AssetgenMesh, OrderingRunsFromBottomToTopAndKeepsEveryFace) {
  TMesh sphere = MakeIcosphere(3);
  std::vector<TFace> before = sphere.faces;
  OrderFacesByDirection(sphere);
  ASSERT_EQ(sphere.faces.size(), before.size());
  auto z = [&](size_t i) { return sphere.vertices[sphere.faces[i].a].z; };
  const size_t band = sphere.faces.size() / 25;
  for (size_t i = 0; i < band; ++i) EXPECT_LT(z(i), -0.6);
  for (size_t i = sphere.faces.size() - band; i < sphere.faces.size(); ++i) EXPECT_GT(z(i), 0.6);
  auto key = [](const TFace& f) { return std::vector<int>{f.a, f.b, f.c}; };
  std::vector<std::vector<int>> a, b;
  for (const TFace& f : before) a.push_back(key(f));
  for (const TFace& f : sphere.faces) b.push_back(key(f));
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  EXPECT_EQ(a, b);
}

TEST(AssetgenMesh, SurfaceNetsCloseASphereFacingOutwards) {
  const TField ball = [](const TPoint& p) {
    return std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z) - 0.8;
  };
  const TMesh m = PolygoniseField(ball, {-1, -1, -1}, {1, 1, 1}, 0.1);
  ASSERT_GT(m.faces.size(), 100u);
  EXPECT_TRUE(IsClosedManifold(m));
  double volume = 0;  // signed, positive when the faces wind outwards
  for (const TFace& f : m.faces) {
    const TPoint& a = m.vertices[f.a];
    const TPoint& b = m.vertices[f.b];
    const TPoint& c = m.vertices[f.c];
    volume += (a.x * (b.y * c.z - b.z * c.y) - a.y * (b.x * c.z - b.z * c.x) +
               a.z * (b.x * c.y - b.y * c.x)) /
              6.0;
  }
  EXPECT_NEAR(volume, 4.0 / 3.0 * 3.14159265 * 0.512, 0.1);
}

TEST(AssetgenMesh, AscFileReadsBackThroughTheDemosExtractorMirrored) {
  TMesh m = MakeCubeGrid(2);                                      // 48 faces
  for (TPoint& p : m.vertices) p = {p.x * 0.5, p.y * 0.25, p.z};  // longest side: file Z
  const std::string path = Scratch("box.asc");
  ASSERT_TRUE(WriteAsc(path, "box", m));
  std::vector<float> corners(kPointFloats, 0.0f);
  int count = 0;
  ASSERT_EQ(ReadAscPoints(path.c_str(), corners.data(), &count), 1);
  std::remove(path.c_str());
  ASSERT_EQ(count, 48);
  // The reader stores (X, Z, Y) and fits the longest side to 2: face j's
  // first corner is the file's vertex f.a with its Y and Z swapped.
  for (int j = 0; j < count; ++j) {
    const TPoint& p = m.vertices[m.faces[j].a];
    EXPECT_NEAR(corners[9 * j + 0], p.x, 1e-5);
    EXPECT_NEAR(corners[9 * j + 1], p.z, 1e-5);
    EXPECT_NEAR(corners[9 * j + 2], p.y, 1e-5);
  }
}

}  // namespace

// The .asc parser, its fit and normals, the linear smoothing against the
// pairwise reference, and the point extractor, on files written here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "asset_support.h"
#include "assets/asc_mesh.h"
#include "assets/asc_parser.h"

namespace {

struct TObjectCopy {
  std::vector<float> vertices, normals, stream;
  std::vector<int32_t> faces;
};

bool CollectObject(const TAscObject& object, void* context) {
  auto* objects = static_cast<std::vector<TObjectCopy>*>(context);
  TObjectCopy copy;
  copy.vertices.assign(object.vertices, object.vertices + 3 * object.vertexCount);
  copy.faces.assign(object.faces, object.faces + 3 * object.faceCount);
  copy.normals.assign(object.faceNormals, object.faceNormals + 3 * object.faceCount);
  copy.stream.resize(static_cast<size_t>(kStreamFloatsPerFace) * object.faceCount);
  BuildTriangleStream(object, 1.0, copy.stream.data());
  objects->push_back(copy);
  return true;
}

int Parse(const std::string& text, std::vector<TObjectCopy>* objects, TAscStop* stop = nullptr) {
  const std::string path = WriteScratchFile("parse.asc", text);
  return ParseAscFile(path.c_str(), CollectObject, objects, stop);
}

// A triangle object; corners are "X:.. Y:.. Z:.." texts.
std::string Triangle(const char* a, const char* b, const char* c) {
  return std::string("Tri-mesh, Vertices: 3     Faces: 1\n") + "Vertex 0:  " + a + "\n" +
         "Vertex 1:  " + b + "\n" + "Vertex 2:  " + c + "\n" + "Face 0:    A:0 B:1 C:2\n" +
         "Smoothing:  1\n";
}

const std::string kPlainTriangle = Triangle("X:1 Y:0 Z:0", "X:0 Y:1 Z:0", "X:-1 Y:-1 Z:0");

// Twelve triangles over the eight corners of a cube (file coordinates +-1).
std::string CubeAsc() {
  std::string text = "Tri-mesh, Vertices: 8     Faces: 12\n";
  static const int kFaces[12][3] = {{0, 2, 3}, {3, 1, 0}, {4, 5, 7}, {7, 6, 4},
                                    {0, 1, 5}, {5, 4, 0}, {1, 3, 7}, {7, 5, 1},
                                    {3, 2, 6}, {6, 7, 3}, {2, 0, 4}, {4, 6, 2}};
  char line[100];
  for (int i = 0; i < 8; ++i) {
    std::snprintf(line, sizeof line, "Vertex %d:  X:%d Y:%d Z:%d\n", i, i & 1 ? 1 : -1,
                  i & 2 ? 1 : -1, i & 4 ? 1 : -1);
    text += line;
  }
  for (int j = 0; j < 12; ++j) {
    std::snprintf(line, sizeof line, "Face %d:  A:%d B:%d C:%d AB:1 BC:1 CA:0\nSmoothing: 1\n", j,
                  kFaces[j][0], kFaces[j][1], kFaces[j][2]);
    text += line;
  }
  return text;
}

void ExpectSameFloats(const std::vector<float>& a, const std::vector<float>& b) {
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(float)), 0);
}

// The stream the mesh reader would hand to GL, built from the reference sums.
std::vector<float> ReferenceStream(const TObjectCopy& o) {
  const TAscObject object = {static_cast<int>(o.vertices.size() / 3),
                             static_cast<int>(o.faces.size() / 3), o.vertices.data(),
                             o.faces.data(), o.normals.data()};
  std::vector<double> sums(9 * o.faces.size() / 3);
  ReferenceCornerNormals(object, sums.data());
  std::vector<float> stream;
  for (size_t j = 0; j < o.faces.size() / 3; ++j) {
    for (int c = 0; c < 3; ++c) {
      for (int k = 0; k < 3; ++k) stream.push_back(static_cast<float>(sums[9 * j + 3 * c + k]));
      for (int k = 0; k < 3; ++k) stream.push_back(o.vertices[3 * o.faces[3 * j + c] + k]);
    }
  }
  return stream;
}

}  // namespace

TEST(FindToken, ReturnsTheIndexPastTheFirstOccurrence) {
  EXPECT_EQ(FindToken("Vertex 10:  X:1", "X:", 0), 14);
  EXPECT_EQ(FindToken("A:1 B:2 AB:1", "B:", 4), 6);
  EXPECT_EQ(FindToken("A:1 B:2 AB:1", "B:", 6), 11);
  EXPECT_EQ(FindToken("A:1", "B:", 0), -1);
  EXPECT_EQ(FindToken("X:", "X:", 3), -1);  // start past the end
  EXPECT_EQ(FindToken("X:", "X:", -1), -1);
  EXPECT_EQ(FindToken("x:1", "X:", 0), -1);  // case-sensitive
}

TEST(FindToken, VertexOneDoesNotMatchVertexTen) {
  EXPECT_EQ(FindToken("Vertex 10:  X:1", "Vertex 1:", 0), -1);
  EXPECT_EQ(FindToken("Vertex 1:  X:1", "Vertex 1:", 0), 9);
}

TEST(FitVerticesToCube, UsesTheSumOfAbsoluteExtents) {
  // x spans -2 to 6 (extent 8, centre 2); y and z stay smaller.
  float v[] = {-2, 0, 0, 6, 1, -1, 0, -1, 1};
  FitVerticesToCube(v, 3);
  EXPECT_EQ(v[0], -1.0f);
  EXPECT_EQ(v[3], 1.0f);
  EXPECT_EQ(v[6], (0.0f - 2.0f) * 0.25f);
  EXPECT_EQ(v[4], 0.25f);  // y centre 0, same factor

  // x spans 1 to 3: the extent counts as 4, not 2.
  float w[] = {1, 0, 0, 3, 0.5f, 0.5f};
  FitVerticesToCube(w, 2);
  EXPECT_EQ(w[0], -0.5f);
  EXPECT_EQ(w[3], 0.5f);
}

TEST(FitVerticesToCube, AllVerticesAtOnePointOnlyRecentre) {
  float v[] = {3, -4, 5, 3, -4, 5};
  FitVerticesToCube(v, 2);
  for (float c : v) EXPECT_EQ(c, 0.0f);
}

TEST(FaceNormal, UnitNormalAndZeroForADegenerateFace) {
  const float v[] = {0, 0, 0, 2, 0, 0, 0, 3, 0, 5, 5, 5};
  const int32_t face[] = {0, 1, 2};
  float n[3];
  FaceNormal(v, face, n);
  // (A - B) x (A - C) = (-2, 0, 0) x (0, -3, 0) = (0, 0, 6).
  EXPECT_EQ(n[0], 0.0f);
  EXPECT_EQ(n[1], 0.0f);
  EXPECT_EQ(n[2], 1.0f);
  const int32_t degenerate[] = {3, 3, 3};
  FaceNormal(v, degenerate, n);
  for (float c : n) EXPECT_EQ(c, 0.0f);
}

TEST(AscParser, SwapsTheFileYAndZAxes) {
  // Chosen so that the fit is the identity: centre 0, longest extent 2 (x).
  std::vector<TObjectCopy> objects;
  ASSERT_EQ(Parse(Triangle("X:1 Y:0.5 Z:-0.25", "X:-1 Y:-0.5 Z:0.25", "X:0 Y:0 Z:0"), &objects), 1);
  ASSERT_EQ(objects.size(), 1u);
  const std::vector<float>& v = objects[0].vertices;
  EXPECT_EQ(v[0], 1.0f);
  EXPECT_EQ(v[1], -0.25f);  // file Z
  EXPECT_EQ(v[2], 0.5f);    // file Y
}

TEST(AscParser, MatchesVertexLinesByExactIndex) {
  const std::string text =
      "Tri-mesh, Vertices: 3 Faces: 1\n"
      "Vertex 0: X:-1 Y:0 Z:0\n"
      "Vertex 10: X:0.5 Y:0 Z:0\n"  // not vertex 1
      "Vertex 1: X:1 Y:0 Z:0\n"
      "Vertex 2: X:0 Y:0 Z:1\n"
      "Face 0: A:0 B:1 C:2\nMaterial:\"x\"\n";
  std::vector<TObjectCopy> objects;
  ASSERT_EQ(Parse(text, &objects), 1);
  EXPECT_EQ(objects[0].vertices[3], 1.0f);
}

TEST(AscParser, SearchesTheFirstFaceFromTheLastVertexLine) {
  const std::string text =
      "Tri-mesh, Vertices: 3 Faces: 2\n"
      "Vertex 0: X:-1 Y:0 Z:0\nVertex 1: X:1 Y:0 Z:0\n"
      "Vertex 2: X:0 Y:1 Z:0 Face 0: A:0 B:1 C:2\n"
      "Smoothing: 1 Face 1: A:2 B:1 C:0\n"
      "Material:\"x\"\n";
  std::vector<TObjectCopy> objects;
  ASSERT_EQ(Parse(text, &objects), 1);
  EXPECT_EQ(objects[0].faces, (std::vector<int32_t>{0, 1, 2, 2, 1, 0}));
}

TEST(AscParser, FaceEndSearchReadsPastFaceLines) {
  // Face 1's line stands where face 0 still waits for its end line, so it is
  // skipped and the read runs out of file.
  const std::string text =
      "Tri-mesh, Vertices: 3 Faces: 2\n"
      "Vertex 0: X:-1 Y:0 Z:0\nVertex 1: X:1 Y:0 Z:0\nVertex 2: X:0 Y:1 Z:0\n"
      "Face 0: A:0 B:1 C:2\n"
      "Face 1: A:2 B:1 C:0\n"
      "Smoothing: 1\n";
  std::vector<TObjectCopy> objects;
  EXPECT_EQ(Parse(text, &objects), -1);
  EXPECT_TRUE(objects.empty());
}

TEST(AscParser, UnterminatedLastLineIsTheEndOfTheFile) {
  std::string text = kPlainTriangle;
  std::vector<TObjectCopy> objects;
  ASSERT_EQ(Parse(text, &objects), 1);
  text.pop_back();  // the face's "Smoothing:" line loses its newline
  objects.clear();
  EXPECT_EQ(Parse(text, &objects), -1);
  EXPECT_TRUE(objects.empty());
}

TEST(AscParser, LongLinesArriveInPartsOf255) {
  // "Tri-mesh" straddles the end of the first 255-character part.
  const std::string body = kPlainTriangle.substr(kPlainTriangle.find('\n'));
  std::vector<TObjectCopy> objects;
  EXPECT_EQ(Parse(std::string(250, ' ') + "Tri-mesh, Vertices: 3 Faces: 1" + body, &objects), -1);
  EXPECT_EQ(Parse(std::string(220, ' ') + "Tri-mesh, Vertices: 3 Faces: 1" + body, &objects), 1);
  // A token in the second part of a long line is still found.
  EXPECT_EQ(Parse(std::string(300, ' ') + "Tri-mesh, Vertices: 3 Faces: 1" + body, &objects), 1);
}

TEST(AscParser, ReadsMaterialBlocksAndSeveralObjects) {
  const std::string material =
      "MaterialEXT: 0\n  ambient 0.1, 0.1, 0.1\n  diffuse 0.5, 0.5, 0.5\n"
      "  specular 0.9, 0.9, 0.9\n  shininess 10\n";
  const std::string second = Triangle("X:4 Y:4 Z:4", "X:4 Y:5 Z:4", "X:5 Y:4 Z:4");
  std::vector<TObjectCopy> objects;
  TAscStop stop;
  ASSERT_EQ(Parse(material + kPlainTriangle + material + second, &objects, &stop), 1);
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(stop.why, nullptr);
  // The second object is fitted on its own: x spans 4 to 5, extent 9.
  EXPECT_EQ(objects[1].vertices[0], (4.0f - 4.5f) * (2.0f / 9.0f));

  objects.clear();
  EXPECT_EQ(Parse(material + material, &objects), -1);  // no Tri-mesh
  std::string broken = material;
  broken.replace(broken.find("diffuse"), 7, "diffuze");
  EXPECT_EQ(Parse(broken + kPlainTriangle, &objects), -1);
  EXPECT_TRUE(objects.empty());
  EXPECT_EQ(Parse("MaterialEXT: 0\n  ambient 0.1, 0.1, 0.1\n", &objects), -1);
}

TEST(AscParser, RefusesMissingTokensWithTheLine) {
  std::vector<TObjectCopy> objects;
  TAscStop stop;
  std::string text = kPlainTriangle;
  text.replace(text.find("Faces:"), 6, "Facez:");
  EXPECT_EQ(Parse(text, &objects, &stop), -1);
  EXPECT_EQ(stop.line, 1);
  EXPECT_EQ(Parse(Triangle("X:1 Y:0 Z:0", "X:0 Y:1", "X:-1 Y:-1 Z:0"), &objects, &stop), -1);
  EXPECT_EQ(stop.line, 3);
  text = kPlainTriangle;
  text.replace(text.find("C:2"), 3, "c:2");
  EXPECT_EQ(Parse(text, &objects, &stop), -1);
  EXPECT_EQ(stop.line, 5);
  EXPECT_TRUE(objects.empty());
}

TEST(AscParser, RefusesBadCountsAndIndices) {
  std::vector<TObjectCopy> objects;
  const std::string body = kPlainTriangle.substr(kPlainTriangle.find('\n'));
  EXPECT_EQ(Parse("Tri-mesh, Vertices: 0 Faces: 1" + body, &objects), -1);
  EXPECT_EQ(Parse("Tri-mesh, Vertices: 3 Faces: -1" + body, &objects), -1);
  EXPECT_EQ(Parse("Tri-mesh, Vertices: 3000000000000 Faces: 1" + body, &objects), -1);
  EXPECT_EQ(Parse("Tri-mesh, Vertices: 3 Faces: 900000000" + body, &objects), -1);
  std::string text = kPlainTriangle;
  text.replace(text.find("C:2"), 3, "C:3");
  EXPECT_EQ(Parse(text, &objects), -1);
  text.replace(text.find("C:3"), 3, "C:-1");
  EXPECT_EQ(Parse(text, &objects), -1);
  EXPECT_TRUE(objects.empty());
  // The first object stays emitted when the second one fails.
  EXPECT_EQ(Parse(kPlainTriangle + text, &objects), -1);
  EXPECT_EQ(objects.size(), 1u);
}

TEST(AscParser, UnreadableFileFails) {
  std::vector<TObjectCopy> objects;
  EXPECT_EQ(ParseAscFile("/nonexistent/none.asc", CollectObject, &objects), -1);
  EXPECT_EQ(ReadAscMesh("/nonexistent/none.asc", 1.0), -1);
}

TEST(CornerNormals, CubeCornersSumTheirTriangles) {
  std::vector<TObjectCopy> objects;
  ASSERT_EQ(Parse(CubeAsc(), &objects), 1);
  const TObjectCopy& cube = objects[0];
  // Vertex 0 lies in faces 0, 1, 4, 5 and 10: two triangles on each of two
  // sides and one on the third, so its corner normal is (+-1, +-2, +-2) in
  // some order; face 0's corner A is vertex 0.
  float a[3];
  for (int k = 0; k < 3; ++k) a[k] = std::fabs(cube.stream[k]);
  std::sort(a, a + 3);
  EXPECT_EQ(a[0], 1.0f);
  EXPECT_EQ(a[1], 2.0f);
  EXPECT_EQ(a[2], 2.0f);
  ExpectSameFloats(cube.stream, ReferenceStream(cube));
}

TEST(CornerNormals, DegenerateFaceAddsNothing) {
  const std::string text =
      "Tri-mesh, Vertices: 4 Faces: 2\n"
      "Vertex 0: X:-1 Y:0 Z:0\nVertex 1: X:1 Y:0 Z:0\nVertex 2: X:0 Y:1 Z:0\n"
      "Vertex 3: X:0 Y:0 Z:1\n"
      "Face 0: A:0 B:1 C:2\nSmoothing: 1\nFace 1: A:0 B:0 C:0\nSmoothing: 1\n";
  std::vector<TObjectCopy> objects;
  ASSERT_EQ(Parse(text, &objects), 1);
  const TObjectCopy& o = objects[0];
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(o.normals[3 + k], 0.0f);
    EXPECT_EQ(o.stream[k], o.normals[k]);  // face 0, corner A (vertex 0, shared)
  }
}

TEST(CornerNormals, FollowTheExactSummationOrder) {
  // Three faces share vertex 0 with x components 1, -1 and 2^-60. Summed own
  // face first, face 2's corner gets (2^-60 + 1) - 1 = 0, while faces 0 and
  // 1 keep 2^-60: the order changes the result.
  const float tiny = std::ldexp(1.0f, -60);
  const float normals[] = {1, 0, 0, -1, 0, 0, tiny, 0, 0};
  const float vertices[] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
  const int32_t faces[] = {0, 1, 2, 0, 2, 3, 3, 1, 0};
  const TAscObject object = {4, 3, vertices, faces, normals};
  double linear[27], reference[27];
  ASSERT_TRUE(SmoothCornerNormals(object, linear));
  ReferenceCornerNormals(object, reference);
  EXPECT_EQ(reference[0], tiny);
  EXPECT_EQ(reference[9 * 2 + 6], 0.0);
  EXPECT_EQ(std::memcmp(linear, reference, sizeof linear), 0);
}

TEST(CornerNormals, LinearSumsMatchTheReferenceBitForBit) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  for (int trial = 0; trial < 40; ++trial) {
    // Few vertices, so they are shared by many faces; some faces nearly
    // flat along an axis, so the normals mix tiny and large components.
    const int vertexCount = 4 + trial % 9;
    const int faceCount = 30 + 5 * trial;
    std::vector<float> vertices(3 * vertexCount);
    for (float& c : vertices) {
      c = unit(random);
      if (random() % 3 == 0) c *= 1e-7f;
    }
    std::vector<int32_t> faces(3 * faceCount);
    for (int32_t& i : faces) i = static_cast<int32_t>(random() % vertexCount);
    std::vector<float> normals(3 * faceCount);
    for (int j = 0; j < faceCount; ++j) FaceNormal(vertices.data(), &faces[3 * j], &normals[3 * j]);
    const TAscObject object = {vertexCount, faceCount, vertices.data(), faces.data(),
                               normals.data()};
    std::vector<double> linear(9 * faceCount), reference(9 * faceCount);
    ASSERT_TRUE(SmoothCornerNormals(object, linear.data()));
    ReferenceCornerNormals(object, reference.data());
    ASSERT_EQ(std::memcmp(linear.data(), reference.data(), linear.size() * sizeof(double)), 0)
        << "trial " << trial;
  }
  std::vector<TObjectCopy> objects;
  ASSERT_EQ(Parse(SphereGridAsc(24, 12), &objects), 1);
  ExpectSameFloats(objects[0].stream, ReferenceStream(objects[0]));
}

TEST(AscPoints, CopiesTheCornersOfEveryFace) {
  std::vector<float> corners(kPointFloats + 9, 77.0f);
  int count = -5;
  const std::string path = WriteScratchFile("cube.asc", CubeAsc());
  ASSERT_EQ(ReadAscPoints(path.c_str(), corners.data(), &count), 1);
  ASSERT_EQ(count, 12);
  std::vector<TObjectCopy> objects;
  ASSERT_EQ(Parse(CubeAsc(), &objects), 1);
  // The positions equal those the mesh reader emits at scale 1.0.
  for (int j = 0; j < 12; ++j) {
    for (int c = 0; c < 3; ++c) {
      for (int k = 0; k < 3; ++k)
        EXPECT_EQ(corners[9 * j + 3 * c + k], objects[0].stream[18 * j + 6 * c + 3 + k]);
    }
  }
  EXPECT_EQ(corners[9 * 12], 77.0f);  // floats 9F onward untouched
}

TEST(AscPoints, LaterObjectsOverwriteFromFaceZero) {
  std::vector<float> corners(kPointFloats, 77.0f);
  int count = 0;
  const std::string path = WriteScratchFile("two.asc", CubeAsc() + kPlainTriangle);
  ASSERT_EQ(ReadAscPoints(path.c_str(), corners.data(), &count), 1);
  EXPECT_EQ(count, 1);
  EXPECT_NE(corners[9], 77.0f);  // the cube's face 1 remains
  EXPECT_EQ(corners[9 * 12], 77.0f);
}

TEST(AscPoints, KeepsTheFirst2000FacesOfALargerObject) {
  // 2 * 40 * 30 = 2400 faces; a guard zone follows the 2000-face array.
  std::vector<float> corners(kPointFloats + 900, 77.0f);
  int count = 0;
  const std::string path = WriteScratchFile("big.asc", SphereGridAsc(40, 30));
  ASSERT_EQ(ReadAscPoints(path.c_str(), corners.data(), &count), 1);
  EXPECT_EQ(count, kMaxPointFaces);
  for (int i = kPointFloats; i < kPointFloats + 900; ++i) ASSERT_EQ(corners[i], 77.0f);
  EXPECT_NE(corners[kPointFloats - 1], 77.0f);
}

TEST(AscPoints, FailureLeavesTheCountAlone) {
  std::vector<float> corners(kPointFloats, 0.0f);
  int count = -7;
  std::string text = kPlainTriangle;
  text.replace(text.find("C:2"), 3, "C:9");
  const std::string path = WriteScratchFile("bad.asc", text);
  EXPECT_EQ(ReadAscPoints(path.c_str(), corners.data(), &count), -1);
  EXPECT_EQ(count, -7);
}

TEST(CornerNormals, PackMeshesMatchTheReferenceBitForBit) {
  for (const char* name : {"duck.asc", "sphere.asc", "cube.asc", "trailblobs.asc"}) {
    const std::string path = std::string(KELVANE_DATA_DIR) + "/" + name;
    std::vector<TObjectCopy> objects;
    ASSERT_EQ(ParseAscFile(path.c_str(), CollectObject, &objects), 1) << name;
    for (const TObjectCopy& o : objects) ExpectSameFloats(o.stream, ReferenceStream(o));
  }
}

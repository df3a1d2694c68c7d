// Fuzzes the .asc parser with both of its outputs: for every object the
// point extractor's copy into an array of exactly 2000 faces (the sanitizers
// catch a write past it) and the mesh reader's triangle stream, whose
// smoothed normals must match the pairwise reference bit for bit.
#include <stdio.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "asset_support.h"
#include "assets/asc_mesh.h"
#include "assets/asc_parser.h"

namespace {

// The reference visits F * (F - 1) face pairs; larger objects only get the
// linear sums.
constexpr int kMaxReferenceFaces = 300;

void Require(bool condition) {
  if (!condition) abort();
}

bool CheckObject(const TAscObject& object, void*) {
  Require(object.vertexCount > 0 && object.faceCount > 0);
  for (int i = 0; i < 3 * object.faceCount; ++i)
    Require(object.faces[i] >= 0 && object.faces[i] < object.vertexCount);

  std::vector<float> corners(kPointFloats);
  int count = -1;
  CopyCornerPoints(object, corners.data(), &count);
  Require(count == (object.faceCount < kMaxPointFaces ? object.faceCount : kMaxPointFaces));

  std::vector<float> stream(static_cast<size_t>(kStreamFloatsPerFace) * object.faceCount);
  Require(BuildTriangleStream(object, 1.0, stream.data()));
  if (object.faceCount <= kMaxReferenceFaces) {
    std::vector<double> linear(9 * object.faceCount), reference(9 * object.faceCount);
    Require(SmoothCornerNormals(object, linear.data()));
    ReferenceCornerNormals(object, reference.data());
    Require(std::memcmp(linear.data(), reference.data(), linear.size() * sizeof(double)) == 0);
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (!f) return 0;
  TAscStop stop;
  const int result = ParseAsc(f, CheckObject, nullptr, &stop);
  fclose(f);
  Require(result == 1 || result == -1);
  Require((result == 1) == (stop.why == nullptr));
  return 0;
}

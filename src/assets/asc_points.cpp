// The point output of the .asc parser: bare corner positions for the particle
// keys. No GL.
#include "assets/asc_mesh.h"
#include "assets/asc_parser.h"

namespace {

struct TPointOutput {
  float* corners;  // kPointFloats floats
  int* faceCount;
};

bool CopyCorners(const TAscObject& object, void* context) {
  const TPointOutput& out = *static_cast<const TPointOutput*>(context);
  CopyCornerPoints(object, out.corners, out.faceCount);
  return true;
}

}  // namespace

void CopyCornerPoints(const TAscObject& object, float* corners, int* faceCount) {
  const int count = object.faceCount < kMaxPointFaces ? object.faceCount : kMaxPointFaces;
  *faceCount = count;
  for (int j = 0; j < count; ++j) {
    for (int c = 0; c < 3; ++c) {
      const float* p = &object.vertices[3 * object.faces[3 * j + c]];
      float* dst = &corners[9 * j + 3 * c];
      dst[0] = p[0];
      dst[1] = p[1];
      dst[2] = p[2];
    }
  }
}

int ReadAscPoints(const char* fileName, float* corners, int* faceCount) {
  TPointOutput out = {corners, faceCount};
  return ParseAscFile(fileName, CopyCorners, &out);
}

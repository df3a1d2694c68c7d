// The mesh output of the .asc parser: GL triangles with smoothed normals,
// compiled into the start-up display lists.
#include "assets/asc_mesh.h"

#include <new>
#include <vector>

#include "assets/asc_parser.h"
#include "assets/manifest.h"
#include "platform/graphics/gl.h"

namespace {

bool EmitTriangles(const TAscObject& object, void* context) {
  const double scale = *static_cast<const double*>(context);
  std::vector<float> stream;
  try {
    stream.resize(static_cast<size_t>(kStreamFloatsPerFace) * object.faceCount);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!BuildTriangleStream(object, scale, stream.data())) return false;
  glBegin(GL_TRIANGLES);
  for (size_t i = 0; i < stream.size(); i += 6) {
    glNormal3f(stream[i], stream[i + 1], stream[i + 2]);
    glVertex3f(stream[i + 3], stream[i + 4], stream[i + 5]);
  }
  glEnd();
  return true;
}

}  // namespace

int ReadAscMesh(const char* fileName, double scale) {
  return ParseAscFile(fileName, EmitTriangles, &scale);
}

void CompileStartupMeshes() {
  for (const TMeshAsset& mesh : kMeshAssets) {
    glNewList(mesh.list, GL_COMPILE);
    ReadAscMesh(mesh.file, 1.0);
    glEndList();
  }
}

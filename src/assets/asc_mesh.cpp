// The mesh output of the .asc parser: GL triangles with smoothed normals,
// compiled into the start-up display lists.
#include "assets/asc_mesh.h"

#include <new>
#include <vector>

#include "assets/asc_parser.h"
#include "platform/gl.h"

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

struct TStartupMesh {
  GLuint list;
  const char* fileName;
};
// Compiled in this order; ModelShowcase calls the lists by id.
constexpr TStartupMesh kStartupMeshes[] = {{5, "duck.asc"}, {2, "sphere.asc"}, {3, "cube.asc"}};

}  // namespace

int ReadAscMesh(const char* fileName, double scale) {
  return ParseAscFile(fileName, EmitTriangles, &scale);
}

void CompileStartupMeshes() {
  for (const TStartupMesh& mesh : kStartupMeshes) {
    glNewList(mesh.list, GL_COMPILE);
    ReadAscMesh(mesh.fileName, 1.0);
    glEndList();
  }
}

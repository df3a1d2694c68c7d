// The .asc state machine. Scan skips lines until a "MaterialEXT:" line (a
// material block of four more lines, whose values are not used) or a
// "Tri-mesh" line (an object: V vertex lines, then F face lines each closed
// by a "Material:" or "Smoothing:" line). Keywords may stand anywhere in a
// line. Vertex i is searched from the line after vertex i - 1; face j from
// the line that ended the previous state. A read that reaches the end of the
// file ends the file even if it delivered characters, so an unterminated
// last line is never looked at.
//
// Beyond the plain grammar the reader refuses, with -1, what would make it
// read or write outside its arrays: a missing token on a line it reads from,
// counts that are not positive or that the rest of the file cannot hold, and
// face indices outside 0..V-1.
#include "assets/asc_parser.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "platform/files/regular_file.h"

namespace {

// The shortest lines that can carry one vertex ("Vertex 0:X:Y:Z:\n") and
// one face ("Face 0:A:B:C:\n"). A header whose counts need more bytes than
// the rest of the file holds is refused before anything is allocated.
constexpr long kMinVertexLineBytes = 16;
constexpr long kMinFaceLineBytes = 14;
// Room for "Vertex %li:" or "Face %li:" with any long index.
constexpr int kPatternChars = 32;

struct TLineReader {
  FILE* file;
  long fileBytes;  // -1 when the stream cannot tell its size
  char line[kAscLineChars];
  bool lineEnded;  // the last part ended with a newline
  TAscStop* stop;
};

// Reads the next line (or part of one). False at the end of the file.
bool NextLine(TLineReader& r) {
  if (!std::fgets(r.line, kAscLineChars, r.file)) return false;
  if (r.lineEnded) ++r.stop->line;
  const size_t n = std::strlen(r.line);
  r.lineEnded = n > 0 && r.line[n - 1] == '\n';
  return !std::feof(r.file);
}

long BytesLeft(const TLineReader& r) {
  if (r.fileBytes < 0) return -1;
  const long at = std::ftell(r.file);
  return at < 0 ? -1 : r.fileBytes - at;
}

int Fail(TLineReader& r, const char* why) {
  r.stop->why = why;
  return -1;
}

// The number after token, searched from *at; *at moves past the token.
bool NumberAfter(const char* line, const char* token, int* at, double* value) {
  const int i = FindToken(line, token, *at);
  if (i < 0) return false;
  *value = std::strtod(line + i, nullptr);
  *at = i;
  return true;
}

bool IntegerAfter(const char* line, const char* token, int* at, long* value) {
  const int i = FindToken(line, token, *at);
  if (i < 0) return false;
  *value = std::strtol(line + i, nullptr, 10);
  *at = i;
  return true;
}

// The four lines after "MaterialEXT:". Their values are not used.
int ReadMaterialBlock(TLineReader& r) {
  static const char* const kKeys[] = {"ambient", "diffuse", "specular", "shininess"};
  for (const char* key : kKeys) {
    if (!NextLine(r)) return Fail(r, "end of file inside a material block");
    if (FindToken(r.line, key, 0) < 0) return Fail(r, "material block line missing its keyword");
  }
  return 1;
}

// One object, from its "Tri-mesh" line (in r.line) to its last face-end line.
int ReadObject(TLineReader& r, TAscSink sink, void* context) {
  int at = 0;
  long vertexCount = 0, faceCount = 0;
  if (!IntegerAfter(r.line, "Vertices:", &at, &vertexCount))
    return Fail(r, "Tri-mesh line without \"Vertices:\"");
  if (!IntegerAfter(r.line, "Faces:", &at, &faceCount))
    return Fail(r, "Tri-mesh line without \"Faces:\"");
  if (vertexCount <= 0 || faceCount <= 0) return Fail(r, "vertex or face count not positive");
  const long left = BytesLeft(r);
  if (left >= 0 &&
      (vertexCount > left / kMinVertexLineBytes || faceCount > left / kMinFaceLineBytes))
    return Fail(r, "vertex or face count larger than the rest of the file can hold");
  if (vertexCount > INT32_MAX / 3 || faceCount > INT32_MAX / 3)
    return Fail(r, "vertex or face count too large");

  std::vector<float> vertices, normals;
  std::vector<int32_t> faces;
  if (!Allocate(vertices, 3 * static_cast<size_t>(vertexCount)) ||
      !Allocate(faces, 3 * static_cast<size_t>(faceCount)) ||
      !Allocate(normals, 3 * static_cast<size_t>(faceCount)))
    return Fail(r, "out of memory for the object's arrays");

  char pattern[kPatternChars];
  for (long i = 0; i < vertexCount; ++i) {
    std::snprintf(pattern, sizeof pattern, "Vertex %li:", i);
    do {
      if (!NextLine(r)) return Fail(r, "end of file inside the vertex lines");
    } while (FindToken(r.line, pattern, 0) < 0);
    int pos = 0;
    double x, y, z;
    if (!NumberAfter(r.line, "X:", &pos, &x) || !NumberAfter(r.line, "Y:", &pos, &y) ||
        !NumberAfter(r.line, "Z:", &pos, &z))
      return Fail(r, "vertex line missing \"X:\", \"Y:\" or \"Z:\"");
    // NaN, infinity or 3e38 would make the fitted mesh vanish (or overflow
    // its bounding box): such a file is refused, at its line.
    for (double c : {x, y, z})
      if (!(std::fabs(c) <= kMaxAscCoordinate))
        return Fail(r, "a vertex coordinate is not finite or beyond 1e6");
    // Stored as (X, Z, Y): the file's Z axis becomes the second component.
    float* v = &vertices[3 * i];
    v[0] = static_cast<float>(x);
    v[1] = static_cast<float>(z);
    v[2] = static_cast<float>(y);
  }
  FitVerticesToCube(vertices.data(), static_cast<int>(vertexCount));

  for (long j = 0; j < faceCount; ++j) {
    // The search starts on the line that ended the previous state.
    std::snprintf(pattern, sizeof pattern, "Face %li:", j);
    while (FindToken(r.line, pattern, 0) < 0) {
      if (!NextLine(r)) return Fail(r, "end of file inside the face lines");
    }
    int pos = 0;
    long corner[3];
    if (!IntegerAfter(r.line, "A:", &pos, &corner[0]) ||
        !IntegerAfter(r.line, "B:", &pos, &corner[1]) ||
        !IntegerAfter(r.line, "C:", &pos, &corner[2]))
      return Fail(r, "face line missing \"A:\", \"B:\" or \"C:\"");
    int32_t* f = &faces[3 * j];
    for (int c = 0; c < 3; ++c) {
      if (corner[c] < 0 || corner[c] >= vertexCount) return Fail(r, "face index out of range");
      f[c] = static_cast<int32_t>(corner[c]);
    }
    FaceNormal(vertices.data(), f, &normals[3 * j]);
    do {
      if (!NextLine(r)) return Fail(r, "end of file before the face's \"Material:\" line");
    } while (FindToken(r.line, "Material:", 0) < 0 && FindToken(r.line, "Smoothing:", 0) < 0);
  }

  const TAscObject object = {static_cast<int>(vertexCount), static_cast<int>(faceCount),
                             vertices.data(), faces.data(), normals.data()};
  if (!sink(object, context)) return Fail(r, "out of memory while emitting the object");
  return 1;
}

}  // namespace

int FindToken(const char* line, const char* token, int start) {
  if (start < 0) return -1;
  const size_t length = std::strlen(line);
  if (static_cast<size_t>(start) > length) return -1;
  const char* hit = std::strstr(line + start, token);
  if (!hit) return -1;
  return static_cast<int>(hit - line + std::strlen(token));
}

void FitVerticesToCube(float* vertices, int vertexCount) {
  if (vertexCount <= 0) return;
  float lo[3], hi[3];
  for (int k = 0; k < 3; ++k) lo[k] = hi[k] = vertices[k];
  for (int i = 1; i < vertexCount; ++i) {
    for (int k = 0; k < 3; ++k) {
      const float c = vertices[3 * i + k];
      if (c < lo[k]) lo[k] = c;
      if (c > hi[k]) hi[k] = c;
    }
  }
  float centre[3], extent[3];
  for (int k = 0; k < 3; ++k) {
    // The sum of absolute values, not hi - lo: for a box that holds the
    // origin the two agree, and the model files are made that way.
    extent[k] = std::fabs(hi[k]) + std::fabs(lo[k]);
    centre[k] = (hi[k] + lo[k]) * 0.5f;
  }
  float m = extent[0];
  if (extent[1] > m) m = extent[1];
  if (extent[2] > m) m = extent[2];
  // All vertices at one point: keep them at the centre, unscaled.
  const float k = m == 0.0f ? 1.0f : 2.0f / m;
  for (int i = 0; i < vertexCount; ++i) {
    for (int c = 0; c < 3; ++c) vertices[3 * i + c] = (vertices[3 * i + c] - centre[c]) * k;
  }
}

void FaceNormal(const float* vertices, const int32_t* face, float* normal) {
  const float* a = &vertices[3 * face[0]];
  const float* b = &vertices[3 * face[1]];
  const float* c = &vertices[3 * face[2]];
  const float e1[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
  const float e2[3] = {a[0] - c[0], a[1] - c[1], a[2] - c[2]};
  const float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                      e1[0] * e2[1] - e1[1] * e2[0]};
  float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (length == 0.0f) length = 0.0001f;
  for (int k = 0; k < 3; ++k) normal[k] = n[k] / length;
}

int ParseAsc(FILE* file, TAscSink sink, void* context, TAscStop* stop) {
  TAscStop local;
  TLineReader r;
  r.file = file;
  r.fileBytes = -1;
  r.line[0] = '\0';
  r.lineEnded = true;
  r.stop = stop ? stop : &local;
  *r.stop = TAscStop();
  const long start = std::ftell(file);
  if (start >= 0 && std::fseek(file, 0, SEEK_END) == 0) {
    const long end = std::ftell(file);
    if (std::fseek(file, start, SEEK_SET) == 0 && end >= start) r.fileBytes = end;
  }

  bool objectRead = false;
  while (NextLine(r)) {
    if (FindToken(r.line, "MaterialEXT:", 0) >= 0) {
      if (ReadMaterialBlock(r) < 0) return -1;
    } else if (FindToken(r.line, "Tri-mesh", 0) >= 0) {
      if (ReadObject(r, sink, context) < 0) return -1;
      objectRead = true;
    }
  }
  if (!objectRead) return Fail(r, "no complete Tri-mesh object");
  return 1;
}

int ParseAscFile(const char* fileName, TAscSink sink, void* context, TAscStop* stop) {
  FILE* file = OpenRegularFile(fileName);
  if (!file) {
    if (stop) {
      *stop = TAscStop();
      stop->why = "cannot open the file as a regular file";
    }
    return -1;
  }
  const int result = ParseAsc(file, sink, context, stop);
  std::fclose(file);
  return result;
}

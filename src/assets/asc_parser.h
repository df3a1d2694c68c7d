// The 3D-Studio ASCII (.asc) parser shared by the mesh reader, the point
// extractor, the inspector and the fuzzers. It reads a file line by line,
// fits each object into the cube from -1 to 1 and hands every finished object
// to a sink. Nothing here touches GL.
#pragma once

#include <cstdint>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <vector>

// Line buffer of the reader: a line holds at most 255 characters; a longer
// line arrives in parts of at most 255 characters, each read as a line.
constexpr int kAscLineChars = 256;

// One finished object. The arrays are the parser's and live until the sink
// returns.
// The largest vertex coordinate read, in magnitude; a file with a larger,
// infinite or NaN coordinate is refused at that line.
constexpr double kMaxAscCoordinate = 1e6;

struct TAscObject {
  int vertexCount;           // V, at least 1
  int faceCount;             // F, at least 1
  const float* vertices;     // 3V floats: file (X, Z, Y), fitted to the cube
  const int32_t* faces;      // 3F vertex indices (A, B, C), each in 0..V-1
  const float* faceNormals;  // 3F floats: unit normal, or zero for a degenerate face
};

// Called once per object, in file order. Returning false fails the read (-1),
// for a sink that cannot allocate what it needs.
typedef bool (*TAscSink)(const TAscObject& object, void* context);

// Where and why a read stopped, for the tools.
struct TAscStop {
  long line = 0;              // 1-based physical line of the last read, 0 before any
  const char* why = nullptr;  // null on success
};

// Parses an open stream to its end: 1 when at least one object was read and
// the file ended in the scan state, -1 otherwise. Does not close the stream.
int ParseAsc(FILE* file, TAscSink sink, void* context, TAscStop* stop = nullptr);
// Opens fileName in text mode, parses it and closes it. -1 when it cannot be
// opened.
int ParseAscFile(const char* fileName, TAscSink sink, void* context, TAscStop* stop = nullptr);

// Index just past the first occurrence of token in line at or after start,
// or -1 when there is none (or start lies outside the line).
int FindToken(const char* line, const char* token, int start);

// Recentres the vertices on their bounding box and scales them by
// 2 / (the largest per-axis |max| + |min|), in single precision. When all
// vertices lie at one point they are only recentred.
void FitVerticesToCube(float* vertices, int vertexCount);

// Unit normal of (PA - PB) x (PA - PC) in single precision; the zero vector
// for a degenerate face.
void FaceNormal(const float* vertices, const int32_t* face, float* normal);

// Smoothed normal of every corner, 9F doubles in face order, corners A, B, C:
// the corner's own face normal plus the normal of every other face holding
// the corner's vertex, summed in double precision in that order (own face,
// then the others in file order). Runs in time linear in the mesh size.
// False when the scratch space cannot be allocated.
bool SmoothCornerNormals(const TAscObject& object, double* cornerNormals);

// Floats per face in a triangle stream: three corners of normal and position.
constexpr int kStreamFloatsPerFace = 18;

// What the mesh reader hands to GL for one object: for each face in file
// order and each corner A, B, C, the smoothed normal (nx, ny, nz) rounded to
// float, then the fitted position times scale (x, y, z) rounded to float.
// stream holds kStreamFloatsPerFace * F floats. False when scratch space
// cannot be allocated.
bool BuildTriangleStream(const TAscObject& object, double scale, float* stream);

// Sizes a work array to `count` zeroed elements; false when the memory cannot
// be had, so a reader fails its file instead of throwing.
template <typename T>
bool Allocate(std::vector<T>& v, size_t count) {
  try {
    v.assign(count, T());
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

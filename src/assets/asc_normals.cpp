// Smoothed corner normals in linear time.
//
// The normal of a corner at vertex v is the sum, in double precision, of the
// normals of the faces that hold v: the corner's own face first, then the
// others in file order. Visiting every pair of faces gives that in F * (F - 1)
// steps. Here each vertex keeps the list of faces that hold it (each face
// once, in file order), so a corner only looks at its own vertex's faces.
//
// Every corner of v sums the same set of face normals, only starting from a
// different face. When no partial sum of that set can round, any order gives
// the same double, so the set is summed once per vertex and shared by all its
// corners. That holds when every term is a multiple of the finest unit g of
// the terms (a float has 24 significant bits) and the sum of magnitudes stays
// within 2^52 g. A vertex where it does not hold (terms of very different
// magnitudes, or non-finite ones) is summed corner by corner in the exact
// order, so the result matches the pairwise visit bit for bit.
#include <cmath>
#include <new>
#include <vector>

#include "assets/asc_parser.h"

namespace {

// True when corner c of face is the first corner holding its vertex, so a
// face with repeated indices is listed once per distinct vertex.
bool FirstCornerOfVertex(const int32_t* face, int c) {
  return (c < 1 || face[c] != face[0]) && (c < 2 || face[c] != face[1]);
}

// Sums component k of the normals of faces[0..count) in that order, and says
// whether the order could have mattered.
double SumInAnyOrder(const float* normals, const int32_t* faceList, int count, int k, bool* exact) {
  double sum = normals[3 * faceList[0] + k];
  double magnitude = std::fabs(sum);
  int finest = INT32_MAX;  // exponent of the finest unit among the terms
  for (int i = 0; i < count; ++i) {
    const float term = normals[3 * faceList[i] + k];
    if (!std::isfinite(term)) {
      *exact = false;
      return 0.0;
    }
    if (term != 0.0f) {
      int e;
      std::frexp(term, &e);
      if (e - 24 < finest) finest = e - 24;
    }
    if (i > 0) {
      sum += term;
      magnitude += std::fabs(term);
    }
  }
  *exact = finest == INT32_MAX || magnitude <= std::ldexp(1.0, finest + 52);
  return sum;
}

}  // namespace

bool SmoothCornerNormals(const TAscObject& object, double* cornerNormals) {
  const int vertexCount = object.vertexCount;
  const int faceCount = object.faceCount;
  const int32_t* faces = object.faces;
  const float* normals = object.faceNormals;

  // Faces of each vertex, in file order: faceList[first[v] .. first[v + 1]).
  std::vector<int32_t> first, faceList, fill;
  std::vector<double> shared;        // 3 per vertex: the order-free sums
  std::vector<unsigned char> exact;  // 3 per vertex: whether shared applies
  if (!Allocate(first, static_cast<size_t>(vertexCount) + 1) ||
      !Allocate(faceList, 3 * static_cast<size_t>(faceCount)) ||
      !Allocate(shared, 3 * static_cast<size_t>(vertexCount)) ||
      !Allocate(exact, 3 * static_cast<size_t>(vertexCount)))
    return false;
  for (int j = 0; j < faceCount; ++j) {
    for (int c = 0; c < 3; ++c) {
      if (FirstCornerOfVertex(&faces[3 * j], c)) ++first[faces[3 * j + c] + 1];
    }
  }
  for (int v = 0; v < vertexCount; ++v) first[v + 1] += first[v];
  if (!Allocate(fill, static_cast<size_t>(vertexCount))) return false;
  for (int j = 0; j < faceCount; ++j) {
    for (int c = 0; c < 3; ++c) {
      const int v = faces[3 * j + c];
      if (FirstCornerOfVertex(&faces[3 * j], c)) faceList[first[v] + fill[v]++] = j;
    }
  }

  for (int v = 0; v < vertexCount; ++v) {
    const int count = first[v + 1] - first[v];
    if (count == 0) continue;
    for (int k = 0; k < 3; ++k) {
      bool orderFree = false;
      shared[3 * v + k] = SumInAnyOrder(normals, &faceList[first[v]], count, k, &orderFree);
      exact[3 * v + k] = orderFree;
    }
  }

  for (int j = 0; j < faceCount; ++j) {
    for (int c = 0; c < 3; ++c) {
      const int v = faces[3 * j + c];
      double* out = &cornerNormals[9 * j + 3 * c];
      for (int k = 0; k < 3; ++k) {
        if (exact[3 * v + k]) {
          out[k] = shared[3 * v + k];
          continue;
        }
        double sum = normals[3 * j + k];
        for (int i = first[v]; i < first[v + 1]; ++i) {
          if (faceList[i] != j) sum += normals[3 * faceList[i] + k];
        }
        out[k] = sum;
      }
    }
  }
  return true;
}

bool BuildTriangleStream(const TAscObject& object, double scale, float* stream) {
  std::vector<double> corners;
  if (!Allocate(corners, 9 * static_cast<size_t>(object.faceCount)) ||
      !SmoothCornerNormals(object, corners.data()))
    return false;
  for (int j = 0; j < object.faceCount; ++j) {
    for (int c = 0; c < 3; ++c) {
      const double* n = &corners[9 * j + 3 * c];
      const float* p = &object.vertices[3 * object.faces[3 * j + c]];
      float* out = &stream[kStreamFloatsPerFace * j + 6 * c];
      for (int k = 0; k < 3; ++k) {
        out[k] = static_cast<float>(n[k]);
        out[3 + k] = static_cast<float>(p[k] * scale);
      }
    }
  }
  return true;
}

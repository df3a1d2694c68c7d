// 3D-Studio ASCII meshes: triangles with smoothed normals into GL, or bare
// triangle-corner positions for the particles.
#pragma once

// Room in a corner position array: 2000 faces of nine floats (A, B, C).
constexpr int kMaxPointFaces = 2000;
constexpr int kPointFloats = kMaxPointFaces * 9;

// Reads every object of an ASC file and emits it as GL_TRIANGLES with
// smoothed normals, positions multiplied by scale. 1 on success, -1 on
// failure.
int ReadAscMesh(const char* fileName, double scale);

// Reads an ASC file with the same parser and writes the fitted corners of
// each object's faces to corners (nine floats per face: A, B, C), each object
// starting again at face 0, and the last object's face count to faceCount.
// An object with more than kMaxPointFaces faces keeps its first
// kMaxPointFaces and counts that many. 1 on success, -1 on failure; on
// failure the outputs hold what was written before it.
int ReadAscPoints(const char* fileName, float* corners, int* faceCount);

// The display lists of kMeshAssets (assets/manifest.h), in its order.
void CompileStartupMeshes();

struct TAscObject;
// The extractor's step for one object: its face count (at most
// kMaxPointFaces) and the fitted corners of those faces, from float 0 on.
void CopyCornerPoints(const TAscObject& object, float* corners, int* faceCount);

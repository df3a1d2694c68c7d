// Triangle meshes for the asset pack: building, refining and ordering them
// before they are written as 3D-Studio ASCII files. Pure arithmetic.
//
// Coordinates are those of the file: Z is up. The demo's reader stores a
// vertex as (X, Z, Y), a mirror, so the writer reverses the winding to keep
// the faces counter-clockwise seen from outside in the demo's space.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct TPoint {
  double x, y, z;
};

struct TFace {
  int a, b, c;  // vertex indices, counter-clockwise seen from outside (file space)
};

struct TMesh {
  std::vector<TPoint> vertices;
  std::vector<TFace> faces;
};

// Scalar field, negative inside the shape, zero on its surface.
typedef std::function<double(const TPoint&)> TField;
// Moves a point onto the surface being approximated.
typedef std::function<TPoint(const TPoint&)> TProjection;

// A unit sphere: an icosahedron whose faces are split `levels` times.
TMesh MakeIcosphere(int levels);
// The cube from -1 to 1 with every side cut into n x n squares, two
// triangles each, vertices shared along the edges: 12 n^2 faces.
TMesh MakeCubeGrid(int n);
// Polygonises the field's zero surface inside the box [lo, hi] with cubic
// cells of side `cell` (surface nets: one vertex per cell the surface
// crosses, one quad per crossed cell edge, each cut into two triangles).
TMesh PolygoniseField(const TField& field, TPoint lo, TPoint hi, double cell);

// Newton steps along the field's gradient onto its zero surface.
TPoint ProjectOntoField(const TField& field, const TPoint& p);

// Splits the longest edges shared by exactly two faces at their projected
// midpoints until the mesh has `faces` faces (each split adds two). Equal
// lengths are broken in favour of the edge farthest from earlier splits, so
// the new vertices spread evenly.
void RefineToFaceCount(TMesh& mesh, int faces, const TProjection& project);
// Laplacian smoothing: each vertex moves halfway to the mean of its
// neighbours and is projected back, `rounds` times.
void RelaxVertices(TMesh& mesh, int rounds, const TProjection& project);
// Moves the bounding box's centre to the origin.
void CentreMesh(TMesh& mesh);

// Rotates each face's corners (keeping the winding) so that every vertex is
// the first corner of as few faces as possible: the demo seeds one particle
// from the first corner of each face.
void BalanceFirstCorners(TMesh& mesh);
// Orders the faces by the direction of their first corner from the centre:
// 25 bands of equal count from bottom to top, each sorted by azimuth. Two
// meshes ordered this way send face j to about the same direction, so the
// particle morph between them moves every particle a short way.
void OrderFacesByDirection(TMesh& mesh);

// True when every edge joins exactly two faces that agree on their winding.
bool IsClosedManifold(const TMesh& mesh);

// Picks up to `count` of the candidates, one at a time, each the candidate
// farthest from the points in `taken` and from those picked before it
// (farthest-point sampling): an even spread that keeps clear of `taken`.
// Ties go to the lower index; candidates that coincide with a point already
// there are never picked, so the result may fall short of `count`.
std::vector<TPoint> SpreadPoints(const std::vector<TPoint>& candidates,
                                 const std::vector<TPoint>& taken, int count);
// Appends, for each point, a vertex of its own and one face whose three
// corners are that vertex. Such a face has zero area and no edge of any
// length: it draws nothing, filled or in outline, and its normal is the
// reader's zero vector, which adds nothing to any other vertex's smoothing.
// Its first corner still seeds a particle.
void AddPointFaces(TMesh& mesh, const std::vector<TPoint>& points);

// Writes one object in the 3D-Studio ASCII export format: the "Tri-mesh"
// header, the vertex list, and every face followed by its "Smoothing:" line.
// Prints what failed, naming the file, and returns false when it cannot be
// written.
bool WriteAsc(const std::string& path, const std::string& objectName, const TMesh& mesh);

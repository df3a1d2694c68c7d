// WriteMeshes: the four mesh files of the demo. "duck.asc" becomes a
// display list; "sphere.asc" and "cube.asc" are both display lists and
// particle keyframes; "trailblobs.asc" is keyframes only.
//
// The display lists are drawn as wireframes with every edge showing, so
// their surfaces are coarse: a few hundred faces keep the wires open at the
// window's size instead of filling the outline. The demo's 2000 particles
// need more than that: each takes the first corner of a face of its own, so
// the three point files have exactly kParticleFaces faces each. The faces
// beyond the coarse surface are point faces (all three corners at one
// vertex of their own, see AddPointFaces) on points spread evenly over the
// shape, so the cloud gets a distinct point for almost every particle while
// the wireframe and its smoothed normals stay those of the coarse surface.
// The faces are then ordered by direction so the morph moves each particle
// a short way.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "assetgen/assetgen.h"
#include "assets/manifest.h"
#include "mesh_build.h"

namespace {

constexpr int kParticleFaces = 2000;  // the demo's particle count
// Faces of the coarse surfaces; a polygonised one keeps what its grid gives
// up to its count. The duck, sphere and cube are the showcase's wireframes.
// A point file's distinct first corners are its surface's vertices (each the
// first corner of about two faces) and its point faces: at least 1800 while
// the surface has fewer than 400 faces.
constexpr int kDuckFaces = 240;
constexpr int kSphereFaces = 200;
constexpr int kCubeGrid = 3;  // squares along a side: 12 n^2 faces
constexpr int kBlobFaces = 380;

TPoint OntoSphere(const TPoint& p) {
  const double l = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
  return {p.x / l, p.y / l, p.z / l};
}

// Signed distance (approximate) of an ellipsoid with radii r about c.
double Ellipsoid(const TPoint& p, TPoint c, TPoint r) {
  const double x = (p.x - c.x) / r.x, y = (p.y - c.y) / r.y, z = (p.z - c.z) / r.z;
  const double k0 = std::sqrt(x * x + y * y + z * z);
  const double k1 = std::sqrt(x * x / (r.x * r.x) + y * y / (r.y * r.y) + z * z / (r.z * r.z));
  return k1 > 1e-9 ? k0 * (k0 - 1.0) / k1 : -std::min(r.x, std::min(r.y, r.z));
}

// Polynomial smooth minimum: blends two shapes over a seam about k wide.
double SmoothMin(double a, double b, double k) {
  const double h = std::max(k - std::fabs(a - b), 0.0) / k;
  return std::min(a, b) - h * h * k * 0.25;
}

// The duck, looking along +X, Z up: a low, broad body, a thin neck, a
// round head held high and forward, a long flat beak and a pointed tail
// cocked upwards, blended into one smooth closed surface. The wireframe is
// small on screen, so the parts are exaggerated: the head stands clear of
// the body from the front, and the beak and the tail stick out from the
// side.
double DuckField(const TPoint& p) {
  double d = Ellipsoid(p, {0.0, 0, 0}, {0.95, 0.6, 0.4});
  d = SmoothMin(d, Ellipsoid(p, {0.42, 0, 0.08}, {0.45, 0.45, 0.36}), 0.2);
  d = SmoothMin(d, Ellipsoid(p, {0.66, 0, 0.52}, {0.13, 0.13, 0.34}), 0.12);
  d = SmoothMin(d, Ellipsoid(p, {0.74, 0, 1.0}, {0.34, 0.3, 0.3}), 0.1);
  d = SmoothMin(d, Ellipsoid(p, {1.2, 0, 0.93}, {0.4, 0.17, 0.07}), 0.05);
  // The tail: an ellipsoid tilted 50 degrees upwards at the back.
  const double a = 0.87, ca = std::cos(a), sa = std::sin(a);
  const TPoint q = {p.x + 1.0, p.y, p.z - 0.36};
  const TPoint tail = {q.x * ca + q.z * sa, q.y, -q.x * sa + q.z * ca};
  d = SmoothMin(d, Ellipsoid(tail, {0, 0, 0}, {0.55, 0.22, 0.09}), 0.12);
  return d;
}

// Six soft-object metaballs (a compact polynomial falloff, so that each
// ball keeps its own bulge where it merges with its neighbours): returned as
// threshold - sum, so that inside is negative.
double BlobField(const TPoint& p) {
  // Centre x, y, z and reach R; an isolated ball has radius 0.64 R.
  static const double kBalls[6][4] = {{0.0, 0.0, 0.0, 0.85},    {0.78, 0.22, 0.34, 0.66},
                                      {-0.74, 0.36, -0.2, 0.7}, {0.16, -0.76, 0.3, 0.62},
                                      {-0.3, -0.22, 0.8, 0.56}, {0.42, 0.14, -0.74, 0.6}};
  constexpr double kThreshold = 0.2;
  double sum = 0;
  for (const auto& b : kBalls) {
    const double dx = p.x - b[0], dy = p.y - b[1], dz = p.z - b[2];
    const double q = 1.0 - (dx * dx + dy * dy + dz * dz) / (b[3] * b[3]);
    if (q > 0) sum += q * q * q;
  }
  return kThreshold - sum;
}
const TPoint kBlobBox[2] = {{-1.6, -1.6, -1.6}, {1.6, 1.6, 1.6}};

// The finest closed surface-nets polygonisation of the field with at most
// `faces` faces (the face count grows as the cells shrink). Grids on which
// a thin neck between two blobs comes out pinched (an edge shared by four
// faces) are passed over.
TMesh PolygoniseUpTo(const TField& field, TPoint lo, TPoint hi, int faces) {
  TMesh best;
  for (double cell = 0.5; cell > 0.02; cell *= 0.97) {
    TMesh m = PolygoniseField(field, lo, hi, cell);
    if (static_cast<int>(m.faces.size()) > faces) break;
    if (IsClosedManifold(m)) best = m;
  }
  return best;
}

TMesh MakeDuck() {
  const TField field = DuckField;
  TMesh m = PolygoniseUpTo(field, {-1.7, -0.9, -0.8}, {1.8, 0.9, 1.5}, kDuckFaces);
  const TProjection project = [&](const TPoint& p) { return ProjectOntoField(field, p); };
  for (TPoint& v : m.vertices) v = project(v);
  RelaxVertices(m, 3, project);
  CentreMesh(m);
  return m;
}

TMesh MakeSphere() {
  TMesh m = MakeIcosphere(1);  // 80 faces
  RefineToFaceCount(m, kSphereFaces, OntoSphere);
  RelaxVertices(m, 4, OntoSphere);
  return m;
}

// The cube stands turned 45 degrees about the vertical and tipped 28
// degrees towards the viewer, so that the particle cloud shows three of its
// sides; fitted into the demo's -1..1 box it is then about as large on
// screen as the sphere before it.
void StandCube(TMesh& m) {
  const double turn = 0.785398, tip = -0.488692;
  for (TPoint& p : m.vertices) {
    const TPoint q = {p.x * std::cos(turn) - p.y * std::sin(turn),
                      p.x * std::sin(turn) + p.y * std::cos(turn), p.z};
    p = {q.x, q.y * std::cos(tip) - q.z * std::sin(tip), q.y * std::sin(tip) + q.z * std::cos(tip)};
  }
}

TMesh MakeCube(int grid) {
  TMesh m = MakeCubeGrid(grid);
  StandCube(m);
  return m;
}

TMesh MakeBlobs() {
  const TField field = BlobField;
  const TProjection project = [&](const TPoint& p) { return ProjectOntoField(field, p); };
  TMesh m = PolygoniseUpTo(field, kBlobBox[0], kBlobBox[1], kBlobFaces);
  for (TPoint& v : m.vertices) v = project(v);
  RelaxVertices(m, 2, project);
  return m;
}

// Points on the blobs' surface about 0.05 apart, to pick particles from.
std::vector<TPoint> BlobPoints() {
  const TField field = BlobField;
  std::vector<TPoint> points = PolygoniseField(field, kBlobBox[0], kBlobBox[1], 0.05).vertices;
  for (TPoint& p : points) p = ProjectOntoField(field, p);
  return points;
}

// The demo smooths across shared vertices only, so a torn or pinched mesh
// would show seams: every surface is checked closed before it is written.
bool CheckClosed(const char* file, const TMesh& m) {
  if (IsClosedManifold(m)) return true;
  std::fprintf(stderr, "kelvane-assetgen: %s: the mesh is not closed\n", file);
  return false;
}

// A point file: the surface is checked closed on its own, before the point
// faces join it (they have no edges to pair). The point faces' points are
// spread from `candidates`, points on the same shape, denser than the
// particles.
bool WriteParticleMesh(const std::string& dir, const char* file, const char* name, TMesh m,
                       const std::vector<TPoint>& candidates) {
  if (!CheckClosed(file, m)) return false;
  const int points = kParticleFaces - static_cast<int>(m.faces.size());
  BalanceFirstCorners(m);
  AddPointFaces(m, SpreadPoints(candidates, m.vertices, points));
  if (static_cast<int>(m.faces.size()) != kParticleFaces) {
    std::fprintf(stderr, "kelvane-assetgen: %s: %zu faces instead of %d\n", file, m.faces.size(),
                 kParticleFaces);
    return false;
  }
  CentreMesh(m);
  OrderFacesByDirection(m);
  return WriteAsc(dir + "/" + file, name, m);
}

// The pack's meshes. Candidates for the point faces: the 10242 vertices of
// a finely split icosphere, the 7778 of a cube cut into 36 x 36 squares a
// side, and points on the blobs.
bool WriteDuck(const std::string& dir) {
  const TMesh duck = MakeDuck();
  return CheckClosed(MeshFile(kListDuck), duck) &&
         WriteAsc(dir + "/" + MeshFile(kListDuck), "duck", duck);
}
bool WriteSphere(const std::string& dir) {
  return WriteParticleMesh(dir, MeshFile(kListSphere), "sphere", MakeSphere(), MakeIcosphere(5).vertices);
}
bool WriteCube(const std::string& dir) {
  return WriteParticleMesh(dir, MeshFile(kListCube), "cube", MakeCube(kCubeGrid), MakeCube(36).vertices);
}
bool WriteTrailBlobs(const std::string& dir) {
  return WriteParticleMesh(dir, kTrailPointsFile, "trailblobs", MakeBlobs(), BlobPoints());
}

struct TMeshFile {
  const char* name;
  bool (*write)(const std::string& dir);
};

constexpr TMeshFile kMeshFiles[] = {
    {MeshFile(kListDuck), WriteDuck},
    {MeshFile(kListSphere), WriteSphere},
    {MeshFile(kListCube), WriteCube},
    {kTrailPointsFile, WriteTrailBlobs},
};

}  // namespace

std::vector<std::string> MeshFileNames() {
  std::vector<std::string> names;
  for (const TMeshFile& file : kMeshFiles) names.push_back(file.name);
  return names;
}

bool WriteMeshes(const std::string& dir, const std::string& only) {
  bool ok = true;
  for (const TMeshFile& file : kMeshFiles) {
    if (only.empty() || only == file.name) ok = file.write(dir) && ok;
  }
  return ok;
}

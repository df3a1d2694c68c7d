// WriteMeshes: the four mesh files of the demo. "duck.asc" becomes a
// display list; "sphere.asc" and "cube.asc" are both display lists and
// particle keyframes; "trailblobs.asc" is keyframes only. The three point
// files have exactly kParticleFaces faces each, so that every one of the
// demo's 2000 particles gets a face of its own (no particle falls back to
// the shared pad point), their first corners spread over the surface, and
// their faces ordered by direction so the morph moves each particle a
// short way.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "assetgen/assetgen.h"
#include "mesh_build.h"

namespace {

constexpr int kParticleFaces = 2000;  // the demo's particle count
constexpr int kDuckFaces = 1900;      // aimed at; the duck keeps what the grid gives, 800..2000

TPoint OntoSphere(const TPoint& p) {
  const double l = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
  return {p.x / l, p.y / l, p.z / l};
}

TPoint Unchanged(const TPoint& p) { return p; }

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

// The duck, looking along +X, Z up: body, breast, neck, head, flat beak
// and an upturned tail, blended into one smooth closed surface.
double DuckField(const TPoint& p) {
  double d = Ellipsoid(p, {0.0, 0, 0}, {1.0, 0.62, 0.48});
  d = SmoothMin(d, Ellipsoid(p, {0.45, 0, 0.05}, {0.5, 0.5, 0.42}), 0.2);
  d = SmoothMin(d, Ellipsoid(p, {0.62, 0, 0.45}, {0.2, 0.19, 0.36}), 0.18);
  d = SmoothMin(d, Ellipsoid(p, {0.74, 0, 0.88}, {0.35, 0.3, 0.31}), 0.14);
  d = SmoothMin(d, Ellipsoid(p, {1.13, 0, 0.8}, {0.3, 0.17, 0.1}), 0.06);
  // The tail: an ellipsoid tilted 35 degrees upwards at the back.
  const double a = 0.61, ca = std::cos(a), sa = std::sin(a);
  const TPoint q = {p.x + 0.9, p.y, p.z - 0.28};
  const TPoint tail = {q.x * ca + q.z * sa, q.y, -q.x * sa + q.z * ca};
  d = SmoothMin(d, Ellipsoid(tail, {0, 0, 0}, {0.38, 0.25, 0.13}), 0.2);
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

// The finest closed surface-nets polygonisation of the field with at most
// `faces` faces (the face count grows as the cells shrink). Grids on which
// a thin neck between two blobs comes out pinched (an edge shared by four
// faces) are passed over.
TMesh PolygoniseUpTo(const TField& field, TPoint lo, TPoint hi, int faces) {
  TMesh best;
  for (double cell = 0.3; cell > 0.02; cell *= 0.97) {
    TMesh m = PolygoniseField(field, lo, hi, cell);
    if (static_cast<int>(m.faces.size()) > faces) break;
    if (IsClosedManifold(m)) best = m;
  }
  return best;
}

TMesh MakeDuck() {
  const TField field = DuckField;
  TMesh m = PolygoniseUpTo(field, {-1.5, -0.9, -0.8}, {1.6, 0.9, 1.4}, kDuckFaces);
  const TProjection project = [&](const TPoint& p) { return ProjectOntoField(field, p); };
  for (TPoint& v : m.vertices) v = project(v);
  RelaxVertices(m, 3, project);
  CentreMesh(m);
  return m;
}

TMesh MakeSphere() {
  TMesh m = MakeIcosphere(3);  // 1280 faces
  RefineToFaceCount(m, kParticleFaces, OntoSphere);
  RelaxVertices(m, 4, OntoSphere);
  return m;
}

// The cube stands turned 45 degrees about the vertical and tipped 28
// degrees towards the viewer, so that the particle cloud shows three of its
// sides; fitted into the demo's -1..1 box it is then about as large on
// screen as the sphere before it.
TMesh MakeCube() {
  TMesh m = MakeCubeGrid(12);  // 1728 faces
  RefineToFaceCount(m, kParticleFaces, Unchanged);
  const double turn = 0.785398, tip = -0.488692;
  for (TPoint& p : m.vertices) {
    const TPoint q = {p.x * std::cos(turn) - p.y * std::sin(turn),
                      p.x * std::sin(turn) + p.y * std::cos(turn), p.z};
    p = {q.x, q.y * std::cos(tip) - q.z * std::sin(tip), q.y * std::sin(tip) + q.z * std::cos(tip)};
  }
  CentreMesh(m);
  return m;
}

TMesh MakeBlobs() {
  const TField field = BlobField;
  const TProjection project = [&](const TPoint& p) { return ProjectOntoField(field, p); };
  TMesh m = PolygoniseUpTo(field, {-1.6, -1.6, -1.6}, {1.6, 1.6, 1.6}, kParticleFaces);
  for (TPoint& v : m.vertices) v = project(v);
  RelaxVertices(m, 2, project);
  RefineToFaceCount(m, kParticleFaces, project);
  RelaxVertices(m, 2, project);
  CentreMesh(m);
  return m;
}

// Writes a mesh after checking that it is closed: the demo smooths across
// shared vertices only, so a torn or pinched mesh would show seams.
bool WriteClosedMesh(const std::string& dir, const char* file, const char* name, const TMesh& m) {
  if (!IsClosedManifold(m)) {
    std::fprintf(stderr, "kelvane-assetgen: %s: the mesh is not closed\n", file);
    return false;
  }
  return WriteAsc(dir + "/" + file, name, m);
}

bool WriteParticleMesh(const std::string& dir, const char* file, const char* name, TMesh m) {
  if (static_cast<int>(m.faces.size()) != kParticleFaces) {
    std::fprintf(stderr, "kelvane-assetgen: %s: %zu faces instead of %d\n", file, m.faces.size(),
                 kParticleFaces);
    return false;
  }
  BalanceFirstCorners(m);
  OrderFacesByDirection(m);
  return WriteClosedMesh(dir, file, name, m);
}

}  // namespace

bool WriteMeshes(const std::string& dir) {
  bool ok = WriteClosedMesh(dir, "duck.asc", "duck", MakeDuck());
  ok = WriteParticleMesh(dir, "sphere.asc", "sphere", MakeSphere()) && ok;
  ok = WriteParticleMesh(dir, "cube.asc", "cube", MakeCube()) && ok;
  ok = WriteParticleMesh(dir, "trailblobs.asc", "trailblobs", MakeBlobs()) && ok;
  return ok;
}

#include "mesh_build.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>

#include "platform/files/regular_file.h"

namespace {

TPoint Sub(TPoint a, TPoint b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
TPoint AddP(TPoint a, TPoint b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
TPoint Mul(TPoint a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double Dot(TPoint a, TPoint b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double Length(TPoint a) { return std::sqrt(Dot(a, a)); }
TPoint Unit(TPoint a) { return Mul(a, 1.0 / Length(a)); }

// Midpoint vertex of an edge, created once per edge.
int Midpoint(TMesh& mesh, std::map<std::pair<int, int>, int>& made, int a, int b) {
  const std::pair<int, int> key(std::min(a, b), std::max(a, b));
  const auto it = made.find(key);
  if (it != made.end()) return it->second;
  mesh.vertices.push_back(Unit(Mul(AddP(mesh.vertices[a], mesh.vertices[b]), 0.5)));
  const int index = static_cast<int>(mesh.vertices.size()) - 1;
  made[key] = index;
  return index;
}

}  // namespace

TMesh MakeIcosphere(int levels) {
  const double t = (1.0 + std::sqrt(5.0)) / 2.0;
  TMesh m;
  const double v[12][3] = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0},
                           {0, -1, t}, {0, 1, t}, {0, -1, -t}, {0, 1, -t},
                           {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
  for (const auto& p : v) m.vertices.push_back(Unit({p[0], p[1], p[2]}));
  m.faces = {{0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
             {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
             {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
  for (int level = 0; level < levels; ++level) {
    std::map<std::pair<int, int>, int> made;
    std::vector<TFace> next;
    for (const TFace& f : m.faces) {
      const int ab = Midpoint(m, made, f.a, f.b), bc = Midpoint(m, made, f.b, f.c);
      const int ca = Midpoint(m, made, f.c, f.a);
      next.push_back({f.a, ab, ca});
      next.push_back({f.b, bc, ab});
      next.push_back({f.c, ca, bc});
      next.push_back({ab, bc, ca});
    }
    m.faces.swap(next);
  }
  return m;
}

TMesh MakeCubeGrid(int n) {
  TMesh m;
  std::map<std::vector<int>, int> index;  // lattice point (0..n per axis) -> vertex
  auto vertex = [&](int i, int j, int k) {
    const std::vector<int> key = {i, j, k};
    const auto it = index.find(key);
    if (it != index.end()) return it->second;
    m.vertices.push_back({2.0 * i / n - 1, 2.0 * j / n - 1, 2.0 * k / n - 1});
    index[key] = static_cast<int>(m.vertices.size()) - 1;
    return index[key];
  };
  // Each side: a fixed axis at 0 or n, and two running axes u, v chosen so
  // that u x v points outwards.
  for (int axis = 0; axis < 3; ++axis) {
    for (int side = 0; side < 2; ++side) {
      const int ua = (axis + 1) % 3, va = (axis + 2) % 3;
      for (int u = 0; u < n; ++u) {
        for (int v = 0; v < n; ++v) {
          int q[4];
          const int du[4] = {0, 1, 1, 0}, dv[4] = {0, 0, 1, 1};
          for (int c = 0; c < 4; ++c) {
            int p[3];
            p[axis] = side * n;
            p[ua] = u + du[c];
            p[va] = v + dv[c];
            q[c] = vertex(p[0], p[1], p[2]);
          }
          if (side == 1) {
            m.faces.push_back({q[0], q[1], q[2]});
            m.faces.push_back({q[0], q[2], q[3]});
          } else {
            m.faces.push_back({q[0], q[2], q[1]});
            m.faces.push_back({q[0], q[3], q[2]});
          }
        }
      }
    }
  }
  return m;
}

TPoint ProjectOntoField(const TField& field, const TPoint& p) {
  TPoint q = p;
  const double h = 1e-4;
  for (int step = 0; step < 6; ++step) {
    const double f = field(q);
    const TPoint g = {(field({q.x + h, q.y, q.z}) - field({q.x - h, q.y, q.z})) / (2 * h),
                      (field({q.x, q.y + h, q.z}) - field({q.x, q.y - h, q.z})) / (2 * h),
                      (field({q.x, q.y, q.z + h}) - field({q.x, q.y, q.z - h})) / (2 * h)};
    const double g2 = Dot(g, g);
    if (g2 < 1e-12) break;
    q = Sub(q, Mul(g, f / g2));
    if (std::fabs(f) < 1e-7) break;
  }
  return q;
}

TMesh PolygoniseField(const TField& field, TPoint lo, TPoint hi, double cell) {
  const int nx = static_cast<int>(std::ceil((hi.x - lo.x) / cell)) + 1;
  const int ny = static_cast<int>(std::ceil((hi.y - lo.y) / cell)) + 1;
  const int nz = static_cast<int>(std::ceil((hi.z - lo.z) / cell)) + 1;
  auto at = [&](int i, int j, int k) { return (static_cast<size_t>(k) * ny + j) * nx + i; };
  auto point = [&](int i, int j, int k) {
    return TPoint{lo.x + i * cell, lo.y + j * cell, lo.z + k * cell};
  };
  std::vector<double> value(static_cast<size_t>(nx) * ny * nz);
  for (int k = 0; k < nz; ++k)
    for (int j = 0; j < ny; ++j)
      for (int i = 0; i < nx; ++i) value[at(i, j, k)] = field(point(i, j, k));

  TMesh m;
  std::vector<int> cellVertex(value.size(), -1);  // cell (i, j, k) spans points i..i+1
  static const int kCorner[8][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0},
                                    {0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};
  static const int kEdge[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                                   {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
  for (int k = 0; k + 1 < nz; ++k) {
    for (int j = 0; j + 1 < ny; ++j) {
      for (int i = 0; i + 1 < nx; ++i) {
        double v[8];
        for (int c = 0; c < 8; ++c)
          v[c] = value[at(i + kCorner[c][0], j + kCorner[c][1], k + kCorner[c][2])];
        TPoint sum{0, 0, 0};
        int crossings = 0;
        for (const auto& e : kEdge) {
          const double a = v[e[0]], b = v[e[1]];
          if ((a < 0) == (b < 0)) continue;
          const double t = a / (a - b);
          const TPoint pa = point(i + kCorner[e[0]][0], j + kCorner[e[0]][1], k + kCorner[e[0]][2]);
          const TPoint pb = point(i + kCorner[e[1]][0], j + kCorner[e[1]][1], k + kCorner[e[1]][2]);
          sum = AddP(sum, AddP(pa, Mul(Sub(pb, pa), t)));
          ++crossings;
        }
        if (!crossings) continue;
        cellVertex[at(i, j, k)] = static_cast<int>(m.vertices.size());
        m.vertices.push_back(Mul(sum, 1.0 / crossings));
      }
    }
  }
  // One quad per crossed lattice edge, from the four cells around it, in
  // counter-clockwise order about the edge's axis; reversed when the
  // outside lies towards the edge's start.
  auto quad = [&](int c0, int c1, int c2, int c3, bool outwardPositive) {
    if (c0 < 0 || c1 < 0 || c2 < 0 || c3 < 0) return;
    if (!outwardPositive) std::swap(c1, c3);
    const double d02 = Length(Sub(m.vertices[c0], m.vertices[c2]));
    const double d13 = Length(Sub(m.vertices[c1], m.vertices[c3]));
    if (d02 <= d13) {
      m.faces.push_back({c0, c1, c2});
      m.faces.push_back({c0, c2, c3});
    } else {
      m.faces.push_back({c1, c2, c3});
      m.faces.push_back({c1, c3, c0});
    }
  };
  auto cellAt = [&](int i, int j, int k) {
    if (i < 0 || j < 0 || k < 0 || i + 1 >= nx || j + 1 >= ny || k + 1 >= nz) return -1;
    return cellVertex[at(i, j, k)];
  };
  for (int k = 0; k < nz; ++k) {
    for (int j = 0; j < ny; ++j) {
      for (int i = 0; i < nx; ++i) {
        const bool in0 = value[at(i, j, k)] < 0;
        if (i + 1 < nx && in0 != (value[at(i + 1, j, k)] < 0)) {
          quad(cellAt(i, j - 1, k - 1), cellAt(i, j, k - 1), cellAt(i, j, k), cellAt(i, j - 1, k),
               in0);
        }
        if (j + 1 < ny && in0 != (value[at(i, j + 1, k)] < 0)) {
          quad(cellAt(i - 1, j, k - 1), cellAt(i - 1, j, k), cellAt(i, j, k), cellAt(i, j, k - 1),
               in0);
        }
        if (k + 1 < nz && in0 != (value[at(i, j, k + 1)] < 0)) {
          quad(cellAt(i - 1, j - 1, k), cellAt(i, j - 1, k), cellAt(i, j, k), cellAt(i - 1, j, k),
               in0);
        }
      }
    }
  }
  return m;
}

void RefineToFaceCount(TMesh& mesh, int faces, const TProjection& project) {
  std::vector<TPoint> splits;
  while (static_cast<int>(mesh.faces.size()) + 2 <= faces) {
    // Every edge with the faces that use it.
    std::map<std::pair<int, int>, std::vector<int>> edges;
    for (size_t f = 0; f < mesh.faces.size(); ++f) {
      const int v[3] = {mesh.faces[f].a, mesh.faces[f].b, mesh.faces[f].c};
      for (int e = 0; e < 3; ++e) {
        const int a = v[e], b = v[(e + 1) % 3];
        edges[{std::min(a, b), std::max(a, b)}].push_back(static_cast<int>(f));
      }
    }
    double bestLength = -1, bestSpread = -1;
    std::pair<int, int> best(-1, -1);
    for (const auto& [edge, users] : edges) {
      if (users.size() != 2) continue;
      const TPoint pa = mesh.vertices[edge.first], pb = mesh.vertices[edge.second];
      const double length = Length(Sub(pa, pb));
      if (length < bestLength * (1 - 1e-6)) continue;
      const TPoint mid = Mul(AddP(pa, pb), 0.5);
      double spread = 1e9;
      for (const TPoint& s : splits) spread = std::min(spread, Length(Sub(s, mid)));
      if (length > bestLength * (1 + 1e-6) || spread > bestSpread) {
        bestLength = length;
        bestSpread = spread;
        best = edge;
      }
    }
    if (best.first < 0) return;
    const int a = best.first, b = best.second;
    const TPoint mid = project(Mul(AddP(mesh.vertices[a], mesh.vertices[b]), 0.5));
    mesh.vertices.push_back(mid);
    splits.push_back(mid);
    const int m = static_cast<int>(mesh.vertices.size()) - 1;
    for (int f : edges[best]) {
      TFace& face = mesh.faces[f];
      // Rotate so that the split edge runs from corner a to corner b.
      int v[3] = {face.a, face.b, face.c};
      int r = 0;
      while (!((v[r] == a && v[(r + 1) % 3] == b) || (v[r] == b && v[(r + 1) % 3] == a))) ++r;
      const int p = v[r], q = v[(r + 1) % 3], o = v[(r + 2) % 3];
      face = {p, m, o};
      mesh.faces.push_back({m, q, o});
    }
  }
}

void RelaxVertices(TMesh& mesh, int rounds, const TProjection& project) {
  std::vector<std::vector<int>> neighbours(mesh.vertices.size());
  for (const TFace& f : mesh.faces) {
    const int v[3] = {f.a, f.b, f.c};
    for (int e = 0; e < 3; ++e) {
      neighbours[v[e]].push_back(v[(e + 1) % 3]);
      neighbours[v[e]].push_back(v[(e + 2) % 3]);
    }
  }
  for (int round = 0; round < rounds; ++round) {
    std::vector<TPoint> next = mesh.vertices;
    for (size_t i = 0; i < next.size(); ++i) {
      if (neighbours[i].empty()) continue;
      TPoint mean{0, 0, 0};
      for (int n : neighbours[i]) mean = AddP(mean, mesh.vertices[n]);
      mean = Mul(mean, 1.0 / neighbours[i].size());
      next[i] = project(Mul(AddP(mesh.vertices[i], mean), 0.5));
    }
    mesh.vertices.swap(next);
  }
}

void CentreMesh(TMesh& mesh) {
  TPoint lo = mesh.vertices[0], hi = mesh.vertices[0];
  for (const TPoint& p : mesh.vertices) {
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  const TPoint centre = Mul(AddP(lo, hi), 0.5);
  for (TPoint& p : mesh.vertices) p = Sub(p, centre);
}

void BalanceFirstCorners(TMesh& mesh) {
  std::vector<int> load(mesh.vertices.size(), 0);
  auto rotate = [](TFace& f) { f = {f.b, f.c, f.a}; };
  for (TFace& f : mesh.faces) {
    if (load[f.b] < load[f.a] && load[f.b] <= load[f.c]) {
      rotate(f);
    } else if (load[f.c] < load[f.a] && load[f.c] < load[f.b]) {
      rotate(f);
      rotate(f);
    }
    ++load[f.a];
  }
  // Passes that hand a face to a less busy corner while that helps.
  for (int pass = 0; pass < 8; ++pass) {
    bool moved = false;
    for (TFace& f : mesh.faces) {
      for (int turn = 0; turn < 2; ++turn) {
        const int other = turn == 0 ? f.b : f.c;
        if (load[other] + 1 >= load[f.a]) continue;
        --load[f.a];
        ++load[other];
        f = turn == 0 ? TFace{f.b, f.c, f.a} : TFace{f.c, f.a, f.b};
        moved = true;
        break;
      }
    }
    if (!moved) break;
  }
}

bool IsClosedManifold(const TMesh& mesh) {
  std::map<std::pair<int, int>, int> directed;
  for (const TFace& f : mesh.faces) {
    const int v[3] = {f.a, f.b, f.c};
    for (int e = 0; e < 3; ++e) ++directed[{v[e], v[(e + 1) % 3]}];
  }
  for (const auto& [edge, count] : directed) {
    if (count != 1 || directed.count({edge.second, edge.first}) == 0) return false;
  }
  return !mesh.faces.empty();
}

std::vector<TPoint> SpreadPoints(const std::vector<TPoint>& candidates,
                                 const std::vector<TPoint>& taken, int count) {
  // Squared distance from each candidate to the nearest point placed so far.
  std::vector<double> clearance(candidates.size(), HUGE_VAL);
  auto place = [&](const TPoint& p) {
    for (size_t i = 0; i < candidates.size(); ++i) {
      const TPoint d = Sub(candidates[i], p);
      clearance[i] = std::min(clearance[i], Dot(d, d));
    }
  };
  for (const TPoint& p : taken) place(p);
  std::vector<TPoint> picked;
  while (static_cast<int>(picked.size()) < count && !candidates.empty()) {
    size_t best = 0;
    for (size_t i = 1; i < candidates.size(); ++i) {
      if (clearance[i] > clearance[best]) best = i;
    }
    if (clearance[best] <= 0) break;
    picked.push_back(candidates[best]);
    place(candidates[best]);
  }
  return picked;
}

void AddPointFaces(TMesh& mesh, const std::vector<TPoint>& points) {
  for (const TPoint& p : points) {
    mesh.vertices.push_back(p);
    const int v = static_cast<int>(mesh.vertices.size()) - 1;
    mesh.faces.push_back({v, v, v});
  }
}

void OrderFacesByDirection(TMesh& mesh) {
  constexpr int kBands = 25;
  TPoint centre{0, 0, 0};
  for (const TFace& f : mesh.faces) centre = AddP(centre, mesh.vertices[f.a]);
  centre = Mul(centre, 1.0 / mesh.faces.size());
  struct TKey {
    double z, azimuth;
    int face;
  };
  std::vector<TKey> keys;
  for (size_t i = 0; i < mesh.faces.size(); ++i) {
    const TPoint d = Unit(Sub(mesh.vertices[mesh.faces[i].a], centre));
    keys.push_back({d.z, std::atan2(d.y, d.x), static_cast<int>(i)});
  }
  std::stable_sort(keys.begin(), keys.end(),
                   [](const TKey& p, const TKey& q) { return p.z < q.z; });
  const size_t n = keys.size();
  for (int band = 0; band < kBands; ++band) {
    const size_t from = n * band / kBands, to = n * (band + 1) / kBands;
    std::stable_sort(keys.begin() + from, keys.begin() + to,
                     [](const TKey& p, const TKey& q) { return p.azimuth < q.azimuth; });
  }
  std::vector<TFace> ordered;
  for (const TKey& k : keys) ordered.push_back(mesh.faces[k.face]);
  mesh.faces.swap(ordered);
}

namespace {

bool WriteAscStream(FILE* f, const std::string& objectName, const TMesh& mesh) {
  std::fprintf(f, "Ambient light color: Red=0.3 Green=0.3 Blue=0.3\n\n");
  std::fprintf(f, "Named object: \"%s\"\n", objectName.c_str());
  std::fprintf(f, "Tri-mesh, Vertices: %zu     Faces: %zu\n", mesh.vertices.size(),
               mesh.faces.size());
  std::fprintf(f, "Vertex list:\n");
  for (size_t i = 0; i < mesh.vertices.size(); ++i) {
    const TPoint& p = mesh.vertices[i];
    std::fprintf(f, "Vertex %zu:  X:%.6f     Y:%.6f     Z:%.6f\n", i, p.x + 0.0, p.y + 0.0,
                 p.z + 0.0);
  }
  std::fprintf(f, "Face list:\n");
  for (size_t i = 0; i < mesh.faces.size(); ++i) {
    // B and C swapped: the reader's Y/Z swap mirrors the mesh.
    const TFace& face = mesh.faces[i];
    std::fprintf(f, "Face %zu:    A:%d B:%d C:%d AB:1 BC:1 CA:1\n", i, face.a, face.c, face.b);
    std::fprintf(f, "Smoothing:  1\n");
  }
  return !std::ferror(f);
}

}  // namespace

bool WriteAsc(const std::string& path, const std::string& objectName, const TMesh& mesh) {
  // Written whole, never through a link (regular_file.h).
  std::string error;
  if (WriteFileWhole(
          path, [&](FILE* f) { return WriteAscStream(f, objectName, mesh); }, &error))
    return true;
  std::fprintf(stderr, "kelvane-assetgen: %s\n", error.c_str());
  return false;
}

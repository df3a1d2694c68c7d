// The .asc reader's cost: a 100,000-face mesh read and smoothed end to end,
// and the corner smoothing alone, linear against the pairwise reference on
// meshes small enough for the reference to finish.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "../tests/asset_support.h"
#include "assets/asc_parser.h"

namespace {

struct TMesh {
  std::vector<float> vertices, normals;
  std::vector<int32_t> faces;
  TAscObject Object() const {
    return {static_cast<int>(vertices.size() / 3), static_cast<int>(faces.size() / 3),
            vertices.data(), faces.data(), normals.data()};
  }
};

bool KeepMesh(const TAscObject& o, void* context) {
  TMesh& mesh = *static_cast<TMesh*>(context);
  mesh.vertices.assign(o.vertices, o.vertices + 3 * o.vertexCount);
  mesh.faces.assign(o.faces, o.faces + 3 * o.faceCount);
  mesh.normals.assign(o.faceNormals, o.faceNormals + 3 * o.faceCount);
  return true;
}

// A sphere grid of columns x rows quads (2 * columns * rows faces), parsed.
TMesh GridMesh(int columns, int rows) {
  const std::string path = WriteScratchFile("bench.asc", SphereGridAsc(columns, rows));
  TMesh mesh;
  ParseAscFile(path.c_str(), KeepMesh, &mesh);
  return mesh;
}

bool Stream(const TAscObject& o, void* context) {
  auto& stream = *static_cast<std::vector<float>*>(context);
  stream.resize(static_cast<size_t>(kStreamFloatsPerFace) * o.faceCount);
  return BuildTriangleStream(o, 1.0, stream.data());
}

// What ReadAscMesh does for a 100,000-face file, short of the GL calls.
void BM_ReadAndSmooth100kFaces(benchmark::State& state) {
  const std::string path = WriteScratchFile("bench100k.asc", SphereGridAsc(250, 200));
  std::vector<float> stream;
  for (auto _ : state) {
    if (ParseAscFile(path.c_str(), Stream, &stream) != 1) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(stream.data());
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_ReadAndSmooth100kFaces)->Unit(benchmark::kMillisecond);

// Grid sizes with 2 * c * r faces: 1,200, 5,000 and 100,000.
void GridArgs(benchmark::internal::Benchmark* b) {
  b->Args({30, 20})->Args({50, 50})->Args({250, 200});
}

void BM_SmoothLinear(benchmark::State& state) {
  const TMesh mesh = GridMesh(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  std::vector<double> corners(9 * mesh.faces.size() / 3);
  for (auto _ : state) {
    SmoothCornerNormals(mesh.Object(), corners.data());
    benchmark::DoNotOptimize(corners.data());
  }
  state.counters["faces"] = static_cast<double>(mesh.faces.size() / 3);
}
BENCHMARK(BM_SmoothLinear)->Apply(GridArgs)->Unit(benchmark::kMillisecond);

void BM_SmoothReference(benchmark::State& state) {
  const TMesh mesh = GridMesh(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  std::vector<double> corners(9 * mesh.faces.size() / 3);
  for (auto _ : state) {
    ReferenceCornerNormals(mesh.Object(), corners.data());
    benchmark::DoNotOptimize(corners.data());
  }
  state.counters["faces"] = static_cast<double>(mesh.faces.size() / 3);
}
// The 100,000-face case would take minutes: 10^10 face visits.
BENCHMARK(BM_SmoothReference)->Args({30, 20})->Args({50, 50})->Unit(benchmark::kMillisecond);

}  // namespace

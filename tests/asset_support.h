// Shared by the asset reader tests and the smoothing benchmark: scratch files
// in a private temporary folder, and the pairwise corner smoothing that the
// linear method must match bit for bit.
#pragma once

#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/asc_parser.h"

inline std::string& AssetScratchPath() {
  static std::string dir;
  return dir;
}

// A folder under /tmp made once per process and removed, with everything in
// it, when the process exits.
inline const std::string& AssetScratchDir() {
  std::string& dir = AssetScratchPath();
  if (dir.empty()) {
    char pattern[] = "/tmp/kelvane-assets-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) return dir = "/tmp";
    dir = made;
    std::atexit([] {
      nftw(
          AssetScratchPath().c_str(),
          [](const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); },
          16, FTW_DEPTH | FTW_PHYS);
    });
  }
  return dir;
}

// Writes bytes to name inside the scratch folder and returns the full path.
inline std::string WriteScratchFile(const std::string& name, const void* data, size_t size) {
  const std::string path = AssetScratchDir() + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}
inline std::string WriteScratchFile(const std::string& name, const std::string& text) {
  return WriteScratchFile(name, text.data(), text.size());
}
inline std::string WriteScratchFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  return WriteScratchFile(name, bytes.data(), bytes.size());
}

// The original smoothing: for each corner, the corner's own face normal,
// then every other face whose three indices include the corner's vertex (each
// counted once), in file order, summed in double precision. F * (F - 1)
// face visits.
inline void ReferenceCornerNormals(const TAscObject& object, double* cornerNormals) {
  const int32_t* faces = object.faces;
  const float* normals = object.faceNormals;
  for (int j = 0; j < object.faceCount; ++j) {
    for (int c = 0; c < 3; ++c) {
      const int32_t v = faces[3 * j + c];
      double sum[3] = {normals[3 * j], normals[3 * j + 1], normals[3 * j + 2]};
      for (int f = 0; f < object.faceCount; ++f) {
        if (f == j) continue;
        if (faces[3 * f] == v || faces[3 * f + 1] == v || faces[3 * f + 2] == v) {
          for (int k = 0; k < 3; ++k) sum[k] += normals[3 * f + k];
        }
      }
      for (int k = 0; k < 3; ++k) cornerNormals[9 * j + 3 * c + k] = sum[k];
    }
  }
}

// An .asc file of one object: a grid of columns x rows quads (two triangles
// each) bent over a sphere of radius 1, with vertex positions in exact
// decimal text. 2 * columns * rows faces.
inline std::string SphereGridAsc(int columns, int rows) {
  std::string text = "Named object: \"Grid\"\n";
  const int vertexCount = (columns + 1) * (rows + 1);
  char line[200];
  std::snprintf(line, sizeof line, "Tri-mesh, Vertices: %d     Faces: %d\nVertex list:\n",
                vertexCount, 2 * columns * rows);
  text += line;
  for (int r = 0; r <= rows; ++r) {
    for (int c = 0; c <= columns; ++c) {
      const double theta = 3.14159265358979 * (0.02 + 0.96 * r / rows);
      const double phi = 6.28318530717959 * c / columns;
      std::snprintf(line, sizeof line, "Vertex %d:  X:%.6f     Y:%.6f     Z:%.6f\n",
                    r * (columns + 1) + c, std::sin(theta) * std::cos(phi),
                    std::sin(theta) * std::sin(phi), std::cos(theta));
      text += line;
    }
  }
  text += "Face list:\n";
  int face = 0;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const int a = r * (columns + 1) + c, b = a + 1, d = a + columns + 1, e = d + 1;
      std::snprintf(line, sizeof line,
                    "Face %d:    A:%d B:%d C:%d AB:1 BC:1 CA:0\nSmoothing:  1 \n"
                    "Face %d:    A:%d B:%d C:%d AB:1 BC:1 CA:0\nMaterial:\"r\"\n",
                    face, a, b, e, face + 1, e, d, a);
      text += line;
      face += 2;
    }
  }
  return text;
}

// A BMP file: 14-byte file header, 40-byte info header, `palette` more
// header bytes, then `pixels` as given.
struct TBmpFields {
  int32_t width = 1;
  int32_t height = 1;
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  uint32_t sizeImage = 0;
  uint32_t palette = 0;
  char signature[2] = {'B', 'M'};
};

inline void PutLe(std::vector<uint8_t>& out, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

inline std::vector<uint8_t> MakeBmp(const TBmpFields& f, const std::vector<uint8_t>& pixels) {
  const uint32_t offBits = 54 + f.palette;
  std::vector<uint8_t> out(offBits, 0);
  out[0] = static_cast<uint8_t>(f.signature[0]);
  out[1] = static_cast<uint8_t>(f.signature[1]);
  PutLe(out, 2, offBits + static_cast<uint32_t>(pixels.size()), 4);
  PutLe(out, 10, offBits, 4);
  PutLe(out, 14, 40, 4);
  PutLe(out, 18, static_cast<uint32_t>(f.width), 4);
  PutLe(out, 22, static_cast<uint32_t>(f.height), 4);
  PutLe(out, 26, 1, 2);
  PutLe(out, 28, f.bitCount, 2);
  PutLe(out, 30, f.compression, 4);
  PutLe(out, 34, f.sizeImage, 4);
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

// A 24-bit image of one colour (blue, green, red as stored), rows padded.
inline std::vector<uint8_t> SolidBmp(int width, int height, uint8_t b, uint8_t g, uint8_t r) {
  const int rowBytes = (3 * width + 3) / 4 * 4;
  std::vector<uint8_t> pixels(static_cast<size_t>(rowBytes) * height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      pixels[y * rowBytes + 3 * x] = b;
      pixels[y * rowBytes + 3 * x + 1] = g;
      pixels[y * rowBytes + 3 * x + 2] = r;
    }
  }
  TBmpFields f;
  f.width = width;
  f.height = height;
  return MakeBmp(f, pixels);
}

// kelvane-inspect: shows asset authors what the demo's readers make of their
// files, with the same parser and converters the demo uses and no GL.
//
//   points FILE                what ReadAscPoints reports
//   mesh FILE                  what ReadAscMesh hands to GL at scale 1.0
//   rgb FILE OUT               the RGB buffer LoadTexture uploads
//   rgba COLOUR ALPHA OUT      the RGBA buffer LoadAlphaTexture uploads
//   check [DIR]                one line per asset file of the demo
//
// The output formats of points, mesh, rgb and rgba are read by scripts.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "assets/asc_mesh.h"
#include "assets/asc_parser.h"
#include "assets/bitmap.h"
#include "inspect.h"

namespace {

constexpr const char* kPointsUsage =
    "usage: kelvane-inspect points FILE\n"
    "Reads FILE as the particle seeding does (ReadAscPoints). Prints\n"
    "'result R faces N' (R is 1 or -1, N the face count reported), then N\n"
    "lines of the face's nine corner floats (A, B, C; x y z each), %.9g.\n"
    "Exit status 0 when R is 1.\n";
constexpr const char* kMeshUsage =
    "usage: kelvane-inspect mesh FILE\n"
    "Reads FILE as the start-up display lists do (ReadAscMesh, scale 1.0).\n"
    "Prints 'result R', then for each object emitted 'object V F' and 3F\n"
    "lines 'nx ny nz x y z': the smoothed normal and the position handed to\n"
    "GL, %.9g, in emission order. Exit status 0 when R is 1.\n";
constexpr const char* kRgbUsage =
    "usage: kelvane-inspect rgb FILE OUT\n"
    "Writes the RGB buffer LoadTexture hands to GL (rows bottom first, padded\n"
    "to 4 bytes) to OUT and prints 'width W height H'. Prints 'unreadable'\n"
    "and exits with status 1 when the image cannot be read.\n";
constexpr const char* kRgbaUsage =
    "usage: kelvane-inspect rgba COLOUR ALPHA OUT\n"
    "Writes the RGBA buffer LoadAlphaTexture hands to GL (packed rows, bottom\n"
    "first; alpha from the first stored byte of each ALPHA pixel) to OUT and\n"
    "prints 'width W height H' (the alpha image's). Prints 'unreadable' and\n"
    "exits with status 1 when either image cannot be read.\n";
constexpr const char* kCheckUsage =
    "usage: kelvane-inspect check [DIR]\n"
    "Checks the demo's 23 asset files in DIR (default: the current folder),\n"
    "one line each: whether it was found, its size, and what is wrong with it.\n"
    "Exit status 0 only when the demo will see every asset as intended.\n";

void PrintFloat(std::string& out, float value, const char* after) {
  char text[40];
  std::snprintf(text, sizeof text, "%.9g%s", value, after);
  out += text;
}

int Points(const char* fileName) {
  static float corners[kPointFloats];
  int faceCount = 0;
  const int result = ReadAscPoints(fileName, corners, &faceCount);
  std::printf("result %d faces %d\n", result, faceCount);
  std::string out;
  for (int j = 0; j < faceCount; ++j) {
    for (int i = 0; i < 9; ++i) PrintFloat(out, corners[9 * j + i], i < 8 ? " " : "\n");
  }
  std::fputs(out.c_str(), stdout);
  return result == 1 ? 0 : 1;
}

bool PrintObject(const TAscObject& object, void* context) {
  std::string& out = *static_cast<std::string*>(context);
  std::vector<float> stream(static_cast<size_t>(kStreamFloatsPerFace) * object.faceCount);
  if (!BuildTriangleStream(object, 1.0, stream.data())) return false;
  char line[64];
  std::snprintf(line, sizeof line, "object %d %d\n", object.vertexCount, object.faceCount);
  out += line;
  for (size_t i = 0; i < stream.size(); ++i) PrintFloat(out, stream[i], i % 6 < 5 ? " " : "\n");
  return true;
}

int Mesh(const char* fileName) {
  std::string out;
  const int result = ParseAscFile(fileName, PrintObject, &out);
  std::printf("result %d\n", result);
  std::fputs(out.c_str(), stdout);
  return result == 1 ? 0 : 1;
}

bool WriteBytes(const char* fileName, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(fileName, "wb");
  if (!f) {
    std::fprintf(stderr, "kelvane-inspect: cannot write %s\n", fileName);
    return false;
  }
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !ok) {
    std::fprintf(stderr, "kelvane-inspect: cannot write %s\n", fileName);
    return false;
  }
  return true;
}

int Rgb(const char* fileName, const char* outName) {
  TBitmap image;
  const char* why = nullptr;
  if (!ReadBitmap(fileName, &image, &why)) {
    std::printf("unreadable\n");
    std::fprintf(stderr, "kelvane-inspect: %s: %s\n", fileName, why);
    return 1;
  }
  if (!WriteBytes(outName, BitmapToRGB(image))) return 2;
  std::printf("width %d height %d\n", BitmapWidth(image), BitmapRows(image));
  return 0;
}

int Rgba(const char* colourName, const char* alphaName, const char* outName) {
  TBitmap colour, alpha;
  const char* why = nullptr;
  const bool colourRead = ReadBitmap(colourName, &colour, &why);
  if (!colourRead || !ReadBitmap(alphaName, &alpha, &why)) {
    std::printf("unreadable\n");
    std::fprintf(stderr, "kelvane-inspect: %s: %s\n", colourRead ? alphaName : colourName, why);
    return 1;
  }
  if (!WriteBytes(outName, BitmapToRGBA(colour, alpha))) return 2;
  std::printf("width %d height %d\n", BitmapWidth(alpha), BitmapRows(alpha));
  return 0;
}

bool WantsHelp(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return true;
  }
  return false;
}

int Usage(const char* text, bool asked) {
  std::fputs(text, asked ? stdout : stderr);
  return asked ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  const char* verb = argc > 1 ? argv[1] : "";
  const bool help = WantsHelp(argc, argv);
  const int operands = argc - 2;
  if (std::strcmp(verb, "points") == 0) {
    if (help || operands != 1) return Usage(kPointsUsage, help);
    return Points(argv[2]);
  }
  if (std::strcmp(verb, "mesh") == 0) {
    if (help || operands != 1) return Usage(kMeshUsage, help);
    return Mesh(argv[2]);
  }
  if (std::strcmp(verb, "rgb") == 0) {
    if (help || operands != 2) return Usage(kRgbUsage, help);
    return Rgb(argv[2], argv[3]);
  }
  if (std::strcmp(verb, "rgba") == 0) {
    if (help || operands != 3) return Usage(kRgbaUsage, help);
    return Rgba(argv[2], argv[3], argv[4]);
  }
  if (std::strcmp(verb, "check") == 0) {
    if (help || operands > 1) return Usage(kCheckUsage, help);
    return CheckAssets(operands == 1 ? argv[2] : ".");
  }
  std::string all = "usage: kelvane-inspect VERB ...  (VERB --help for details)\n\n";
  for (const char* text : {kPointsUsage, kMeshUsage, kRgbUsage, kRgbaUsage, kCheckUsage}) {
    all += text;
    all += "\n";
  }
  return Usage(all.c_str(), help);
}

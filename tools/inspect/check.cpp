// kelvane-inspect check: the demo's 23 loads, in start-up order (16 images,
// 3 display-list meshes, the music, 3 particle point files), one line each:
//
//   NAME (USE): SIZE bytes[, what was read]: ok
//   NAME (USE): SIZE bytes[, what was read]: PROBLEM; PROBLEM
//   NAME (USE): missing
//   NAME (USE): not a regular file (a folder): the demo reads it as missing
//   NAME (USE): unreadable: REASON
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "assets/asc_mesh.h"
#include "assets/asc_parser.h"
#include "assets/bitmap.h"
#include "inspect.h"
#include "platform/level_meter.h"
#include "platform/regular_file.h"
#include "platform/sound.h"

namespace {

enum TAssetKind { kImage, kAlphaImage, kMesh, kPoints, kMusic };

struct TAsset {
  const char* name;
  const char* use;
  TAssetKind kind;
};

// The order of LoadDemo: textures, display lists, music, particle seeding.
constexpr TAsset kAssets[] = {
    {"trumpet.bmp", "slot 10 colour", kImage},
    {"trumpetalpha.bmp", "slot 10 alpha", kAlphaImage},
    {"mortak.bmp", "slot 11", kImage},
    {"image4.bmp", "slot 12", kImage},
    {"image10.bmp", "slot 13", kImage},
    {"image8.bmp", "slot 14", kImage},
    {"spheremap.bmp", "slot 15", kImage},
    {"blob2.bmp", "slot 16", kImage},
    {"trail.bmp", "slot 17", kImage},
    {"image3.bmp", "slot 18", kImage},
    {"vantoril.bmp", "slot 19", kImage},
    {"image6.bmp", "slot 20", kImage},
    {"image11.bmp", "slot 21", kImage},
    {"log1.bmp", "slot 22", kImage},
    {"log2.bmp", "slot 24", kImage},
    {"kel.bmp", "slot 23", kImage},
    {"duck.asc", "display list 5", kMesh},
    {"sphere.asc", "display list 2", kMesh},
    {"cube.asc", "display list 3", kMesh},
    {"kel.mp3", "music", kMusic},
    {"sphere.asc", "particle points", kPoints},
    {"cube.asc", "particle points", kPoints},
    {"trailblobs.asc", "particle points", kPoints},
};
constexpr const char* kAlphaColourFile = "trumpet.bmp";

struct TLine {
  std::string read;      // what was read, after the size
  std::string problems;  // "; "-separated
  void Problem(const std::string& text) {
    if (!problems.empty()) problems += "; ";
    problems += text;
  }
};

__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...) {
  char text[200];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

bool PowerOfTwo(long n) { return n > 0 && (n & (n - 1)) == 0; }

void CheckImage(const std::string& dir, const TAsset& asset, TLine* line) {
  TBitmap image;
  const char* why = nullptr;
  if (!ReadBitmap((dir + "/" + asset.name).c_str(), &image, &why)) {
    line->Problem(std::string("unreadable: ") + why);
    return;
  }
  const long width = BitmapWidth(image), rows = BitmapRows(image);
  line->read = Format(", %ld x %ld, %d-bit", width, rows, BitmapBitCount(image));
  if (BitmapHeight(image) < 0) line->read += ", top-down";
  if (BitmapBitCount(image) != 24)
    line->Problem(Format("not 24-bit (%d-bit): the texture will be black", BitmapBitCount(image)));
  if (BitmapCompression(image) != 0)
    line->Problem(Format("not uncompressed (biCompression %u): the texture will be black",
                         BitmapCompression(image)));
  if (!PowerOfTwo(width) || !PowerOfTwo(rows))
    line->Problem(Format("sides %ld x %ld are not powers of two", width, rows));
  if (!BitmapConvertible(image)) return;

  const long padded = rows * ((3 * width + 3) / 4 * 4);
  const long have = static_cast<long>(image.pixels.size());
  if (asset.kind == kImage && have < padded)
    line->Problem(
        Format("pixel data holds %ld of the %ld bytes its padded rows need", have, padded));
  if (asset.kind != kAlphaImage) return;

  if (width % 4 != 0)
    line->Problem(
        "rows need padding (width not a multiple of 4), but the alpha merge reads "
        "them packed");
  TBitmap colour;
  if (ReadBitmap((dir + "/" + kAlphaColourFile).c_str(), &colour) &&
      (BitmapWidth(colour) != width || BitmapRows(colour) != rows))
    line->Problem(Format("differs in size from %s (%ld x %ld against %d x %d)", kAlphaColourFile,
                         width, rows, BitmapWidth(colour), BitmapRows(colour)));
}

struct TMeshTally {
  int objects = 0;
  long faces = 0;
  int largest = 0;
};

bool Tally(const TAscObject& object, void* context) {
  TMeshTally& tally = *static_cast<TMeshTally*>(context);
  ++tally.objects;
  tally.faces += object.faceCount;
  if (object.faceCount > tally.largest) tally.largest = object.faceCount;
  return true;
}

void CheckMesh(const std::string& dir, const TAsset& asset, TLine* line) {
  TMeshTally tally;
  TAscStop stop;
  const int result = ParseAscFile((dir + "/" + asset.name).c_str(), Tally, &tally, &stop);
  line->read =
      Format(", %d object%s, %ld faces", tally.objects, tally.objects == 1 ? "" : "s", tally.faces);
  if (result != 1)
    line->Problem(Format("parse failed at line %ld: ", stop.line) + (stop.why ? stop.why : "?"));
  if (asset.kind == kPoints && tally.largest > kMaxPointFaces)
    line->Problem(Format("an object has %d faces, more than the %d the particles take",
                         tally.largest, kMaxPointFaces));
}

void CheckMusic(const std::string& dir, const TAsset& asset, TLine* line) {
  // Decoded exactly as the demo decodes it, so "ok" means it will play.
  TPcm pcm;
  std::string why;
  if (!DecodeSoundFile((dir + "/" + asset.name).c_str(), &pcm, &why)) {
    const size_t colon = why.find(": ");
    line->Problem("cannot be decoded (" +
                  (colon == std::string::npos ? why : why.substr(colon + 2)) +
                  "): the demo will run in silence");
    return;
  }
  line->read = Format(", %.2f s of 44.1 kHz stereo", pcm.Frames() / double(kMusicRate));
  if (pcm.Frames() == 0) line->Problem("decodes to no sound: the demo will run in silence");
}

// Size in bytes of a regular file the program may read; otherwise -1 with
// *what saying why the demo cannot use it. The file is opened without
// waiting and checked open, as the demo opens it, so a FIFO cannot hold the
// check up.
long FileSize(const std::string& path, std::string* what) {
  const int fd = OpenRegularDescriptor(path.c_str());
  struct stat info;
  if (fd < 0 && errno == EINVAL) {
    if (stat(path.c_str(), &info) != 0) info.st_mode = 0;
    const char* kind = S_ISDIR(info.st_mode)                            ? "a folder"
                       : S_ISFIFO(info.st_mode)                         ? "a FIFO"
                       : S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ? "a device"
                                                                        : "a special file";
    *what = std::string("not a regular file (") + kind + "): the demo reads it as missing";
    return -1;
  }
  if (fd < 0) {
    *what = errno == ENOENT ? "missing" : std::string("unreadable: ") + std::strerror(errno);
    return -1;
  }
  const long size = fstat(fd, &info) == 0 ? static_cast<long>(info.st_size) : 0;
  close(fd);
  return size;
}

}  // namespace

int CheckAssets(const char* dirName) {
  const std::string dir = dirName;
  int faults = 0;
  for (const TAsset& asset : kAssets) {
    std::string what;
    const long size = FileSize(dir + "/" + asset.name, &what);
    if (size < 0) {
      std::printf("%s (%s): %s\n", asset.name, asset.use, what.c_str());
      ++faults;
      continue;
    }
    TLine line;
    switch (asset.kind) {
      case kImage:
      case kAlphaImage:
        CheckImage(dir, asset, &line);
        break;
      case kMesh:
      case kPoints:
        CheckMesh(dir, asset, &line);
        break;
      case kMusic:
        CheckMusic(dir, asset, &line);
        break;
    }
    if (!line.problems.empty()) ++faults;
    std::printf("%s (%s): %ld bytes%s: %s\n", asset.name, asset.use, size, line.read.c_str(),
                line.problems.empty() ? "ok" : line.problems.c_str());
  }
  return faults == 0 ? 0 : 1;
}

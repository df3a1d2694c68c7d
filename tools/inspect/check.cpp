// kelvane-inspect check: the demo's loads of the files of assets/manifest.h,
// in start-up order, one line each:
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
#include "assets/manifest.h"
#include "inspect.h"
#include "platform/audio/level_meter.h"
#include "platform/audio/sound.h"
#include "platform/files/regular_file.h"

namespace {

enum TAssetKind { kImage, kAlphaImage, kMesh, kPoints, kMusic };

struct TAsset {
  std::string name;
  std::string use;
  TAssetKind kind;
  const char* colourFile;  // for kAlphaImage: the picture it cuts out
};

// The order of LoadDemo: textures, display lists, music, particle seeding.
std::vector<TAsset> DemoLoads() {
  std::vector<TAsset> loads;
  for (const TTextureAsset& t : kTextureAssets) {
    const std::string slot = "slot " + std::to_string(t.slot);
    if (!t.alphaFile) {
      loads.push_back({t.file, slot, kImage, nullptr});
      continue;
    }
    loads.push_back({t.file, slot + " colour", kImage, nullptr});
    loads.push_back({t.alphaFile, slot + " alpha", kAlphaImage, t.file});
  }
  for (const TMeshAsset& m : kMeshAssets)
    loads.push_back({m.file, "display list " + std::to_string(m.list), kMesh, nullptr});
  loads.push_back({kMusicFile, "music", kMusic, nullptr});
  for (const TPointAsset& p : kPointAssets)
    loads.push_back({p.file, "particle points", kPoints, nullptr});
  return loads;
}

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
  if (ReadBitmap((dir + "/" + asset.colourFile).c_str(), &colour) &&
      (BitmapWidth(colour) != width || BitmapRows(colour) != rows))
    line->Problem(Format("differs in size from %s (%ld x %ld against %d x %d)", asset.colourFile,
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
  for (const TAsset& asset : DemoLoads()) {
    std::string what;
    const long size = FileSize(dir + "/" + asset.name, &what);
    if (size < 0) {
      std::printf("%s (%s): %s\n", asset.name.c_str(), asset.use.c_str(), what.c_str());
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
    std::printf("%s (%s): %ld bytes%s: %s\n", asset.name.c_str(), asset.use.c_str(), size,
                line.read.c_str(), line.problems.empty() ? "ok" : line.problems.c_str());
  }
  return faults == 0 ? 0 : 1;
}

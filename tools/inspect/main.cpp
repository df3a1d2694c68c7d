// kelvane-inspect: shows asset authors what the demo's readers make of their
// files, with the same parser and converters the demo uses and no GL.
//
//   points FILE                what ReadAscPoints reports
//   mesh FILE                  what ReadAscMesh hands to GL at scale 1.0
//   rgb FILE OUT               the RGB buffer LoadTexture uploads
//   rgba COLOUR ALPHA OUT      the RGBA buffer LoadAlphaTexture uploads
//   check [DIR]                one line per asset file of the demo
//   list                       the files of the asset pack
//
// The output formats of points, mesh, rgb, rgba and list are read by scripts.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "assets/asc_mesh.h"
#include "assets/asc_parser.h"
#include "assets/bitmap.h"
#include "assets/manifest.h"
#include "command_line.h"
#include "inspect.h"
#include "platform/files/regular_file.h"

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
    "and exits with status 1 when the image cannot be read; exits with status 1\n"
    "when OUT cannot be written.\n";
constexpr const char* kRgbaUsage =
    "usage: kelvane-inspect rgba COLOUR ALPHA OUT\n"
    "Writes the RGBA buffer LoadAlphaTexture hands to GL (packed rows, bottom\n"
    "first; alpha from the first stored byte of each ALPHA pixel) to OUT and\n"
    "prints 'width W height H' (the alpha image's). Prints 'unreadable' and\n"
    "exits with status 1 when either image cannot be read; exits with status 1\n"
    "when OUT cannot be written.\n";
constexpr const char* kCheckUsage =
    "usage: kelvane-inspect check [DIR]\n"
    "Checks every asset the demo loads from DIR (default: the current folder),\n"
    "one line per load (a mesh that also seeds particles is checked as both):\n"
    "whether it was found, its size, and what is wrong with it.\n"
    "Exit status 0 only when the demo will see every asset as intended.\n";
constexpr const char* kListUsage =
    "usage: kelvane-inspect list\n"
    "Prints the files of the asset pack, each once, in the order the demo loads\n"
    "them, one line each: 'NAME picture ASPECT FILTER [ALPHA]' for a picture\n"
    "(ASPECT the width / height its scene shows it at, FILTER 'nearest' for\n"
    "pixel art or 'smooth', ALPHA the picture that cuts it out), 'NAME alpha\n"
    "ASPECT FILTER' for such an alpha picture, 'NAME mesh' (a display list,\n"
    "perhaps particle points too), 'NAME points' (particle points only) or\n"
    "'NAME music'.\n";

// Why fileName cannot be read as a file (strerror's words), or null when it
// is a regular file that opens. Opened without blocking, as the readers do,
// so that a FIFO cannot hold the inspector up.
const char* UnreadableReason(const char* fileName) {
  const int fd = open(fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  struct stat file;
  const bool statted = fstat(fd, &file) == 0;
  const int statError = errno;
  close(fd);
  if (!statted) return std::strerror(statError);
  if (S_ISDIR(file.st_mode)) return std::strerror(EISDIR);
  return S_ISREG(file.st_mode) ? nullptr : "not a regular file";
}

bool IgnoreObject(const TAscObject&, void*) { return true; }

// Says on stderr why an .asc file was refused: the file or the line.
void ExplainAscFailure(const char* fileName) {
  if (const char* reason = UnreadableReason(fileName)) {
    std::fprintf(stderr, "kelvane-inspect: %s: %s\n", fileName, reason);
    return;
  }
  TAscStop stop;
  ParseAscFile(fileName, IgnoreObject, nullptr, &stop);
  std::fprintf(stderr, "kelvane-inspect: %s: line %ld: %s\n", fileName, stop.line,
               stop.why ? stop.why : "not read");
}

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
  if (result != 1) ExplainAscFailure(fileName);
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
  if (result != 1) ExplainAscFailure(fileName);
  return result == 1 ? 0 : 1;
}

// Written whole, never through a link (regular_file.h).
bool WriteBytes(const char* fileName, const std::vector<uint8_t>& bytes) {
  std::string error;
  const bool ok = WriteFileWhole(
      fileName,
      [&](FILE* f) { return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size(); },
      &error);
  if (!ok) std::fprintf(stderr, "kelvane-inspect: %s\n", error.c_str());
  return ok;
}

int Rgb(const char* fileName, const char* outName) {
  // A folder or a FIFO as the output is refused before any work.
  const std::string problem = OutputTargetProblem(outName);
  if (!problem.empty()) {
    std::fprintf(stderr, "kelvane-inspect: %s; give a file name\n", problem.c_str());
    return 1;
  }
  TBitmap image;
  const char* why = nullptr;
  if (!ReadBitmap(fileName, &image, &why)) {
    std::printf("unreadable\n");
    const char* reason = UnreadableReason(fileName);
    std::fprintf(stderr, "kelvane-inspect: %s: %s\n", fileName, reason ? reason : why);
    return 1;
  }
  if (!WriteBytes(outName, BitmapToRGB(image))) return 1;
  std::printf("width %d height %d\n", BitmapWidth(image), BitmapRows(image));
  return 0;
}

int Rgba(const char* colourName, const char* alphaName, const char* outName) {
  TBitmap colour, alpha;
  const char* why = nullptr;
  const bool colourRead = ReadBitmap(colourName, &colour, &why);
  if (!colourRead || !ReadBitmap(alphaName, &alpha, &why)) {
    std::printf("unreadable\n");
    const char* failed = colourRead ? alphaName : colourName;
    const char* reason = UnreadableReason(failed);
    std::fprintf(stderr, "kelvane-inspect: %s: %s\n", failed, reason ? reason : why);
    return 1;
  }
  if (!WriteBytes(outName, BitmapToRGBA(colour, alpha))) return 1;
  std::printf("width %d height %d\n", BitmapWidth(alpha), BitmapRows(alpha));
  return 0;
}

void PrintListLine(const char* file) {
  for (const TTextureAsset& t : kTextureAssets) {
    const char* filter = t.pixelArt ? "nearest" : "smooth";
    if (std::strcmp(file, t.file) == 0) {
      std::printf("%s picture %g %s%s%s\n", file, t.shownAspect, filter, t.alphaFile ? " " : "",
                  t.alphaFile ? t.alphaFile : "");
      return;
    }
    if (t.alphaFile && std::strcmp(file, t.alphaFile) == 0) {
      std::printf("%s alpha %g %s\n", file, t.shownAspect, filter);
      return;
    }
  }
  for (const TMeshAsset& m : kMeshAssets) {
    if (std::strcmp(file, m.file) == 0) {
      std::printf("%s mesh\n", file);
      return;
    }
  }
  std::printf("%s %s\n", file, std::strcmp(file, kMusicFile) == 0 ? "music" : "points");
}

int List() {
  for (int i = 0; i < kAssetFileCount; ++i) PrintListLine(kAssetFiles.names[i]);
  return 0;
}

const char* const kUsageHead =
    "usage: kelvane-inspect VERB ...  (VERB --help for details)\n"
    "       kelvane-inspect -h | --help | -V | --version\n"
    "\n"
    "Exit status: 0 as the demo needs it, 1 not so or a file that cannot be read\n"
    "or written, 2 a mistake on the command line.\n"
    "\n";

int Check(const char* dir);

struct TInspectVerb {
  const char* name;
  const char* usage;
  const char* operands;  // as the usage names them
  int fewest, most;      // operand counts
  int (*run)(char** operand, int count);
};
const TInspectVerb kVerbs[] = {
    {"points", kPointsUsage, "FILE", 1, 1, [](char** op, int) { return Points(op[0]); }},
    {"mesh", kMeshUsage, "FILE", 1, 1, [](char** op, int) { return Mesh(op[0]); }},
    {"rgb", kRgbUsage, "FILE OUT", 2, 2, [](char** op, int) { return Rgb(op[0], op[1]); }},
    {"rgba", kRgbaUsage, "COLOUR ALPHA OUT", 3, 3,
     [](char** op, int) { return Rgba(op[0], op[1], op[2]); }},
    {"check", kCheckUsage, "[DIR]", 0, 1,
     [](char** op, int count) { return Check(count == 1 ? op[0] : "."); }},
    {"list", kListUsage, "", 0, 0, [](char**, int) { return List(); }},
};

const option kLongOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// A mistake on the command line: named, with the hint, status 2.
int BadArguments(const std::string& message, const std::string& helpWith) {
  std::fprintf(stderr, "kelvane-inspect: %s\nTry 'kelvane-inspect %s--help'.\n", message.c_str(),
               helpWith.c_str());
  return 2;
}

// check: the folder must be there before its assets are looked at.
int Check(const char* dir) {
  struct stat folder;
  if (stat(dir, &folder) != 0) {
    if (errno == ENOENT) {
      std::fprintf(stderr, "kelvane-inspect: %s: no such folder\n", dir);
    } else {
      std::fprintf(stderr, "kelvane-inspect: %s: %s\n", dir, std::strerror(errno));
    }
    return 1;
  }
  if (!S_ISDIR(folder.st_mode)) {
    std::fprintf(stderr, "kelvane-inspect: %s: not a folder\n", dir);
    return 1;
  }
  return CheckAssets(dir);
}

int PrintVersion() {
  std::puts("kelvane-inspect " KELVANE_VERSION);
  return 0;
}

// The place of the verb, the first operand, when it stands before argv[end];
// otherwise 0.
int VerbBefore(int end, char** argv) {
  for (int i = 1; i < end; ++i)
    if (argv[i][0] != '-') return i;
  return 0;
}

// The usage of the verb named before argv[at], or of every verb when none is.
int PrintHelp(int at, char** argv) {
  std::string text;
  if (const int verbAt = VerbBefore(at, argv))
    for (const TInspectVerb& verb : kVerbs)
      if (std::strcmp(argv[verbAt], verb.name) == 0) text = verb.usage;
  if (text.empty()) {
    text = kUsageHead;
    for (const TInspectVerb& verb : kVerbs) {
      text += verb.usage;
      text += "\n";
    }
  }
  std::fputs(text.c_str(), stdout);
  return 0;
}

// The verb's operands; argv[0] is the verb. Its -h and --help were answered
// by main unless a lone "--" stood before the verb.
int RunVerb(const TInspectVerb& verb, int argc, char** argv) {
  const std::string helpWith = std::string(verb.name) + " ";
  int at = 0;
  std::string mistake;
  const int asked = ScanCommandLine(argc, argv, kLongOptions, &at, &mistake);
  if (asked == 'V') return PrintVersion();
  if (asked == 'h') {
    std::fputs(verb.usage, stdout);
    return 0;
  }
  if (asked == '?') return BadArguments(verb.name + std::string(": ") + mistake, helpWith);
  optind = 0;  // a fresh scan of the verb's arguments
  const int code = getopt_long(argc, argv, ":", kLongOptions, nullptr);
  if (code != -1)
    return BadArguments(verb.name + std::string(": ") + OptionMistake(code, argv, kLongOptions),
                        helpWith);
  const int count = argc - optind;
  char** operand = argv + optind;
  if (count < verb.fewest) return BadArguments(helpWith + "needs " + verb.operands, helpWith);
  if (count > verb.most)
    return BadArguments(
        verb.name + std::string(": unexpected argument '") + operand[verb.most] + "'", helpWith);
  return verb.run(operand, count);
}

}  // namespace

int main(int argc, char** argv) {
  opterr = 0;
  int at = 0;
  std::string mistake;
  const int asked = ScanCommandLine(argc, argv, kLongOptions, &at, &mistake);
  if (asked == 'V') return PrintVersion();
  if (asked == 'h') return PrintHelp(at, argv);
  // A mistake after the verb is the verb's, and RunVerb names it so.
  if (asked == '?' && !VerbBefore(at, argv)) return BadArguments(mistake, "");
  // '+': stop at the verb, whose arguments RunVerb reads. Any option here is
  // a mistake: -h and -V have been answered.
  const int code = getopt_long(argc, argv, "+:", kLongOptions, nullptr);
  if (code != -1) return BadArguments(OptionMistake(code, argv, kLongOptions), "");
  if (optind >= argc)
    return BadArguments("say which verb: points, mesh, rgb, rgba, check or list", "");
  for (const TInspectVerb& verb : kVerbs)
    if (std::strcmp(argv[optind], verb.name) == 0)
      return RunVerb(verb, argc - optind, argv + optind);
  return BadArguments(std::string("unknown verb '") + argv[optind] + "'", "");
}

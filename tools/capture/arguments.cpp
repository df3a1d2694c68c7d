// The command line. Every mistake is refused here, before anything is
// loaded, with a message that names the argument.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "capture/capture.h"
#include "shell/demo.h"

const char* const kCaptureVersion = "kelvane-capture " KELVANE_VERSION;

const char* const kCaptureUsage =
    "usage: kelvane-capture --at D --out FILE.png [--size WxH] [--data DIR] [--level L]\n"
    "       kelvane-capture --video FILE.mp4 [--fps N[/M]] [--size WxH] [--data DIR]\n"
    "                       [--from D] [--duration S] [--level L]\n"
    "       kelvane-capture --frames DIR [--fps N[/M]] [--size WxH] [--data DIR]\n"
    "                       [--from D] [--duration S] [--level L]\n"
    "       kelvane-capture --sheet FILE.png [--size WxH] [--data DIR] [--level L]\n"
    "       kelvane-capture --help | --version\n"
    "\n"
    "Renders Kelvane frame by frame on an offscreen OpenGL context with a virtual\n"
    "clock: frame n is shown at n x 1000 x M / N ms after demo time 0, whatever the\n"
    "speed of the machine. The music level of every frame is read from the decoded\n"
    "music, as the live demo reads it.\n"
    "\n"
    "  --at D          render the frame at demo time D (0 to 1300) into --out\n"
    "  --video FILE    the whole timeline (demo time 0 to 1300) as H.264 and AAC\n"
    "                  through ffmpeg; Ctrl-C stops early and leaves a playable file\n"
    "  --frames DIR    the same frames as a PNG sequence, DIR/frame-NNNNN.png, NNNNN\n"
    "                  being the frame number counted from demo time 0\n"
    "  --sheet FILE    one frame from the middle of each of the 16 timeline rows,\n"
    "                  halved and tiled four across, each labelled with its row,\n"
    "                  scene and demo time\n"
    "  --size WxH      frame size in pixels (default 675x525, the window's client\n"
    "                  area; 676x526 for --video, which needs even sides)\n"
    "  --fps N[/M]     frames per second, N / M (default 60)\n"
    "  --from D        start at the first frame at or after demo time D\n"
    "  --duration S    stop after S seconds of frames\n"
    "  --data DIR      directory holding the asset pack (default: the current one)\n"
    "  --level L       music level 0..1 for every frame instead of the music's own\n"
    "\n"
    "Exit status: 0 done, 1 failed, 2 bad arguments, 130 interrupted.\n";

namespace {

constexpr int kMaxSide = 8192;             // pixels
constexpr int64_t kMaxRatePart = 1000000;  // numerator or denominator of --fps
constexpr double kMinFps = 0.1;
constexpr double kMaxFps = 1000.0;
constexpr double kMaxDuration = 3600.0;  // seconds

bool ParseDouble(const char* text, double* value) {
  if (!*text) return false;
  char* end = nullptr;
  errno = 0;
  *value = std::strtod(text, &end);
  return errno == 0 && *end == '\0' && std::isfinite(*value);
}

bool ParseInt(const char* text, int64_t limit, int64_t* value) {
  if (*text < '0' || *text > '9') return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0' || v < 1 || v > limit) return false;
  *value = v;
  return true;
}

bool ParseSize(const char* text, int* width, int* height) {
  const char* x = std::strchr(text, 'x');
  if (!x) return false;
  const std::string w(text, x);
  int64_t wv = 0, hv = 0;
  if (!ParseInt(w.c_str(), kMaxSide, &wv) || !ParseInt(x + 1, kMaxSide, &hv)) return false;
  *width = static_cast<int>(wv);
  *height = static_cast<int>(hv);
  return true;
}

bool ParseRate(const char* text, TFrameRate* rate) {
  const char* slash = std::strchr(text, '/');
  int64_t num = 0, den = 1;
  if (slash) {
    const std::string n(text, slash);
    if (!ParseInt(n.c_str(), kMaxRatePart, &num) || !ParseInt(slash + 1, kMaxRatePart, &den))
      return false;
  } else if (!ParseInt(text, kMaxRatePart, &num)) {
    return false;
  }
  const double fps = static_cast<double>(num) / static_cast<double>(den);
  if (fps < kMinFps || fps > kMaxFps) return false;
  *rate = TFrameRate{num, den};
  return true;
}

// Which verbs take each option; "--at" etc. are the verbs themselves.
struct TOptionUse {
  const char* name;
  bool at, video, frames, sheet;
};
const TOptionUse kOptionUses[] = {
    {"--out", true, false, false, false},     {"--size", true, true, true, true},
    {"--data", true, true, true, true},       {"--level", true, true, true, true},
    {"--fps", false, true, true, false},      {"--from", false, true, true, false},
    {"--duration", false, true, true, false},
};

bool Fail(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

}  // namespace

bool ParseCaptureArgs(int argc, char** argv, TCaptureOptions* options, std::string* error) {
  TCaptureOptions o;
  std::string verbName;
  bool given[sizeof kOptionUses / sizeof kOptionUses[0]] = {};
  bool sizeGiven = false;

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "--version") {
      if (argc != 2) return Fail(error, arg + " takes no other argument");
      options->verb = arg == "--help" ? TVerb::kHelp : TVerb::kVersion;
      return true;
    }
    const bool isVerb = arg == "--at" || arg == "--video" || arg == "--frames" || arg == "--sheet";
    int use = -1;
    for (size_t k = 0; k < sizeof kOptionUses / sizeof kOptionUses[0]; ++k)
      if (arg == kOptionUses[k].name) use = static_cast<int>(k);
    if (!isVerb && use < 0) {
      if (arg.rfind("--", 0) == 0) return Fail(error, "unknown option " + arg);
      return Fail(error, "unexpected argument '" + arg + "'");
    }
    if (i + 1 >= argc) return Fail(error, arg + " needs a value");
    const char* value = argv[++i];

    if (isVerb) {
      if (o.verb != TVerb::kNone)
        return Fail(error, arg + " and " + verbName + " exclude each other");
      verbName = arg;
      if (arg == "--at") {
        o.verb = TVerb::kAt;
        if (!ParseDouble(value, &o.at) || o.at < 0.0 || o.at > kDemoEnd)
          return Fail(error,
                      std::string("--at wants a demo time from 0 to 1300, not '") + value + "'");
      } else {
        o.verb = arg == "--video"    ? TVerb::kVideo
                 : arg == "--frames" ? TVerb::kFrames
                                     : TVerb::kSheet;
        if (!*value) return Fail(error, arg + " needs a file or directory name");
        o.target = value;
      }
      continue;
    }

    if (given[use]) return Fail(error, arg + " is given twice");
    given[use] = true;
    if (arg == "--out") {
      if (!*value) return Fail(error, "--out needs a file name");
      o.target = value;
    } else if (arg == "--size") {
      if (!ParseSize(value, &o.width, &o.height))
        return Fail(error, std::string("--size wants WxH, each side 1 to 8192 pixels, not '") +
                               value + "'");
      sizeGiven = true;
    } else if (arg == "--data") {
      if (!*value) return Fail(error, "--data needs a directory");
      o.dataDir = value;
    } else if (arg == "--level") {
      double level = 0.0;
      if (!ParseDouble(value, &level) || level < 0.0 || level > 1.0)
        return Fail(error, std::string("--level wants a number from 0 to 1, not '") + value + "'");
      o.levelGiven = true;
      o.level = static_cast<float>(level);
    } else if (arg == "--fps") {
      if (!ParseRate(value, &o.fps))
        return Fail(error, std::string("--fps wants N or N/M, 0.1 to 1000 frames a second, "
                                       "not '") +
                               value + "'");
    } else if (arg == "--from") {
      if (!ParseDouble(value, &o.from) || o.from < 0.0 || o.from > kDemoEnd)
        return Fail(error,
                    std::string("--from wants a demo time from 0 to 1300, not '") + value + "'");
    } else if (arg == "--duration") {
      if (!ParseDouble(value, &o.duration) || !(o.duration > 0.0) || o.duration > kMaxDuration)
        return Fail(error, std::string("--duration wants seconds above 0, not '") + value + "'");
    }
  }

  if (o.verb == TVerb::kNone)
    return Fail(error, "say what to capture: --at, --video, --frames or --sheet");
  for (size_t k = 0; k < sizeof kOptionUses / sizeof kOptionUses[0]; ++k) {
    if (!given[k]) continue;
    const TOptionUse& u = kOptionUses[k];
    const bool applies = (o.verb == TVerb::kAt && u.at) || (o.verb == TVerb::kVideo && u.video) ||
                         (o.verb == TVerb::kFrames && u.frames) ||
                         (o.verb == TVerb::kSheet && u.sheet);
    if (!applies) return Fail(error, std::string(u.name) + " does not go with " + verbName);
  }
  if (o.verb == TVerb::kAt && o.target.empty()) return Fail(error, "--at needs --out FILE.png");
  if (o.verb == TVerb::kVideo && sizeGiven && (o.width % 2 || o.height % 2))
    return Fail(error, "--video needs even sides (H.264 in yuv420p): --size " +
                           std::to_string(o.width) + "x" + std::to_string(o.height));
  if (o.verb == TVerb::kSheet && sizeGiven && (o.width < 2 || o.height < 2))
    return Fail(error, "--sheet halves each frame: --size needs sides of 2 or more");
  if (!sizeGiven) DefaultSize(o.verb, &o.width, &o.height);
  if (o.verb == TVerb::kVideo || o.verb == TVerb::kFrames) {
    int64_t first = 0, count = 0;
    FrameSpan(o, &first, &count);
    if (count == 0) return Fail(error, "--from leaves no frame before the end of the timeline");
  }
  *options = o;
  return true;
}

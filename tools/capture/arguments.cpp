// The command line. Every mistake is refused here, before anything is
// loaded, with a message that names the argument.
#include <strings.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <numeric>

#include "capture/capture.h"
#include "command_line.h"
#include "demo/demo.h"
#include "demo/demo_time.h"
#include "platform/files/regular_file.h"

const char* const kCaptureVersion = "kelvane-capture " KELVANE_VERSION;

const char* const kCaptureUsage =
    "usage: kelvane-capture --at T --out FILE.png [--size WxH] [--data DIR] [--level L]\n"
    "                       [--reduce-flashing]\n"
    "       kelvane-capture --video FILE.mp4 [--fps F] [--size WxH] [--data DIR]\n"
    "                       [--from T] [--duration S] [--level L] [--jobs N | --segment K/N]\n"
    "                       [--reduce-flashing]\n"
    "       kelvane-capture --frames DIR [--fps F] [--size WxH] [--data DIR]\n"
    "                       [--from T] [--duration S] [--level L] [--segment K/N]\n"
    "                       [--reduce-flashing]\n"
    "       kelvane-capture --join FILE.mp4 [--fps F] [--from T] [--duration S]\n"
    "                       [--data DIR] PART.mp4...\n"
    "       kelvane-capture --sheet FILE.png [--size WxH] [--data DIR] [--level L]\n"
    "                       [--reduce-flashing]\n"
    "       kelvane-capture -h | --help | -V | --version\n"
    "\n"
    "Renders Kelvane frame by frame on an offscreen OpenGL context with a virtual\n"
    "clock: at N/M frames a second, frame n is shown at n x 1000 x M / N ms after\n"
    "demo time 0, whatever the speed of the machine. The music level of every frame\n"
    "is read from the decoded music, as the live demo reads it.\n"
    "\n"
    "  --at T          render the frame at time T into --out: m:ss[.t] (1:30,\n"
    "                  0:44.3), seconds (90s) or demo units (0 to 1300; 9.8 a second)\n"
    "  --out FILE      the .png file for --at\n"
    "  --video FILE    the whole timeline (demo time 0 to 1300) as H.264 and AAC\n"
    "                  through ffmpeg, into a .mp4, .m4v, .mov or .mkv file; Ctrl-C\n"
    "                  stops early and leaves a playable file\n"
    "  --frames DIR    the same frames as a PNG sequence, DIR/frame-NNNNN.png, NNNNN\n"
    "                  being the frame number counted from demo time 0\n"
    "  --join FILE     join the videos of --segment 1/N to N/N, named in order after\n"
    "                  the options, into FILE (named as for --video) without\n"
    "                  encoding the picture again, with the music of their span as\n"
    "                  one track; give the --fps, --from, --duration and --data\n"
    "                  the segments were made with\n"
    "  --sheet FILE    a .png of one frame from the middle of each of the 16\n"
    "                  timeline rows, halved and tiled four across, each labelled\n"
    "                  with its row, scene and demo time\n"
    "  --size WxH      frame size in pixels (default 675x525, the window's client\n"
    "                  area; 676x526 for --video, which needs even sides)\n"
    "  --fps F         frames per second, 0.1 to 1000 (default 60): N, N/M or a\n"
    "                  decimal (30, 30000/1001, 29.97, which is 2997/100)\n"
    "  --from T        start at the first frame at or after time T (as for --at);\n"
    "                  each frame is the same as in a capture from 0\n"
    "  --duration S    stop after S seconds of frames, at most 3600\n"
    "  --segment K/N   only the K-th of N consecutive segments of those frames\n"
    "  --jobs N        render the video as N segments in N processes at once and\n"
    "                  join them: the same frames and sound as one process\n"
    "  --data DIR      directory holding the asset pack (default: data/ beside this\n"
    "                  program, else ../share/kelvane/data from it, else the current\n"
    "                  directory); a directory with none of the demo's files is refused,\n"
    "                  and so is one that lacks some of them, which are listed\n"
    "  --partial-pack  render with what the pack holds: a missing picture is black,\n"
    "                  missing music is silence\n"
    "  --level L       music level 0..1 for every frame instead of the music's own\n"
    "  --reduce-flashing\n"
    "                  for viewers sensitive to flashing light: the glitch holds each\n"
    "                  moment for half a second and the background flash is rare and\n"
    "                  dim, as in kelvane-player --reduce-flashing\n"
    "  -h, --help      this text\n"
    "  -V, --version   the program's name and version\n"
    "\n"
    "Every option also takes its value as --option=VALUE; numbers are plain decimals.\n"
    "Exit status: 0 done, 1 failed, 2 a mistake on the command line, 130 after\n"
    "Ctrl-C (SIGINT), 143 after SIGTERM.\n";

namespace {

constexpr int kMaxSide = 8192;             // pixels
constexpr int64_t kMaxRatePart = 1000000;  // numerator or denominator of --fps
constexpr double kMinFps = 0.1;
constexpr double kMaxFps = 1000.0;
constexpr double kMaxDuration = 3600.0;  // seconds
constexpr int64_t kMaxJobs = 64;
constexpr int64_t kMaxSegments = 100000;

constexpr int64_t kMaxRateDigits = 100000000000000;  // bounds a decimal --fps while it is read

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

bool ParseSegment(const char* text, int* k, int* n) {
  const char* slash = std::strchr(text, '/');
  if (!slash) return false;
  const std::string first(text, slash);
  int64_t kv = 0, nv = 0;
  if (!ParseInt(first.c_str(), kMaxSegments, &kv) || !ParseInt(slash + 1, kMaxSegments, &nv) ||
      kv > nv)
    return false;
  *k = static_cast<int>(kv);
  *n = static_cast<int>(nv);
  return true;
}

// A decimal rate as the exact fraction it writes, reduced: "29.97" is
// 2997 / 100, "30" and "30.0" are 30 / 1. Like N and M, its terms must be at
// most kMaxRatePart, about the finest rate ffmpeg reads.
bool ParseDecimalRate(const char* text, int64_t* num, int64_t* den) {
  double value = 0.0;
  if (!ParseDecimal(text, &value) || !(value > 0.0)) return false;
  const char* point = std::strchr(text, '.');
  *num = 0;
  *den = 1;
  for (const char* p = text; *p; ++p) {
    if (p == point) continue;
    if (*num > kMaxRateDigits || *den > kMaxRateDigits) return false;
    *num = *num * 10 + (*p - '0');
    if (point && p > point) *den *= 10;
  }
  const int64_t common = std::gcd(*num, *den);
  *num /= common;
  *den /= common;
  return *num <= kMaxRatePart && *den <= kMaxRatePart;
}

bool ParseRate(const char* text, TFrameRate* rate) {
  const char* slash = std::strchr(text, '/');
  int64_t num = 0, den = 1;
  if (slash) {
    const std::string n(text, slash);
    if (!ParseInt(n.c_str(), kMaxRatePart, &num) || !ParseInt(slash + 1, kMaxRatePart, &den))
      return false;
  } else if (!ParseDecimalRate(text, &num, &den)) {
    return false;
  }
  const double fps = static_cast<double>(num) / static_cast<double>(den);
  if (fps < kMinFps || fps > kMaxFps) return false;
  *rate = TFrameRate{num, den};
  return true;
}

// getopt_long codes of the verbs and options; the verbs are options too.
enum TOptionCode {
  kAtCode = 256,
  kVideoCode,
  kFramesCode,
  kSheetCode,
  kJoinCode,
  kOutCode,
  kSizeCode,
  kDataCode,
  kLevelCode,
  kFpsCode,
  kFromCode,
  kDurationCode,
  kSegmentCode,
  kJobsCode,
  kReduceFlashingCode,
  kPartialPackCode,
};
const option kLongOptions[] = {
    {"at", required_argument, nullptr, kAtCode},
    {"video", required_argument, nullptr, kVideoCode},
    {"frames", required_argument, nullptr, kFramesCode},
    {"sheet", required_argument, nullptr, kSheetCode},
    {"join", required_argument, nullptr, kJoinCode},
    {"out", required_argument, nullptr, kOutCode},
    {"size", required_argument, nullptr, kSizeCode},
    {"data", required_argument, nullptr, kDataCode},
    {"level", required_argument, nullptr, kLevelCode},
    {"fps", required_argument, nullptr, kFpsCode},
    {"from", required_argument, nullptr, kFromCode},
    {"duration", required_argument, nullptr, kDurationCode},
    {"segment", required_argument, nullptr, kSegmentCode},
    {"jobs", required_argument, nullptr, kJobsCode},
    {"reduce-flashing", no_argument, nullptr, kReduceFlashingCode},
    {"partial-pack", no_argument, nullptr, kPartialPackCode},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// Which verbs take each option, in the order of the codes from kOutCode.
struct TOptionUse {
  bool at, video, frames, sheet, join;
};
const TOptionUse kOptionUses[] = {
    {true, false, false, false, false},  // --out
    {true, true, true, true, false},     // --size
    {true, true, true, true, true},      // --data
    {true, true, true, true, false},     // --level
    {false, true, true, false, true},    // --fps
    {false, true, true, false, true},    // --from
    {false, true, true, false, true},    // --duration
    {false, true, true, false, false},   // --segment
    {false, true, false, false, false},  // --jobs
    {true, true, true, true, false},     // --reduce-flashing
    {true, true, true, true, true},      // --partial-pack
};
constexpr int kOptionUseCount = sizeof kOptionUses / sizeof kOptionUses[0];

bool Fail(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

// True when name ends in one of the extensions, in any case.
bool HasExtension(const std::string& name, std::initializer_list<const char*> extensions) {
  for (const char* extension : extensions) {
    const size_t length = std::strlen(extension);
    if (name.size() >= length && strcasecmp(name.c_str() + name.size() - length, extension) == 0)
      return true;
  }
  return false;
}

// The video's container comes from its name, as ffmpeg picks it. Each of
// these takes H.264 and AAC; -movflags +faststart moves the index to the
// front of the MP4 family's files and Matroska ignores it.
bool NamesAVideo(const std::string& name) {
  return HasExtension(name, {".mp4", ".m4v", ".mov", ".mkv"});
}

// A file name that is checked before anything starts: --out and --sheet
// write PNG bytes, --video and --join a container ffmpeg knows by its name.
bool CheckTarget(int code, const char* value, std::string* error) {
  const std::string name = LongOptionName(kLongOptions, code);
  const bool png = code == kOutCode || code == kSheetCode;
  if (!(png ? HasExtension(value, {".png"}) : NamesAVideo(value)))
    return Fail(error, name + " wants a file ending in " +
                           (png ? ".png" : ".mp4, .m4v, .mov or .mkv") + ", not '" + value + "'");
  // ".mp4" alone is a hidden file with no extension to ffmpeg.
  const char* slash = std::strrchr(value, '/');
  const char* base = slash ? slash + 1 : value;
  if (base[0] == '.' && std::strchr(base + 1, '.') == nullptr)
    return Fail(error, name + " wants a name before its extension, not '" + value + "'");
  // A folder or a FIFO there is found now, not after the whole render.
  const std::string problem = OutputTargetProblem(value);
  if (!problem.empty()) return Fail(error, name + ": " + problem + "; give a file name");
  return true;
}

// True when text holds a line break, which would split a line of ffmpeg's
// concat list.
bool HoldsLineBreak(const std::string& text) {
  return text.find_first_of("\n\r") != std::string::npos;
}

// One verb with its value into *o; false with the message when it is wrong.
bool ReadVerb(int code, const char* value, int* verbCode, TCaptureOptions* o, std::string* error) {
  const std::string name = LongOptionName(kLongOptions, code);
  if (*verbCode == code) return Fail(error, name + " is given twice");
  if (*verbCode != 0)
    return Fail(error,
                name + " and " + LongOptionName(kLongOptions, *verbCode) + " exclude each other");
  *verbCode = code;
  if (code == kAtCode) {
    o->verb = TVerb::kAt;
    if (!ParseTimelineTime(value, &o->at))
      return Fail(error, std::string("--at wants ") + kTimelineTimeForms + ", not '" + value + "'");
    return true;
  }
  o->verb = code == kVideoCode    ? TVerb::kVideo
            : code == kFramesCode ? TVerb::kFrames
            : code == kJoinCode   ? TVerb::kJoin
                                  : TVerb::kSheet;
  if (!*value) return Fail(error, name + " needs a file or directory name");
  if (code != kFramesCode && !CheckTarget(code, value, error)) return false;
  o->target = value;
  return true;
}

// One of the other options with its value into *o.
bool ReadOption(int code, const char* value, TCaptureOptions* o, std::string* error) {
  switch (code) {
    case kOutCode:
      if (!*value) return Fail(error, "--out needs a file name");
      if (!CheckTarget(code, value, error)) return false;
      o->target = value;
      return true;
    case kSizeCode:
      if (!ParseSize(value, &o->width, &o->height))
        return Fail(error, std::string("--size wants WxH, each side 1 to 8192 pixels, not '") +
                               value + "'");
      return true;
    case kDataCode:
      if (!*value) return Fail(error, "--data needs a directory");
      o->dataDir = value;
      o->dataGiven = true;
      return true;
    case kLevelCode: {
      double level = 0.0;
      if (!ParseDecimal(value, &level) || level < 0.0 || level > 1.0)
        return Fail(error, std::string("--level wants a number from 0 to 1, not '") + value + "'");
      o->levelGiven = true;
      o->level = static_cast<float>(level);
      return true;
    }
    case kFpsCode:
      if (!ParseRate(value, &o->fps))
        return Fail(error, std::string("--fps wants 0.1 to 1000 frames a second as N, N/M or a "
                                       "decimal such as 29.97, not '") +
                               value + "'");
      return true;
    case kFromCode:
      if (!ParseTimelineTime(value, &o->from))
        return Fail(error,
                    std::string("--from wants ") + kTimelineTimeForms + ", not '" + value + "'");
      return true;
    case kSegmentCode:
      if (!ParseSegment(value, &o->segment, &o->segments))
        return Fail(error, std::string("--segment wants K/N, 1 <= K <= N, not '") + value + "'");
      return true;
    case kReduceFlashingCode:
      o->reduceFlashing = true;
      return true;
    case kPartialPackCode:
      o->partialPack = true;
      return true;
    case kJobsCode: {
      int64_t jobs = 0;
      if (!ParseInt(value, kMaxJobs, &jobs))
        return Fail(error, std::string("--jobs wants 1 to 64 processes, not '") + value + "'");
      o->jobs = static_cast<int>(jobs);
      return true;
    }
    default:  // kDurationCode
      if (!ParseDecimal(value, &o->duration) || !(o->duration > 0.0) || o->duration > kMaxDuration)
        return Fail(error, std::string("--duration wants seconds above 0 and at most 3600, not '") +
                               value + "'");
      return true;
  }
}

}  // namespace

bool ParseCaptureArgs(int argc, char** argv, TCaptureOptions* options, std::string* error) {
  TCaptureOptions o;
  int verbCode = 0;
  bool given[kOptionUseCount] = {};
  int at = 0;
  std::string mistake;
  const int asked = ScanCommandLine(argc, argv, kLongOptions, &at, &mistake);
  if (asked == '?') return Fail(error, mistake);
  if (asked != 0) {
    options->verb = asked == 'h' ? TVerb::kHelp : TVerb::kVersion;
    return true;
  }
  // getopt_long keeps its place in globals; 0 starts it afresh, so the tests
  // can parse many command lines in one process.
  optind = 0;
  opterr = 0;
  for (;;) {
    // -h and -V never come back here: ScanCommandLine has answered them.
    const int code = getopt_long(argc, argv, "+:hV", kLongOptions, nullptr);
    if (code == -1) break;
    if (code < kAtCode) return Fail(error, OptionMistake(code, argv, kLongOptions));
    if (code <= kJoinCode) {
      if (!ReadVerb(code, optarg, &verbCode, &o, error)) return false;
      continue;
    }
    const int use = code - kOutCode;
    if (given[use]) return Fail(error, LongOptionName(kLongOptions, code) + " is given twice");
    given[use] = true;
    if (!ReadOption(code, optarg, &o, error)) return false;
  }
  if (o.verb == TVerb::kJoin) {
    for (; optind < argc; ++optind) {
      if (argv[optind][0] == '-')
        return Fail(error, std::string("options go before the parts: '") + argv[optind] + "'");
      if (HoldsLineBreak(argv[optind]))
        return Fail(error, "--join takes no part whose name holds a line break");
      o.parts.push_back(argv[optind]);
    }
    if (o.parts.empty()) return Fail(error, "--join needs the segment videos after the options");
  }
  if (optind < argc) return Fail(error, std::string("unexpected argument '") + argv[optind] + "'");
  const bool sizeGiven = given[kSizeCode - kOutCode];

  if (o.verb == TVerb::kNone)
    return Fail(error, "say what to capture: --at, --video, --frames, --sheet or --join");
  for (int k = 0; k < kOptionUseCount; ++k) {
    if (!given[k]) continue;
    const TOptionUse& u = kOptionUses[k];
    const bool applies = (o.verb == TVerb::kAt && u.at) || (o.verb == TVerb::kVideo && u.video) ||
                         (o.verb == TVerb::kFrames && u.frames) ||
                         (o.verb == TVerb::kSheet && u.sheet) || (o.verb == TVerb::kJoin && u.join);
    if (!applies)
      return Fail(error, LongOptionName(kLongOptions, kOutCode + k) + " does not go with " +
                             LongOptionName(kLongOptions, verbCode));
  }
  if (o.verb == TVerb::kAt && o.target.empty()) return Fail(error, "--at needs --out FILE.png");
  if (o.verb == TVerb::kVideo && sizeGiven && (o.width % 2 || o.height % 2))
    return Fail(error, "--video needs even sides (H.264 in yuv420p): --size " +
                           std::to_string(o.width) + "x" + std::to_string(o.height));
  if (o.verb == TVerb::kSheet && sizeGiven && (o.width < 2 || o.height < 2))
    return Fail(error, "--sheet halves each frame: --size needs sides of 2 or more");
  if (!sizeGiven) DefaultSize(o.verb, &o.width, &o.height);
  if (given[kSegmentCode - kOutCode] && given[kJobsCode - kOutCode])
    return Fail(error, "--jobs and --segment exclude each other");
  // The parts of --jobs are named after the target and joined as --join does.
  if (o.jobs > 1 && HoldsLineBreak(o.target))
    return Fail(error, "--jobs needs a --video name without a line break");
  if (o.verb == TVerb::kVideo || o.verb == TVerb::kFrames || o.verb == TVerb::kJoin) {
    TCaptureOptions whole = o;
    whole.segments = 0;
    int64_t first = 0, count = 0;
    FrameSpan(whole, &first, &count);
    if (count == 0) return Fail(error, "--from leaves no frame before the end of the timeline");
    if (o.segments > count)
      return Fail(error, "--segment " + std::to_string(o.segment) + "/" +
                             std::to_string(o.segments) + ": the span has only " +
                             std::to_string(count) + " frames");
  }
  *options = o;
  return true;
}

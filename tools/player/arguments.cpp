// The player's command line, read as the other tools read theirs.
#include <cstring>

#include "command_line.h"
#include "demo/demo.h"
#include "demo/demo_time.h"
#include "player/player.h"

const char* const kPlayerVersion = "kelvane-player " KELVANE_VERSION;

const char* const kPhotosensitivityWarning =
    "Photosensitivity warning: Kelvane has flashing lights and a rapidly flickering "
    "glitch; --reduce-flashing (or the key R) tones them down.";

const char* const kCardWarning = "Warning: flashing lights and rapidly changing pictures.";
const char* const kCardKeys = "Space plays \u00b7 R reduces flashing \u00b7 F fullscreen";

const char* const kPlayerUsage =
    "usage: kelvane-player [--fullscreen] [--no-vsync] [--reduce-flashing] [--play]\n"
    "                      [--from T] [--loop A:B] [--pause] [--watch] [--data DIR]\n"
    "       kelvane-player --check-sound | -h | --help | -V | --version\n"
    "\n"
    "Plays Kelvane in a window that can go fullscreen, pause and seek, with the\n"
    "music when there is sound output and in silence when there is none. It opens\n"
    "on a start card with the photosensitivity warning; Space, Enter or a click\n"
    "starts.\n"
    "\n"
    "  --fullscreen       start fullscreen (F, F11, Alt+Return or a double click)\n"
    "  --no-vsync         swap as fast as the machine draws\n"
    "  --reduce-flashing  hold each moment of the glitch for half a second and\n"
    "                     keep the background flash rare and dim (key R)\n"
    "  --play             play at once, without the start card\n"
    "  --from T           start at time T, without the card: m:ss[.t] (1:30, 0:44.3),\n"
    "                     seconds (90s) or demo units (0 to 1300; 9.8 a second)\n"
    "  --loop A:B         play times A to B over and over (410:580, 0:42:0:59)\n"
    "  --pause            start paused, without the card\n"
    "  --watch            show a picture or mesh of the pack again when its file\n"
    "                     changes\n"
    "  --data DIR         the asset pack (default: data/ beside this program, else\n"
    "                     ../share/kelvane/data from it, else the current directory)\n"
    "  --check-sound      exit 0 when sound output opens, 1 when it does not\n"
    "  --message-box      also show a failure to start in a message box\n"
    "  -h, --help         this text\n"
    "  -V, --version      the program's name and version\n"
    "\n"
    "Keys: F or F11 fullscreen; Esc leaves fullscreen, else quits; q quits; Space\n"
    "or p pauses; Left/Right 5 s back/forward; Down/Up 30 s; Home the start; [ ]\n"
    "or PgUp/PgDn previous and next scene; L loops the scene; . pauses and steps a\n"
    "frame, , steps back; m mutes; 9/0 volume down/up; s screenshot (the XDG\n"
    "pictures folder, else the current one); o or Tab the timeline bar (again:\n"
    "hold it; again: hide it); R reduced flashing. Mouse: double click fullscreen,\n"
    "right button pauses, wheel seeks 5 s, a click on the bar seeks there.\n";

namespace {

enum TOptionCode {
  kFullscreenCode = 256,
  kNoVsyncCode,
  kReduceCode,
  kFromCode,
  kLoopCode,
  kPauseCode,
  kPlayCode,
  kWatchCode,
  kDataCode,
  kCheckSoundCode,
  kMessageBoxCode,
};
const option kLongOptions[] = {
    {"fullscreen", no_argument, nullptr, kFullscreenCode},
    {"no-vsync", no_argument, nullptr, kNoVsyncCode},
    {"reduce-flashing", no_argument, nullptr, kReduceCode},
    {"from", required_argument, nullptr, kFromCode},
    {"loop", required_argument, nullptr, kLoopCode},
    {"pause", no_argument, nullptr, kPauseCode},
    {"play", no_argument, nullptr, kPlayCode},
    {"watch", no_argument, nullptr, kWatchCode},
    {"data", required_argument, nullptr, kDataCode},
    {"check-sound", no_argument, nullptr, kCheckSoundCode},
    {"message-box", no_argument, nullptr, kMessageBoxCode},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

bool Fail(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

// A:B, each a time in any of ParseDemoTime's forms; the colon that splits
// them is the one that leaves two good times ("410:580", "1:00:1:30",
// "0:44.3:60s").
bool ParseLoop(const char* text, double* from, double* to) {
  for (const char* colon = std::strchr(text, ':'); colon; colon = std::strchr(colon + 1, ':')) {
    const std::string first(text, colon);
    if (ParseTimelineTime(first.c_str(), from) && ParseTimelineTime(colon + 1, to) && *from < *to)
      return true;
  }
  return false;
}

}  // namespace

bool ParsePlayerArgs(int argc, char** argv, TPlayerOptions* options, std::string* error) {
  TPlayerOptions o;
  int at = 0;
  std::string mistake;
  const int asked = ScanCommandLine(argc, argv, kLongOptions, &at, &mistake);
  if (asked == '?') return Fail(error, mistake);
  if (asked != 0) {
    (asked == 'h' ? options->help : options->version) = true;
    return true;
  }
  optind = 0;
  opterr = 0;
  bool fromGiven = false;
  for (;;) {
    const int code = getopt_long(argc, argv, "+:hV", kLongOptions, nullptr);
    if (code == -1) break;
    switch (code) {
      case kFullscreenCode:
        o.fullscreen = true;
        break;
      case kNoVsyncCode:
        o.vsync = false;
        break;
      case kReduceCode:
        o.reduceFlashing = true;
        break;
      case kFromCode:
        if (!ParseTimelineTime(optarg, &o.from))
          return Fail(error,
                      std::string("--from wants ") + kTimelineTimeForms + ", not '" + optarg + "'");
        fromGiven = true;
        o.startCard = false;
        break;
      case kLoopCode:
        if (!ParseLoop(optarg, &o.loopFrom, &o.loopTo))
          return Fail(error, std::string("--loop wants A:B, A before B, each ") +
                                 kTimelineTimeForms + ", not '" + optarg + "'");
        o.loop = true;
        o.startCard = false;
        break;
      case kPauseCode:
        o.startPaused = true;
        o.startCard = false;
        break;
      case kPlayCode:
        o.startCard = false;
        break;
      case kWatchCode:
        o.watch = true;
        break;
      case kDataCode:
        if (!*optarg) return Fail(error, "--data needs a directory");
        o.dataDir = optarg;
        break;
      case kCheckSoundCode:
        o.checkSound = true;
        break;
      case kMessageBoxCode:
        o.messageBox = true;
        break;
      default:
        return Fail(error, OptionMistake(code, argv, kLongOptions));
    }
  }
  if (optind < argc) return Fail(error, std::string("unexpected argument '") + argv[optind] + "'");
  // A loop starts at its own beginning unless --from says otherwise.
  if (o.loop && !fromGiven) o.from = o.loopFrom;
  *options = o;
  return true;
}

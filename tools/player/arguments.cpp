// The player's command line, read as the other tools read theirs.
#include <cstring>

#include "command_line.h"
#include "demo/demo.h"
#include "player/player.h"

const char* const kPlayerVersion = "kelvane-player " KELVANE_VERSION;

const char* const kPhotosensitivityWarning =
    "Photosensitivity warning: Kelvane has flashing lights and a rapidly flickering "
    "glitch; --reduce-flashing (or the key R) tones them down.";

const char* const kPlayerUsage =
    "usage: kelvane-player [--fullscreen] [--no-vsync] [--reduce-flashing] [--from D]\n"
    "                      [--loop A:B] [--pause] [--watch] [--data DIR]\n"
    "       kelvane-player --check-sound | -h | --help | -V | --version\n"
    "\n"
    "Plays Kelvane in a window that can go fullscreen, pause and seek, with the\n"
    "music when there is sound output and in silence when there is none.\n"
    "\n"
    "  --fullscreen       start fullscreen (F, F11 or Alt+Return toggle it)\n"
    "  --no-vsync         swap as fast as the machine draws\n"
    "  --reduce-flashing  hold each moment of the glitch for half a second and\n"
    "                     keep the background flash rare and dim (key R)\n"
    "  --from D           start at demo time D (0 to 1300; 9.8 units a second)\n"
    "  --loop A:B         play demo times A to B over and over\n"
    "  --pause            start paused\n"
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
    "pauses; Left/Right 5 s back/forward; Down/Up 30 s; Home the start; [ and ]\n"
    "previous and next scene; L loops the scene; . one frame forward while paused;\n"
    "R reduced flashing on and off.\n";

namespace {

enum TOptionCode {
  kFullscreenCode = 256,
  kNoVsyncCode,
  kReduceCode,
  kFromCode,
  kLoopCode,
  kPauseCode,
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

bool ParseDemoTime(const char* text, double* d) {
  return ParseDecimal(text, d) && *d >= 0.0 && *d <= kDemoEnd;
}

bool ParseLoop(const char* text, double* from, double* to) {
  const char* colon = std::strchr(text, ':');
  if (!colon) return false;
  const std::string first(text, colon);
  return ParseDemoTime(first.c_str(), from) && ParseDemoTime(colon + 1, to) && *from < *to;
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
        if (!ParseDemoTime(optarg, &o.from))
          return Fail(error,
                      std::string("--from wants a demo time from 0 to 1300, not '") + optarg + "'");
        fromGiven = true;
        break;
      case kLoopCode:
        if (!ParseLoop(optarg, &o.loopFrom, &o.loopTo))
          return Fail(error, std::string("--loop wants A:B, demo times with 0 <= A < B <= 1300, "
                                         "not '") +
                                 optarg + "'");
        o.loop = true;
        break;
      case kPauseCode:
        o.startPaused = true;
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

// kelvane-capture: any moment of the demo to PNG, the whole timeline to an
// MP4 with its music or to a PNG sequence, and a contact sheet of the
// timeline's rows. `kelvane-capture --help` lists the verbs.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "assets/data_folder.h"
#include "assets/manifest.h"
#include "capture/render.h"

int main(int argc, char** argv) {
  TCaptureOptions options;
  std::string error;
  if (!ParseCaptureArgs(argc, argv, &options, &error)) {
    std::fprintf(stderr, "kelvane-capture: %s\nTry 'kelvane-capture --help'.\n", error.c_str());
    return kExitBadArguments;
  }
  if (options.verb == TVerb::kHelp) {
    std::fputs(kCaptureUsage, stdout);
    return kExitOk;
  }
  if (options.verb == TVerb::kVersion) {
    std::printf("%s\n", kCaptureVersion);
    return kExitOk;
  }
  // A folder it cannot enter would load nothing and render black frames.
  std::string why;
  if (options.dataGiven && !CanEnterFolder(options.dataDir, &why)) {
    std::fprintf(stderr, "kelvane-capture: --data %s: %s\n", options.dataDir.c_str(), why.c_str());
    return kExitFailed;
  }
  // Without the pack every texture is black and every frame with it: refuse
  // rather than render nothing.
  std::string tried;
  if (!options.dataGiven) options.dataDir = FindDataDir(&tried);
  if (!HoldsDemoAssets(options.dataDir)) {
    if (options.dataGiven)
      std::fprintf(stderr,
                   "kelvane-capture: --data %s holds none of the demo's files (kel.mp3, "
                   "log2.bmp, duck.asc, ...); make them with kelvane-assetgen %s\n",
                   options.dataDir.c_str(), options.dataDir.c_str());
    else
      std::fprintf(stderr,
                   "kelvane-capture: no asset pack in %s; give its directory with --data DIR\n",
                   tried.c_str());
    return kExitFailed;
  }
  // A pack with some files missing renders black pictures and silence: a
  // failure unless asked for.
  std::string missing;
  int missingCount = 0;
  for (int i = 0; i < kAssetFileCount; ++i) {
    if (access((options.dataDir + "/" + kAssetFiles.names[i]).c_str(), F_OK) == 0) continue;
    missing += std::string(missingCount++ ? ", " : "") + kAssetFiles.names[i];
  }
  if (missingCount > 0 && !options.partialPack) {
    std::fprintf(stderr,
                 "kelvane-capture: %s lacks %d of the demo's %d files: %s; make them with "
                 "kelvane-assetgen %s, or give --partial-pack to render without them\n",
                 options.dataDir.c_str(), missingCount, kAssetFileCount, missing.c_str(),
                 options.dataDir.c_str());
    return kExitFailed;
  }
  InstallInterruptHandler();
  switch (options.verb) {
    case TVerb::kAt:
      return CaptureFrame(options);
    case TVerb::kVideo:
      return options.jobs > 1 ? CaptureVideoJobs(options) : CaptureVideo(options);
    case TVerb::kJoin:
      return JoinVideo(options);
    case TVerb::kFrames:
      return CaptureFrames(options);
    case TVerb::kSheet:
      return CaptureSheet(options);
    default:
      return kExitBadArguments;
  }
}

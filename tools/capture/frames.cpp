// The still-frame verbs: --at writes one moment of the demo as a PNG, and
// --frames writes every frame of a span into a folder, one PNG each.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "capture/render.h"
#include "demo/demo.h"

int CaptureFrame(const TCaptureOptions& options) {
  const double startS = WallSeconds();
  std::string error;
  if (!OpenCapture(options, &error)) {
    std::fprintf(stderr, "kelvane-capture: %s\n", error.c_str());
    return kExitFailed;
  }
  std::vector<uint8_t> rgb(static_cast<size_t>(options.width) * options.height * 3);
  DrawFrameAt(options.at, CaptureMomentLevel(options.at));
  ReadFrameTopFirst(rgb.data());
  if (CaptureInterrupted) return InterruptedStatus();
  if (!WriteFramePng(options.target, rgb.data(), options.width, options.height)) return kExitFailed;
  struct stat file;
  PrintSummary(options.target, 1, stat(options.target.c_str(), &file) == 0 ? file.st_size : -1,
               WallSeconds() - startS, 0.0);
  return kExitOk;
}

int CaptureFrames(const TCaptureOptions& options) {
  const double startS = WallSeconds();
  if (mkdir(options.target.c_str(), 0755) != 0 && errno != EEXIST) {
    std::fprintf(stderr, "kelvane-capture: %s: cannot make the directory: %s\n",
                 options.target.c_str(), std::strerror(errno));
    return kExitFailed;
  }
  int64_t first = 0, count = 0;
  FrameSpan(options, &first, &count);
  std::string error;
  if (!OpenCapture(options, &error)) {
    std::fprintf(stderr, "kelvane-capture: %s\n", error.c_str());
    return kExitFailed;
  }
  ReplayFrameDraws(0, first, options.fps);
  std::vector<uint8_t> rgb(static_cast<size_t>(options.width) * options.height * 3);
  TProgress progress;
  StartProgress(&progress, count);
  int64_t done = 0, bytes = 0;
  bool failed = false;
  for (; done < count && !CaptureInterrupted; ++done) {
    const int64_t frame = first + done;
    if (!DrawFrameAt(FrameDemoTime(frame, options.fps), CaptureFrameLevel(frame, options.fps)))
      break;
    ReadFrameTopFirst(rgb.data());
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%05lld.png", static_cast<long long>(frame));
    // Each picture is renamed into place whole, so a link planted at its
    // name is replaced rather than written through.
    if (!WriteFramePng(options.target + name, rgb.data(), options.width, options.height)) {
      failed = true;
      break;
    }
    struct stat file;
    if (stat((options.target + name).c_str(), &file) == 0) bytes += file.st_size;
    ShowProgress(&progress, done + 1);
  }
  EndProgress(&progress);
  const double videoS = static_cast<double>(count) * options.fps.den / options.fps.num;
  if (done == count) {
    PrintSummary(std::to_string(count) + " pictures into " + options.target, count, bytes,
                 WallSeconds() - startS, videoS);
    return kExitOk;
  }
  std::fprintf(stderr, "kelvane-capture: stopped after %lld of %lld frames; %s holds them\n",
               static_cast<long long>(done), static_cast<long long>(count), options.target.c_str());
  return CaptureInterrupted && !failed ? InterruptedStatus() : kExitFailed;
}

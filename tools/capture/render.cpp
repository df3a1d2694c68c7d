// Loading the demo on the rig and drawing frames at exact times.
#include "capture/render.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "demo/demo.h"
#include "demo/offscreen_demo.h"
#include "platform/gl.h"
#include "platform/level_meter.h"

volatile std::sig_atomic_t CaptureInterrupted = 0;

namespace {

// Written once by LoadCaptureMusic and OpenCapture, read by every frame.
struct TCaptureState {
  TPcm music;
  bool musicLoaded = false;
  bool levelGiven = false;
  float level = 0.0f;
};
TCaptureState capture;
int64_t* progressReport = nullptr;  // set by ReportProgressTo

void OnInterrupt(int) { CaptureInterrupted = 1; }

double NowSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool FinishFrame() {
  if (RigEndStatus() < 0) return true;
  // The frame driver leaves its base view pushed on the last frame.
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  ClearRigEndStatus();
  return false;
}

}  // namespace

void LoadCaptureMusic(const TCaptureOptions& options) {
  if (capture.musicLoaded) return;
  capture.musicLoaded = true;
  const std::string musicFile = options.dataDir + "/kel.mp3";
  std::string why;
  if (access(musicFile.c_str(), F_OK) != 0) {
    std::fprintf(stderr, "kelvane-capture: %s is missing: the capture is silent\n",
                 musicFile.c_str());
  } else if (!DecodeSoundFile(musicFile.c_str(), &capture.music, &why)) {
    std::fprintf(stderr, "kelvane-capture: %s: the capture is silent\n", why.c_str());
    capture.music.samples.clear();
  }
}

bool OpenCapture(const TCaptureOptions& options, std::string* error) {
  capture.levelGiven = options.levelGiven;
  capture.level = options.level;
  LoadCaptureMusic(options);
  std::string why;
  if (!OpenOffscreen(options.width, options.height, &why)) {
    *error = "offscreen OpenGL: " + why;
    return false;
  }
  // A fresh process draws the generator's sequence from its start; so does
  // every capture, whatever ran before in this process.
  ResetRandom();
  if (!StartDemoOffscreen(options.dataDir.c_str(), error)) return false;
  return true;
}

const TPcm& CaptureMusic() { return capture.music; }

void SkipFrames(int64_t from, int64_t to, TFrameRate rate) {
  // The clock is set as DrawFrameAtMs sets it, so each skipped frame sees
  // the demo time it would have drawn.
  for (int64_t frame = from; frame < to; ++frame) {
    SetRigTicks(StartTime + FrameMs(frame, rate));
    SkipFrame();
  }
}

bool DrawFrameAtMs(double ms) {
  SetRigTicks(StartTime + ms);
  SetRigLevel(capture.levelGiven
                  ? capture.level
                  : MusicLevelAt(capture.music.samples.data(), capture.music.Frames(), ms));
  DrawFrame();
  return FinishFrame();
}

bool DrawFrameAtDemoTime(double d) {
  SetRigLevel(capture.levelGiven ? capture.level
                                 : MusicLevelAt(capture.music.samples.data(),
                                                capture.music.Frames(), d / kDemoUnitsPerMs));
  SetRigDemoTime(d);
  DrawFrame();
  return FinishFrame();
}

void ReadFrameBottomFirst(uint8_t* rgb) {
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, OffscreenWidth(), OffscreenHeight(), GL_RGB, GL_UNSIGNED_BYTE, rgb);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
}

void ReadFrameTopFirst(uint8_t* rgb) {
  ReadFrameBottomFirst(rgb);
  const int width = OffscreenWidth();
  const int height = OffscreenHeight();
  const size_t row = static_cast<size_t>(width) * 3;
  for (int y = 0; y < height / 2; ++y)
    std::swap_ranges(rgb + y * row, rgb + (y + 1) * row, rgb + (height - 1 - y) * row);
}

bool WriteFramePng(const std::string& fileName, const uint8_t* rgb, int width, int height) {
  if (WritePng(fileName.c_str(), rgb, width, height)) return true;
  std::fprintf(stderr, "kelvane-capture: %s: cannot write: %s\n", fileName.c_str(),
               std::strerror(errno));
  return false;
}

void InstallInterruptHandler() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = OnInterrupt;
  // The first signal asks for a clean stop; the second one is fatal.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void ReportProgressTo(int64_t* done) { progressReport = done; }

void StartProgress(TProgress* progress, int64_t total) {
  progress->report = progressReport;
  progress->shown = !progressReport && isatty(STDERR_FILENO) != 0;
  progress->total = total;
  progress->startS = NowSeconds();
  progress->lastS = -1.0;
}

void ShowProgress(TProgress* progress, int64_t done) {
  if (progress->report) __atomic_store_n(progress->report, done, __ATOMIC_RELAXED);
  if (!progress->shown) return;
  const double now = NowSeconds();
  // Redraw five times a second, and always for the last frame.
  if (done < progress->total && now - progress->lastS < 0.2) return;
  progress->lastS = now;
  const double elapsed = now - progress->startS;
  const double fps = elapsed > 0.0 ? static_cast<double>(done) / elapsed : 0.0;
  const int left = fps > 0.0 ? static_cast<int>((progress->total - done) / fps + 0.5) : 0;
  std::fprintf(stderr, "\r%lld/%lld frames  %.1f fps  %d:%02d left ", static_cast<long long>(done),
               static_cast<long long>(progress->total), fps, left / 60, left % 60);
  std::fflush(stderr);
}

void EndProgress(TProgress* progress) {
  if (progress->shown) std::fputc('\n', stderr);
  progress->shown = false;
}

// The video: raw RGB frames on ffmpeg's standard input, the music's PCM on a
// second pipe (ffmpeg's descriptor 3), encoded as H.264 and AAC into an MP4.
//
// Rendering one frame is a chain: our thread makes the draw calls and Mesa bins
// them, llvmpipe's threads rasterise, our thread reads the pixels back. Each
// step waits for the one before, so one renderer leaves a core idle for much
// of every frame (and llvmpipe reads back synchronously, even into a pixel
// buffer object). On a machine with two cores or more, two renderer
// processes therefore take turns: renderer w draws frames w, w + 2, ... of
// the span and skips the others' draws from the shared generator
// (ReplayFrameDraws), so every frame is the one a single renderer draws. Each
// hands its frames over in shared memory, a ring of kFrameSlots per
// renderer; this process takes them in order and sends them to ffmpeg, the
// rows in reverse, since GL reads the bottom row first, so no frame is
// copied on our side. A thread writes the PCM, so no pipe can stall another
// however ffmpeg interleaves its reads.
//
// ffmpeg runs in a process group of its own: Ctrl-C reaches only this
// process and its renderers, which stop; this process closes both pipes and
// lets ffmpeg finish the file with the frames it has sent, so it stays
// playable. Every wait here is bounded and looks at the children between
// timeouts: a renderer that dies ends the capture within a second.
#include <fcntl.h>
#include <limits.h>
#include <semaphore.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

#include "capture/ffmpeg.h"
#include "capture/output.h"
#include "capture/render.h"
#include "demo/demo.h"
#include "platform/audio/level_meter.h"

namespace {

// Frames a renderer may have read back before this process has sent them.
constexpr int kFrameSlots = 2;
// Memory one video capture takes, all its processes together (renderers
// with their rasterisers, the shared slots, ffmpeg and x264's look-ahead):
// a base and a share per pixel of the frame. Measured as the peak of their
// proportional set sizes: 603 MB at 1920 x 1080, 1588 MB at 3840 x 2160.
constexpr int64_t kVideoBaseBytes = 300 * 1000 * 1000;
constexpr int64_t kVideoBytesPerPixel = 160;
// Renderer processes taking turns at the frames, on two cores or more.
constexpr int kRenderers = 2;
// How long a wait for a frame lasts before the children are looked at.
constexpr int kWatchMs = 100;
// Milliseconds a renderer has to stop once asked, before it is killed.
constexpr int kRendererStopMs = 1000;

// x264 at CRF 18, high profile, yuv420p. The preset is measured, on the
// whole timeline at 676 x 526 with x264 alone (CPU time, file, SSIM against
// the rendered frames): veryfast 43 s, 58.7 MB, 0.9867; superfast 27 s,
// 86.0 MB, 0.9897; ultrafast 13 s, 141.6 MB, 0.9900. superfast spends the
// bits that veryfast's search saves, so the picture is no worse, and leaves
// the CPU time to the rasteriser; ultrafast saves little more for a file
// two and a half times as large.
const char* const kVideoPreset = "superfast";

// One renderer's side of the shared memory. The semaphores are shared
// between processes and order the memory: a renderer stores `filled` and
// its slot before it posts `ready`, this process reads them after the wait.
struct TRendererShare {
  sem_t ready;                  // posted for each frame read back, and once when it stops
  sem_t free;                   // posted for each slot sent to ffmpeg
  std::atomic<int64_t> filled;  // frames read back
  uint8_t* slots;               // kFrameSlots frames, RGB, bottom row first
};
static_assert(std::atomic<int64_t>::is_always_lock_free,
              "the frame count is shared between processes");

// Waits up to ms for sem to be posted; true when it was.
bool WaitPostFor(sem_t* sem, int ms) {
  timespec until;
  clock_gettime(CLOCK_MONOTONIC, &until);
  until.tv_nsec += static_cast<long>(ms) * 1000 * 1000;
  until.tv_sec += until.tv_nsec / (1000 * 1000 * 1000);
  until.tv_nsec %= 1000 * 1000 * 1000;
  while (sem_clockwait(sem, CLOCK_MONOTONIC, &until) != 0)
    if (errno != EINTR) return false;
  return true;
}

// Writes `count` rows from `rows`, however the pipe splits them; false when
// ffmpeg has gone or a stopping signal came.
bool WriteRows(int fd, iovec* rows, int count) {
  while (count > 0) {
    const ssize_t n = writev(fd, rows, std::min(count, IOV_MAX));
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
      if (CaptureInterrupted) return false;
      WaitWritable(fd);
      continue;
    }
    if (n <= 0) return false;
    size_t left = static_cast<size_t>(n);
    while (count > 0 && left >= rows->iov_len) {
      left -= rows->iov_len;
      ++rows;
      --count;
    }
    if (count > 0) {
      rows->iov_base = static_cast<char*>(rows->iov_base) + left;
      rows->iov_len -= left;
    }
  }
  return true;
}

// Sends one frame, bottom row first in memory, top row first into fd.
bool WriteFrameTopFirst(int fd, const uint8_t* frame, int width, int height,
                        std::vector<iovec>* rows) {
  const size_t stride = static_cast<size_t>(width) * 3;
  for (int y = 0; y < height; ++y)
    (*rows)[y] =
        iovec{const_cast<uint8_t*>(frame) + static_cast<size_t>(height - 1 - y) * stride, stride};
  return WriteRows(fd, rows->data(), height);
}

// Renderer `index` of `renderers`: frames first + index, first + index +
// renderers, ... below first + count, into its share. Runs in a child
// process and ends it: with status 0 when it has drawn its frames or was
// asked to stop, with 1 when the rig or the pack failed.
[[noreturn]] void RunRenderer(const TCaptureOptions& options, int index, int renderers,
                              int64_t first, int64_t count, TRendererShare* share) {
  const size_t frameBytes = static_cast<size_t>(options.width) * options.height * 3;
  std::string error;
  int status = kExitOk;
  if (!OpenCapture(options, &error)) {
    std::fprintf(stderr, "kelvane-capture: %s\n", error.c_str());
    status = kExitFailed;
  } else {
    int64_t next = 0;  // the first frame neither drawn nor skipped yet
    for (int64_t n = 0, frame = first + index; frame < first + count; ++n, frame += renderers) {
      ReplayFrameDraws(next, frame, options.fps);
      bool slotFree = false;
      while (!CaptureInterrupted && !(slotFree = WaitPostFor(&share->free, kWatchMs))) {
      }
      if (!slotFree ||
          !DrawFrameAt(FrameDemoTime(frame, options.fps), CaptureFrameLevel(frame, options.fps)))
        break;
      ReadFrameBottomFirst(share->slots + (n % kFrameSlots) * frameBytes);
      next = frame + 1;
      share->filled.store(n + 1);
      sem_post(&share->ready);
    }
  }
  sem_post(&share->ready);  // stopped: `filled` says how far it got
  _exit(status);
}

std::vector<std::string> VideoArgs(const TCaptureOptions& o, const std::string& file, bool sound,
                                   const std::vector<std::string>& tags) {
  const std::string size = std::to_string(o.width) + "x" + std::to_string(o.height);
  const std::string rate = std::to_string(o.fps.num) + "/" + std::to_string(o.fps.den);
  std::vector<std::string> args = {
      "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
      // Picture: tightly packed RGB rows, top first, one frame after another.
      "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size, "-framerate", rate, "-i",
      "pipe:0"};
  if (sound)
    for (const std::string& a : FfmpegPcmInput()) args.push_back(a);
  const std::vector<std::string> picture = {
      "-map", "0:v:0", "-c:v", "libx264", "-preset", kVideoPreset, "-crf", "18", "-profile:v",
      "high", "-pix_fmt", "yuv420p",
      // BT.709 colour, said in the stream so every player reads it alike.
      "-vf", "scale=out_color_matrix=bt709:out_range=tv", "-colorspace", "bt709",
      "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range", "tv"};
  args.insert(args.end(), picture.begin(), picture.end());
  args.insert(args.end(), tags.begin(), tags.end());
  if (!sound) {
    for (const char* a : {"-movflags", "+faststart+use_metadata_tags"}) args.push_back(a);
    args.push_back(FileUrl(file));
    return args;
  }
  args.push_back("-map");
  args.push_back("1:a:0");
  for (const std::string& a : FfmpegAacOutput(file)) args.push_back(a);
  return args;
}

// The frames reach ffmpeg from here, in order: the renderers' shares are
// taken in turn. Returns the frames sent; *failure says why it stopped
// early, "" for an interrupt.
int64_t SendFrames(const TCaptureOptions& options, TRendererShare* shares, int renderers,
                   int64_t count, size_t frameBytes, TChildren* children, int videoFd,
                   std::string* failure) {
  TProgress progress;
  StartProgress(&progress, count);
  std::vector<iovec> rows(static_cast<size_t>(options.height));
  int64_t done = 0;
  for (; done < count && !CaptureInterrupted; ++done) {
    const int r = static_cast<int>(done % renderers);
    TRendererShare* share = &shares[r];
    const int64_t n = done / renderers;
    bool posted = false;
    while (!CaptureInterrupted && !(posted = WaitPostFor(&share->ready, kWatchMs)))
      if (!CheckChildren(children, failure)) break;
    if (!posted) break;
    if (share->filled.load() <= n) {
      // It stopped without its frame: wait a moment for how it ended.
      int status = 0;
      const TChild& child = children->list[r];
      *failure = WaitChild(children, child.pid, kWatchMs * 10, &status)
                     ? child.role + " " + DescribeEnd(status)
                     : child.role + " stopped";
      break;
    }
    const uint8_t* frame = share->slots + (n % kFrameSlots) * frameBytes;
    if (!WriteFrameTopFirst(videoFd, frame, options.width, options.height, &rows)) {
      // A frame cut short by a stop: ffmpeg drops the incomplete frame.
      if (!CaptureInterrupted) *failure = "ffmpeg stopped reading frames";
      break;
    }
    sem_post(&share->free);
    ShowProgress(&progress, done + 1);
  }
  EndProgress(&progress);
  return done;
}

}  // namespace

int RenderVideo(const TCaptureOptions& options, const std::string& file, const std::string& label,
                int64_t first, int64_t count, bool sound, const std::vector<std::string>& tags,
                TVideoRun* run) {
  *run = TVideoRun();
  LoadCaptureMusic(options);
  if (CaptureInterrupted) return InterruptedStatus();
  const int renderers = sysconf(_SC_NPROCESSORS_ONLN) >= 2 && count >= 2 ? kRenderers : 1;

  // The renderers start first, so that they hold no end of ffmpeg's pipes.
  const size_t frameBytes = static_cast<size_t>(options.width) * options.height * 3;
  const size_t shareBytes = renderers * (sizeof(TRendererShare) + kFrameSlots * frameBytes);
  void* memory =
      mmap(nullptr, shareBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) {
    std::fprintf(stderr, "kelvane-capture: no memory for the frames: %s\n", std::strerror(errno));
    return kExitFailed;
  }
  TRendererShare* shares = static_cast<TRendererShare*>(memory);
  uint8_t* slots = reinterpret_cast<uint8_t*>(shares + renderers);
  TChildren renderersRunning, programs;
  std::fflush(nullptr);
  std::string failure;
  for (int w = 0; w < renderers && failure.empty(); ++w) {
    TRendererShare* share = new (&shares[w]) TRendererShare;
    sem_init(&share->ready, 1, 0);
    sem_init(&share->free, 1, kFrameSlots);
    share->filled.store(0);
    share->slots = slots + w * kFrameSlots * frameBytes;
    const pid_t pid = ForkChild(&renderersRunning, "renderer " + std::to_string(w + 1), SIGKILL);
    if (pid == 0) RunRenderer(options, w, renderers, first, count, share);
    if (pid < 0) failure = std::string("cannot start a renderer: ") + std::strerror(errno);
  }

  signal(SIGPIPE, SIG_IGN);  // a failed ffmpeg shows as a failed write
  TFfmpeg ffmpeg;
  const bool started =
      failure.empty() &&
      StartFfmpeg(&programs, VideoArgs(options, file, sound, tags), &ffmpeg, &failure);
  std::atomic<bool> stopAudio(false);
  std::thread audio;
  if (started) {
    // A whole frame in the pipe at once where the system allows it: fewer
    // wake-ups on both sides.
    fcntl(ffmpeg.inputFd, F_SETPIPE_SZ, static_cast<int>(std::min<size_t>(frameBytes, 1 << 20)));
    const int64_t firstSample = SampleAt(first, options.fps);
    if (sound)
      audio = std::thread(WriteAudio, ffmpeg.audioFd, firstSample,
                          SampleAt(first + count, options.fps) - firstSample, &stopAudio);
    else
      close(ffmpeg.audioFd);
    ffmpeg.audioFd = -1;  // the thread closes it
    run->written = SendFrames(options, shares, renderers, count, frameBytes, &renderersRunning,
                              ffmpeg.inputFd, &failure);
  }
  StopChildren(&renderersRunning, kRendererStopMs);
  munmap(memory, shareBytes);
  if (!started) {
    std::fprintf(stderr, "kelvane-capture: %s\n", failure.c_str());
    return kExitFailed;
  }
  // The picture ends here; ffmpeg cuts the music where it does.
  if (run->written < count) stopAudio = true;
  std::string ffmpegError;
  const bool finished = FinishFfmpeg(&programs, &ffmpeg, file, label, &ffmpegError);
  if (audio.joinable()) audio.join();
  // ffmpeg may end with status 0 and a file without its index (a full disk
  // while it writes the trailer): count what the file holds.
  std::string probeError;
  const int64_t frames =
      finished && run->written > 0 ? CountVideoFrames(&programs, file, &probeError) : 0;
  StopChildren(&programs, 0);
  run->complete = finished && frames == run->written && run->written > 0;
  if (!finished) {
    std::fprintf(stderr, "kelvane-capture: %s\n", ffmpegError.c_str());
  } else if (run->written > 0 && !run->complete && !CaptureInterrupted) {
    // ffmpeg ends with status 0 when the disk fills as it writes the
    // file's index.
    std::fprintf(
        stderr,
        "kelvane-capture: ffmpeg ended with status 0 but %s holds %s of its %lld frames%s; "
        "is the disk full?\n",
        label.c_str(), frames < 0 ? "none" : std::to_string(frames).c_str(),
        static_cast<long long>(run->written),
        probeError.empty() ? "" : (" (" + NamedAs(probeError, file, label) + ")").c_str());
  }
  if (!failure.empty()) std::fprintf(stderr, "kelvane-capture: %s\n", failure.c_str());
  if (CaptureInterrupted && failure.empty()) return InterruptedStatus();
  return run->complete && run->written == count && failure.empty() ? kExitOk : kExitFailed;
}

bool FitsInMemory(const TCaptureOptions& options, int processes, std::string* error) {
  const int64_t pixels = static_cast<int64_t>(options.width) * options.height;
  const int64_t needed = (kVideoBaseBytes + pixels * kVideoBytesPerPixel) * processes;
  const int64_t available = AvailableMemory();
  if (available <= 0 || needed <= available) return true;
  char text[256];
  std::snprintf(text, sizeof text,
                "--size %dx%d with %d process%s needs about %.1f GB for its frames, and this "
                "machine has %.1f GB free; choose a smaller --size or fewer --jobs",
                options.width, options.height, processes, processes == 1 ? "" : "es", needed / 1e9,
                available / 1e9);
  *error = text;
  return false;
}

bool BeginVideo(const TCaptureOptions& options, int processes, TOutput* output) {
  std::string error;
  if (FitsInMemory(options, processes, &error) && BeginOutput(options.target, output, &error))
    return true;
  std::fprintf(stderr, "kelvane-capture: %s\n", error.c_str());
  return false;
}

int CaptureVideo(const TCaptureOptions& options) {
  int64_t first = 0, count = 0;
  FrameSpan(options, &first, &count);
  TOutput output;
  if (!BeginVideo(options, 1, &output)) return kExitFailed;
  std::vector<std::string> tags;
  if (options.segments > 0) tags = SegmentTags(options);
  const double startS = WallSeconds();
  TVideoRun run;
  const int status = RenderVideo(options, output.temp, options.target, first, count,
                                 options.segments == 0, tags, &run);
  return EndVideo(&output, status, run, count, WallSeconds() - startS,
                  static_cast<double>(count) * options.fps.den / options.fps.num);
}

int EndVideo(TOutput* output, int status, const TVideoRun& run, int64_t count, double wallS,
             double videoS) {
  const std::string& target = output->target;
  const bool existed = access(target.c_str(), F_OK) == 0;
  std::string error;
  if (status == kExitOk) {
    if (!PublishOutput(output, &error)) {
      std::fprintf(stderr, "kelvane-capture: %s\n", error.c_str());
      return kExitFailed;
    }
    struct stat file;
    PrintSummary(target, count, stat(target.c_str(), &file) == 0 ? file.st_size : -1, wallS,
                 videoS);
    return kExitOk;
  }
  const long long written = run.written, total = count;
  if (CaptureInterrupted && run.complete) {
    const std::string name = PublishPartial(output);
    if (name == target)
      std::fprintf(stderr, "kelvane-capture: stopped after %lld of %lld frames; %s holds them\n",
                   written, total, name.c_str());
    else if (!name.empty())
      std::fprintf(stderr,
                   "kelvane-capture: stopped after %lld of %lld frames; %s is left as it was and "
                   "%s holds them\n",
                   written, total, target.c_str(), name.c_str());
    else
      std::fprintf(stderr,
                   "kelvane-capture: stopped after %lld of %lld frames; %s is left as it was and "
                   "the frames are not kept (its -partial name is taken too)\n",
                   written, total, target.c_str());
    return status;
  }
  AbandonOutput(output);
  const char* left = existed ? "is left as it was" : "is not written";
  if (CaptureInterrupted)
    std::fprintf(stderr, "kelvane-capture: stopped after %lld of %lld frames; %s %s\n", written,
                 total, target.c_str(), left);
  else
    std::fprintf(stderr, "kelvane-capture: %s %s\n", target.c_str(), left);
  return status;
}

int64_t AvailableMemory() {
  FILE* meminfo = std::fopen("/proc/meminfo", "r");
  if (!meminfo) return -1;
  char line[256];
  long long kb = -1;
  while (std::fgets(line, sizeof line, meminfo))
    if (std::sscanf(line, "MemAvailable: %lld kB", &kb) == 1) break;
  std::fclose(meminfo);
  return kb < 0 ? -1 : kb * 1024;
}

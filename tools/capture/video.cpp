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
// (SkipFrames), so every frame is the one a single renderer draws. Each
// hands its frames over in shared memory, a ring of kFrameSlots per
// renderer; this process takes them in order and sends them to ffmpeg, the
// rows in reverse, since GL reads the bottom row first, so no frame is
// copied on our side. A thread writes the PCM, so no pipe can stall another
// however ffmpeg interleaves its reads.
//
// ffmpeg runs in a process group of its own: Ctrl-C reaches only this
// process and its renderers, which stop; this process sends the frames it
// has in order, closes both pipes and lets ffmpeg finish the file, so it
// stays playable.
#include <fcntl.h>
#include <limits.h>
#include <semaphore.h>
#include <sys/mman.h>
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
#include "capture/render.h"
#include "platform/level_meter.h"

namespace {

// PCM is written in blocks of this many stereo frames (about 93 ms).
constexpr int64_t kAudioBlockFrames = 4096;
// Frames a renderer may have read back before this process has sent them.
constexpr int kFrameSlots = 2;

// x264 at CRF 18, high profile, yuv420p. The preset is measured, on the
// whole timeline at 676 x 526 with x264 alone (CPU time, file, SSIM against
// the rendered frames): veryfast 43 s, 58.7 MB, 0.9867; superfast 27 s,
// 86.0 MB, 0.9897; ultrafast 13 s, 141.6 MB, 0.9900. superfast spends the
// bits that veryfast's search saves, so the picture is no worse, and leaves
// the CPU time to the rasteriser; ultrafast saves little more for a file
// two and a half times as large.
const char* const kVideoPreset = "superfast";

// One renderer's side of the shared memory. The semaphores are shared
// between processes; `filled` is written by the renderer before each post.
struct TRendererShare {
  sem_t ready;     // posted for each frame read back, and once when it stops
  sem_t free;      // posted for each slot sent to ffmpeg
  int64_t filled;  // frames read back
  uint8_t* slots;  // kFrameSlots frames, RGB, bottom row first
};

// Writes `count` rows from `rows`, however the pipe splits them.
bool WriteRows(int fd, iovec* rows, int count) {
  while (count > 0) {
    const ssize_t n = writev(fd, rows, std::min(count, IOV_MAX));
    if (n < 0 && errno == EINTR) continue;
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

// Waits for sem to be posted: true then, false once an interrupt has come
// (looked at every 100 ms: an interrupted wait on a semaphore restarts).
bool WaitPost(sem_t* sem) {
  for (;;) {
    timespec until;
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_nsec += 100 * 1000 * 1000;
    if (until.tv_nsec >= 1000 * 1000 * 1000) {
      until.tv_nsec -= 1000 * 1000 * 1000;
      ++until.tv_sec;
    }
    if (sem_timedwait(sem, &until) == 0) return true;
    if (CaptureInterrupted) return false;
  }
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
// process and ends it.
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
      SkipFrames(next, frame, options.fps);
      if (CaptureInterrupted || !WaitPost(&share->free) ||
          !DrawFrameAtMs(FrameMs(frame, options.fps)))
        break;
      ReadFrameBottomFirst(share->slots + (n % kFrameSlots) * frameBytes);
      next = frame + 1;
      share->filled = n + 1;
      sem_post(&share->ready);
    }
  }
  sem_post(&share->ready);  // stopped: `filled` says how far it got
  _exit(status);
}

std::vector<std::string> VideoArgs(const TCaptureOptions& o) {
  const std::string size = std::to_string(o.width) + "x" + std::to_string(o.height);
  const std::string rate = std::to_string(o.fps.num) + "/" + std::to_string(o.fps.den);
  std::vector<std::string> args = {
      "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
      // Picture: tightly packed RGB rows, top first, one frame after another.
      "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size, "-framerate", rate, "-i",
      "pipe:0"};
  // A segment has no sound: the join adds the music of the whole span.
  const bool sound = o.segments == 0;
  if (sound)
    for (const std::string& a : FfmpegPcmInput()) args.push_back(a);
  const std::vector<std::string> picture = {
      "-map", "0:v:0", "-c:v", "libx264", "-preset", kVideoPreset, "-crf", "18", "-profile:v",
      "high", "-pix_fmt", "yuv420p",
      // BT.709 colour, said in the stream so every player reads it alike.
      "-vf", "scale=out_color_matrix=bt709:out_range=tv", "-colorspace", "bt709",
      "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range", "tv"};
  args.insert(args.end(), picture.begin(), picture.end());
  if (!sound) {
    for (const char* a : {"-movflags", "+faststart"}) args.push_back(a);
    args.push_back(o.target);
    return args;
  }
  args.push_back("-map");
  args.push_back("1:a:0");
  for (const std::string& a : FfmpegAacOutput(o.target)) args.push_back(a);
  return args;
}

}  // namespace

bool WriteAll(int fd, const void* data, size_t size) {
  const char* at = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(fd, at, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    at += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void WriteAudio(int fd, int64_t first, int64_t count, const std::atomic<bool>* stop) {
  static const int16_t kSilence[kAudioBlockFrames * kMusicChannels] = {};
  const TPcm& music = CaptureMusic();
  const int64_t musicFrames = static_cast<int64_t>(music.Frames());
  int64_t done = 0;
  while (done < count && !stop->load()) {
    const int64_t frame = first + done;
    int64_t n = std::min(kAudioBlockFrames, count - done);
    const int16_t* samples = kSilence;
    if (frame < musicFrames) {
      n = std::min(n, musicFrames - frame);
      samples = music.samples.data() + frame * kMusicChannels;
    }
    if (!WriteAll(fd, samples, static_cast<size_t>(n) * kMusicChannels * sizeof(int16_t))) break;
    done += n;
  }
  close(fd);
}

std::vector<std::string> FfmpegPcmInput() {
  return {"-f", "s16le", "-ar", "44100", "-ac", "2", "-i", "pipe:3"};
}

std::vector<std::string> FfmpegAacOutput(const std::string& target) {
  return {"-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", target};
}

pid_t StartFfmpeg(const std::vector<std::string>& args, int* inputFd, int* audioFd) {
  int input[2], audio[2];
  if (pipe2(input, O_CLOEXEC) != 0) return -1;
  if (pipe2(audio, O_CLOEXEC) != 0) {
    close(input[0]);
    close(input[1]);
    return -1;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>("ffmpeg"));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    // Out of the terminal's foreground group: Ctrl-C is ours to handle.
    setpgid(0, 0);
    signal(SIGINT, SIG_IGN);
    // Lift both read ends clear of 0 and 3 before putting them there.
    const int v = fcntl(input[0], F_DUPFD, 10);
    const int a = fcntl(audio[0], F_DUPFD, 10);
    if (v < 0 || a < 0 || dup2(v, 0) < 0 || dup2(a, 3) < 0) _exit(126);
    close(v);
    close(a);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(input[0]);
  close(audio[0]);
  if (pid < 0) {
    close(input[1]);
    close(audio[1]);
    return -1;
  }
  *inputFd = input[1];
  *audioFd = audio[1];
  return pid;
}

bool FinishFfmpeg(pid_t ffmpeg, const std::string& target) {
  int status = 0;
  while (waitpid(ffmpeg, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
    std::fprintf(stderr, "kelvane-capture: ffmpeg is missing (Debian package ffmpeg)\n");
  else
    std::fprintf(stderr, "kelvane-capture: ffmpeg failed on %s\n", target.c_str());
  return false;
}

int CaptureVideo(const TCaptureOptions& options) {
  int64_t first = 0, count = 0;
  FrameSpan(options, &first, &count);
  LoadCaptureMusic(options);
  if (CaptureInterrupted) return kExitInterrupted;
  const int renderers = sysconf(_SC_NPROCESSORS_ONLN) >= 2 && count >= 2 ? 2 : 1;

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
  pid_t children[2] = {-1, -1};
  std::fflush(nullptr);
  for (int w = 0; w < renderers; ++w) {
    TRendererShare* share = &shares[w];
    sem_init(&share->ready, 1, 0);
    sem_init(&share->free, 1, kFrameSlots);
    share->filled = 0;
    share->slots = slots + w * kFrameSlots * frameBytes;
    children[w] = fork();
    if (children[w] == 0) RunRenderer(options, w, renderers, first, count, share);
    if (children[w] < 0) {
      std::fprintf(stderr, "kelvane-capture: cannot start a renderer: %s\n", std::strerror(errno));
      for (int k = 0; k < w; ++k) kill(children[k], SIGTERM);
      for (int k = 0; k < w; ++k) waitpid(children[k], nullptr, 0);
      munmap(memory, shareBytes);
      return kExitFailed;
    }
  }

  signal(SIGPIPE, SIG_IGN);  // a failed ffmpeg shows as a failed write
  int videoFd = -1, audioFd = -1;
  const pid_t ffmpeg = StartFfmpeg(VideoArgs(options), &videoFd, &audioFd);
  if (ffmpeg < 0)
    std::fprintf(stderr, "kelvane-capture: cannot start ffmpeg: %s\n", std::strerror(errno));
  // A whole frame in the pipe at once where the system allows it: fewer
  // wake-ups on both sides.
  if (ffmpeg >= 0)
    fcntl(videoFd, F_SETPIPE_SZ, static_cast<int>(std::min<size_t>(frameBytes, 1 << 20)));
  std::atomic<bool> stopAudio(false);
  const int64_t firstSample = SampleAt(first, options.fps);
  std::thread audio;
  if (ffmpeg >= 0 && options.segments == 0)
    audio = std::thread(WriteAudio, audioFd, firstSample,
                        SampleAt(first + count, options.fps) - firstSample, &stopAudio);
  else if (ffmpeg >= 0)
    close(audioFd);

  TProgress progress;
  StartProgress(&progress, ffmpeg >= 0 ? count : 0);
  std::vector<iovec> rows(static_cast<size_t>(options.height));
  int64_t done = 0;
  bool piped = ffmpeg >= 0, stopping = false;
  auto stopRenderers = [&] {
    stopping = true;
    for (pid_t child : children)
      if (child > 0) kill(child, SIGTERM);
  };
  for (; piped && done < count; ++done) {
    TRendererShare* share = &shares[done % renderers];
    const int64_t n = done / renderers;
    // A signal to this process alone (SIGTERM) stops the renderers too;
    // Ctrl-C reaches them anyway, through the terminal's process group.
    if (CaptureInterrupted && !stopping) stopRenderers();
    if (!WaitPost(&share->ready)) {
      if (!stopping) stopRenderers();
      while (sem_wait(&share->ready) != 0) {
      }
    }
    if (share->filled <= n) break;  // the renderer stopped
    const uint8_t* frame = share->slots + (n % kFrameSlots) * frameBytes;
    piped = WriteFrameTopFirst(videoFd, frame, options.width, options.height, &rows);
    sem_post(&share->free);
    ShowProgress(&progress, done + 1);
  }
  EndProgress(&progress);
  bool rendered = true;
  for (pid_t child : children) {
    if (child <= 0) continue;
    if (done < count && !stopping) kill(child, SIGTERM);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != kExitOk) rendered = false;
  }
  munmap(memory, shareBytes);
  if (ffmpeg < 0) return kExitFailed;
  close(videoFd);
  if (done < count) stopAudio = true;
  if (audio.joinable()) audio.join();

  if (!FinishFfmpeg(ffmpeg, options.target)) return kExitFailed;
  if (!piped) {
    std::fprintf(stderr, "kelvane-capture: ffmpeg stopped reading frames\n");
    return kExitFailed;
  }
  if (done < count) {
    std::fprintf(stderr, "kelvane-capture: stopped after %lld of %lld frames; %s holds them\n",
                 static_cast<long long>(done), static_cast<long long>(count),
                 options.target.c_str());
    return CaptureInterrupted ? kExitInterrupted : kExitFailed;
  }
  return rendered ? kExitOk : kExitFailed;
}

// Captures split into segments: --jobs renders N consecutive segments of the
// span in N processes at once, and --join puts segment videos together.
//
// A segment is an ordinary --video run over part of the span: it skips the
// generator's draws of the frames before it (SkipFrames), so its
// frames are those of a capture from 0, and it starts with a key frame. The
// join hands the segments to ffmpeg's concat demuxer and copies their
// pictures without encoding them again; it leaves their sound out and
// encodes the music of the whole span once, so the track has no seams and
// starts at the first frame's moment, as in a one-process capture.
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "capture/ffmpeg.h"
#include "capture/render.h"

namespace {

// Where segment k (1 to n) of a --jobs run is written, beside the target.
std::string PartName(const std::string& target, int k, int n) {
  return target + ".part-" + std::to_string(k) + "-of-" + std::to_string(n) + ".mp4";
}

// text in single quotes, each quote in it as '\'', as the shell and ffmpeg's
// concat lists read it.
std::string SingleQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The frames in each part, as ffprobe counts them; -1 when it cannot.
int64_t CountFrames(const std::string& part) {
  const std::string command =
      "ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets "
      "-of csv=p=0 " +
      SingleQuoted(part) + " 2>/dev/null";
  FILE* p = popen(command.c_str(), "r");
  if (!p) return -1;
  long long frames = -1;
  if (std::fscanf(p, "%lld", &frames) != 1) frames = -1;
  pclose(p);
  return frames;
}

// An absolute path, for the concat list (ffmpeg reads it from a pipe).
std::string Absolute(const std::string& file) {
  if (!file.empty() && file[0] == '/') return file;
  char here[4096];
  if (!getcwd(here, sizeof here)) return file;
  return std::string(here) + "/" + file;
}

}  // namespace

int JoinVideo(const TCaptureOptions& options) {
  int64_t first = 0, count = 0;
  TCaptureOptions whole = options;
  whole.segments = 0;
  FrameSpan(whole, &first, &count);
  // A missing or repeated part would shift the picture against the sound.
  int64_t frames = 0;
  for (const std::string& part : options.parts) {
    const int64_t n = CountFrames(part);
    if (n < 0) {
      std::fprintf(stderr, "kelvane-capture: %s: not a video ffprobe can read\n", part.c_str());
      return kExitFailed;
    }
    frames += n;
  }
  if (frames != count) {
    std::fprintf(stderr,
                 "kelvane-capture: the parts hold %lld frames, the span has %lld: give every "
                 "segment once, with the --fps, --from and --duration they were made with\n",
                 static_cast<long long>(frames), static_cast<long long>(count));
    return kExitFailed;
  }
  LoadCaptureMusic(options);

  std::vector<std::string> args = {"-hide_banner", "-nostdin", "-loglevel", "error", "-y", "-f",
                                   "concat", "-safe", "0",
                                   // The list comes through a pipe and names files.
                                   "-protocol_whitelist", "file,pipe", "-i", "pipe:0"};
  for (const std::string& a : FfmpegPcmInput()) args.push_back(a);
  for (const char* a : {"-map", "0:v:0", "-map", "1:a:0", "-c:v", "copy"}) args.push_back(a);
  for (const std::string& a : FfmpegAacOutput(options.target)) args.push_back(a);

  signal(SIGPIPE, SIG_IGN);
  int listFd = -1, audioFd = -1;
  const pid_t ffmpeg = StartFfmpeg(args, &listFd, &audioFd);
  if (ffmpeg < 0) {
    std::fprintf(stderr, "kelvane-capture: cannot start ffmpeg: %s\n", std::strerror(errno));
    return kExitFailed;
  }
  std::atomic<bool> stopAudio(false);
  const int64_t firstSample = SampleAt(first, options.fps);
  std::thread audio(WriteAudio, audioFd, firstSample,
                    SampleAt(first + count, options.fps) - firstSample, &stopAudio);
  std::string list;
  for (const std::string& part : options.parts)
    list += "file " + SingleQuoted("file:" + Absolute(part)) + "\n";
  WriteAll(listFd, list.data(), list.size());
  close(listFd);
  audio.join();
  return FinishFfmpeg(ffmpeg, options.target) ? kExitOk : kExitFailed;
}

int CaptureVideoJobs(const TCaptureOptions& options) {
  int64_t first = 0, count = 0;
  FrameSpan(options, &first, &count);
  const int jobs = static_cast<int>(std::min<int64_t>(options.jobs, count));
  // Frames done by each segment, shared with the children for the progress.
  void* shared = mmap(nullptr, sizeof(int64_t) * jobs, PROT_READ | PROT_WRITE,
                      MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared == MAP_FAILED) {
    std::fprintf(stderr, "kelvane-capture: %s\n", std::strerror(errno));
    return kExitFailed;
  }
  int64_t* done = static_cast<int64_t*>(shared);
  // Decoded once here, the music is shared with the segments and the join.
  LoadCaptureMusic(options);
  TCaptureOptions join = options;
  join.parts.clear();
  std::vector<pid_t> children;
  std::fflush(nullptr);
  for (int k = 1; k <= jobs; ++k) {
    TCaptureOptions segment = options;
    segment.jobs = 1;
    segment.segment = k;
    segment.segments = jobs;
    segment.target = PartName(options.target, k, jobs);
    join.parts.push_back(segment.target);
    done[k - 1] = 0;
    const pid_t pid = fork();
    if (pid == 0) {
      // Still one thread and no GL here: the child is a fresh capture.
      ReportProgressTo(&done[k - 1]);
      _exit(CaptureVideo(segment));
    }
    if (pid < 0) {
      std::fprintf(stderr, "kelvane-capture: cannot start a segment: %s\n", std::strerror(errno));
      CaptureInterrupted = 1;
      break;
    }
    children.push_back(pid);
  }

  TProgress progress;
  StartProgress(&progress, count);
  bool failed = false, stopping = false;
  size_t left = children.size();
  while (left > 0) {
    int status = 0;
    const pid_t pid = waitpid(-1, &status, WNOHANG);
    if (pid > 0) {
      --left;
      if (!WIFEXITED(status) || WEXITSTATUS(status) != kExitOk) failed = true;
      continue;
    }
    // A signal to this process alone (SIGTERM) stops the segments too; Ctrl-C
    // reaches them anyway, through the terminal's process group.
    if ((CaptureInterrupted || failed) && !stopping) {
      stopping = true;
      for (pid_t child : children) kill(child, SIGTERM);
    }
    int64_t sum = 0;
    for (int k = 0; k < jobs; ++k) sum += __atomic_load_n(&done[k], __ATOMIC_RELAXED);
    ShowProgress(&progress, sum);
    usleep(100 * 1000);
  }
  EndProgress(&progress);
  munmap(shared, sizeof(int64_t) * jobs);

  int status = kExitOk;
  if (CaptureInterrupted) {
    std::fprintf(stderr,
                 "kelvane-capture: stopped; the segments are removed and %s is not written\n",
                 options.target.c_str());
    status = kExitInterrupted;
  } else if (failed || children.size() < static_cast<size_t>(jobs)) {
    std::fprintf(stderr, "kelvane-capture: a segment failed; %s is not written\n",
                 options.target.c_str());
    status = kExitFailed;
  } else {
    status = JoinVideo(join);
  }
  for (const std::string& part : join.parts) unlink(part.c_str());
  return status;
}

// ffmpeg and ffprobe as watched children, and the music's PCM for ffmpeg.
#include "capture/ffmpeg.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "capture/render.h"
#include "platform/audio/level_meter.h"

namespace {

// PCM is written in blocks of this many stereo frames (about 93 ms).
constexpr int64_t kAudioBlockFrames = 4096;
constexpr int kWaitStepMs = 100;

// Waits for `pid`; once a stopping signal has come, stopMs at most, then
// it is killed. True when it ended by itself.
bool WaitProgram(TChildren* children, pid_t pid, int stopMs, int* status) {
  int stopWaited = 0;
  for (;;) {
    if (WaitChild(children, pid, kWaitStepMs, status)) return true;
    if (!CaptureInterrupted) continue;
    stopWaited += kWaitStepMs;
    if (stopWaited < stopMs && StopMsLeft() > 0) continue;
    kill(pid, SIGKILL);
    WaitChild(children, pid, 1000, status);
    return false;
  }
}

}  // namespace

std::string FileUrl(const std::string& name) { return "file:" + name; }

std::string NamedAs(std::string text, const std::string& file, const std::string& label) {
  for (const std::string& name : {FileUrl(file), file})
    for (size_t at; !file.empty() && (at = text.find(name)) != std::string::npos;)
      text.replace(at, name.size(), label);
  return text;
}

void WaitWritable(int fd) {
  pollfd want{fd, POLLOUT, 0};
  // EINTR and a timeout alike end here: the caller looks again.
  poll(&want, 1, kWaitStepMs);
}

bool WriteAll(int fd, const void* data, size_t size, const std::atomic<bool>* stop) {
  const char* at = static_cast<const char*>(data);
  while (size > 0) {
    if (stop->load()) return false;
    const ssize_t n = write(fd, at, size);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
      WaitWritable(fd);
      continue;
    }
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
    if (!WriteAll(fd, samples, static_cast<size_t>(n) * kMusicChannels * sizeof(int16_t), stop))
      break;
    done += n;
  }
  close(fd);
}

std::vector<std::string> FfmpegPcmInput() {
  return {"-f", "s16le", "-ar", "44100", "-ac", "2", "-i", "pipe:3"};
}

std::vector<std::string> FfmpegAacOutput(const std::string& target) {
  // The PCM always runs as long as the frames of the span; -shortest cuts
  // it where the picture stops when a capture is stopped early, instead of
  // keeping what was already in the pipe.
  return {"-c:a", "aac", "-b:a", "192k", "-shortest", "-movflags", "+faststart", FileUrl(target)};
}

bool StartFfmpeg(TChildren* children, const std::vector<std::string>& args, TFfmpeg* ffmpeg,
                 std::string* error) {
  int input[2], audio[2];
  if (pipe2(input, O_CLOEXEC) != 0) {
    *error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
    return false;
  }
  if (pipe2(audio, O_CLOEXEC) != 0) {
    *error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
    close(input[0]);
    close(input[1]);
    return false;
  }
  const bool started =
      StartProgram(children, "ffmpeg", args, input[0], audio[0], false, &ffmpeg->run);
  const int failure = errno;
  close(input[0]);
  close(audio[0]);
  if (!started) {
    close(input[1]);
    close(audio[1]);
    *error = std::string("cannot start ffmpeg: ") + std::strerror(failure);
    return false;
  }
  // Our ends never block: every write waits in poll, a step at a time, so a
  // stopped ffmpeg or a frozen disk cannot hold up a stop.
  for (int fd : {input[1], audio[1]}) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  ffmpeg->inputFd = input[1];
  ffmpeg->audioFd = audio[1];
  return true;
}

bool FinishFfmpeg(TChildren* children, TFfmpeg* ffmpeg, const std::string& file,
                  const std::string& what, std::string* error) {
  for (int* fd : {&ffmpeg->inputFd, &ffmpeg->audioFd}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
  int status = 0;
  const bool ended = WaitProgram(children, ffmpeg->run.pid, kFfmpegStopMs, &status);
  std::string complaint = LastComplaint(ffmpeg->run);
  EndRun(&ffmpeg->run);
  complaint = NamedAs(complaint, file, what);
  if (!ended) {
    *error = "ffmpeg did not finish " + what + " in time after the stop and was killed";
    return false;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
    *error = "ffmpeg is missing (Debian package ffmpeg)";
  else
    *error = "ffmpeg " + DescribeEnd(status) + " on " + what +
             (complaint.empty() ? "" : ": " + complaint);
  return false;
}

bool RunFfprobe(TChildren* children, const std::vector<std::string>& args, int stopMs,
                std::string* out, std::string* error) {
  TRun run;
  if (!StartProgram(children, "ffprobe", args, -1, -1, true, &run)) {
    *error = std::string("cannot start ffprobe: ") + std::strerror(errno);
    return false;
  }
  int status = 0;
  const bool ended = WaitProgram(children, run.pid, stopMs, &status);
  *out = CaughtText(run.outFd);
  const std::string complaint = LastComplaint(run);
  EndRun(&run);
  if (!ended) {
    *error = "stopped";
    return false;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
    *error = "ffprobe is missing (Debian package ffmpeg)";
  else
    *error = complaint.empty() ? "ffprobe " + DescribeEnd(status) : complaint;
  return false;
}

int64_t CountVideoFrames(TChildren* children, const std::string& file, std::string* error) {
  std::string out;
  if (!RunFfprobe(children,
                  {"-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                   "stream=nb_read_packets", "-of", "csv=p=0", FileUrl(file)},
                  kFfmpegStopMs, &out, error))
    return -1;
  char* end = nullptr;
  const long long frames = std::strtoll(out.c_str(), &end, 10);
  if (end == out.c_str() || frames < 0) {
    *error = "ffprobe finds no video stream";
    return -1;
  }
  return frames;
}

bool DecodesCleanly(TChildren* children, const std::string& file, const std::string& label,
                    std::string* error) {
  TRun run;
  if (!StartProgram(children, "ffmpeg",
                    {"-hide_banner", "-nostdin", "-v", "error", "-xerror", "-i", FileUrl(file),
                     "-map", "0:v:0", "-f", "null", "-"},
                    -1, -1, false, &run)) {
    *error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
    return false;
  }
  int status = 0;
  const bool ended = WaitProgram(children, run.pid, kFfmpegStopMs, &status);
  const std::string complaint = NamedAs(LastComplaint(run), file, label);
  EndRun(&run);
  if (!ended) {
    *error = "stopped";
    return false;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && complaint.empty()) return true;
  *error = label + " does not decode cleanly" + (complaint.empty() ? "" : ": " + complaint);
  return false;
}

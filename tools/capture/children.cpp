// Child processes that cannot outlive the capture or hang it, and the
// stopping signals.
#include "capture/children.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

volatile std::sig_atomic_t CaptureInterrupted = 0;

namespace {

constexpr int kPollMs = 20;
constexpr int kStopBudgetMs = 4000;
constexpr size_t kCaughtLimit = 64 * 1024;

void OnStoppingSignal(int signal) {
  if (CaptureInterrupted == 0) CaptureInterrupted = signal;
}

void Record(TChild* child, int status) {
  child->running = false;
  child->status = status;
}

// Reaps `child` if it has ended; true then.
bool Reap(TChild* child) {
  if (!child->running) return true;
  int status = 0;
  pid_t got = 0;
  do {
    got = waitpid(child->pid, &status, WNOHANG);
  } while (got < 0 && errno == EINTR);
  if (got == child->pid || (got < 0 && errno == ECHILD)) {
    Record(child, got == child->pid ? status : 0);
    return true;
  }
  return false;
}

TChild* Find(TChildren* children, pid_t pid) {
  for (TChild& child : children->list)
    if (child.pid == pid) return &child;
  return nullptr;
}

bool AnyRunning(TChildren* children) {
  bool running = false;
  for (TChild& child : children->list) running = !Reap(&child) || running;
  return running;
}

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = OnStoppingSignal;
  // No SA_RESTART: a signal ends any system call that waits, so no wait
  // outlives it (every loop here looks at CaptureInterrupted after EINTR).
  action.sa_flags = 0;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

int StopMsLeft() {
  static std::chrono::steady_clock::time_point stopped;
  static bool noted = false;
  const auto now = std::chrono::steady_clock::now();
  if (!noted) {
    stopped = now;
    noted = true;
  }
  const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(now - stopped);
  return std::max(0, kStopBudgetMs - static_cast<int>(spent.count()));
}

int InterruptedStatus() { return 128 + (CaptureInterrupted ? CaptureInterrupted : SIGINT); }

pid_t ForkChild(TChildren* children, const std::string& role, int deathSignal) {
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    children->list.clear();  // the parent's children are not ours
    prctl(PR_SET_PDEATHSIG, deathSignal);
    // The parent may have died before the line above: then nobody would
    // send the signal.
    if (getppid() != parent) _exit(1);
    return 0;
  }
  if (pid > 0) {
    TChild child;
    child.pid = pid;
    child.role = role;
    child.running = true;
    children->list.push_back(child);
  }
  return pid;
}

std::string DescribeEnd(int status) {
  if (WIFSIGNALED(status))
    return "was killed by signal " + std::to_string(WTERMSIG(status)) + " (" +
           strsignal(WTERMSIG(status)) + ")";
  if (WIFEXITED(status)) return "ended with status " + std::to_string(WEXITSTATUS(status));
  return "ended";
}

bool CheckChildren(TChildren* children, std::string* death) {
  for (TChild& child : children->list) {
    if (!child.running || !Reap(&child)) continue;
    if (WIFEXITED(child.status) && WEXITSTATUS(child.status) == 0) continue;
    *death = child.role + " " + DescribeEnd(child.status);
    return false;
  }
  return true;
}

bool ChildEnded(TChildren* children, pid_t pid, int* status) {
  TChild* child = Find(children, pid);
  if (!child || !Reap(child)) return false;
  if (status) *status = child->status;
  return true;
}

bool WaitChild(TChildren* children, pid_t pid, int ms, int* status) {
  for (int waited = 0;; waited += kPollMs) {
    if (ChildEnded(children, pid, status)) return true;
    if (waited >= ms) return false;
    usleep(kPollMs * 1000);
  }
}

void StopChildren(TChildren* children, int graceMs) {
  for (TChild& child : children->list)
    if (!Reap(&child)) kill(child.pid, SIGTERM);
  for (int waited = 0; waited < graceMs && AnyRunning(children); waited += kPollMs)
    usleep(kPollMs * 1000);
  for (TChild& child : children->list) {
    if (Reap(&child)) continue;
    kill(child.pid, SIGKILL);
    int status = 0;
    while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    Record(&child, status);
  }
}

bool StartProgram(TChildren* children, const std::string& program,
                  const std::vector<std::string>& args, int stdinFd, int fd3, bool catchStdout,
                  TRun* run) {
  const int err = memfd_create(program.c_str(), MFD_CLOEXEC);
  const int out = catchStdout ? memfd_create(program.c_str(), MFD_CLOEXEC) : -1;
  if (err < 0 || (catchStdout && out < 0)) {
    const int error = errno;
    for (int fd : {err, out})
      if (fd >= 0) close(fd);
    errno = error;
    return false;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // A program of ours ends with us: SIGTERM lets ffmpeg close the hidden
  // file it writes, which the next capture to the same name removes.
  const pid_t pid = ForkChild(children, program, SIGTERM);
  if (pid == 0) {
    // Out of the terminal's foreground group: Ctrl-C is ours to handle.
    setpgid(0, 0);
    for (int signal : {SIGINT, SIGHUP}) std::signal(signal, SIG_IGN);
    for (int signal : {SIGTERM, SIGPIPE}) std::signal(signal, SIG_DFL);
    // Lift every descriptor clear of 0 to 3 before putting it in place.
    const int in = stdinFd >= 0 ? fcntl(stdinFd, F_DUPFD, 10) : open("/dev/null", O_RDONLY);
    const int three = fd3 >= 0 ? fcntl(fd3, F_DUPFD, 10) : -1;
    const int errCopy = fcntl(err, F_DUPFD, 10);
    const int outCopy = out >= 0 ? fcntl(out, F_DUPFD, 10) : -1;
    if (in < 0 || errCopy < 0 || dup2(in, 0) < 0 || dup2(errCopy, 2) < 0) _exit(126);
    if (outCopy >= 0 && dup2(outCopy, 1) < 0) _exit(126);
    if (three >= 0 && dup2(three, 3) < 0) _exit(126);
    for (int copy : {in, three, errCopy, outCopy})
      if (copy > 3) close(copy);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  if (pid < 0) {
    const int error = errno;
    for (int fd : {err, out})
      if (fd >= 0) close(fd);
    errno = error;
    return false;
  }
  run->pid = pid;
  run->errFd = err;
  run->outFd = out;
  return true;
}

std::string CaughtText(int fd) {
  if (fd < 0) return "";
  const off_t size = lseek(fd, 0, SEEK_END);
  if (size <= 0) return "";
  const off_t from = std::max<off_t>(0, size - static_cast<off_t>(kCaughtLimit));
  std::string text(static_cast<size_t>(size - from), '\0');
  const ssize_t n = pread(fd, text.data(), text.size(), from);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

std::string LastComplaint(const TRun& run) {
  std::string text = CaughtText(run.errFd);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  const size_t newline = text.find_last_of("\r\n");
  return newline == std::string::npos ? text : text.substr(newline + 1);
}

void EndRun(TRun* run) {
  for (int* fd : {&run->errFd, &run->outFd}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

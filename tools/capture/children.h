// The capture's child processes and the signals that stop it.
//
// A capture runs renderers, ffmpeg, ffprobe and, with --jobs, whole segment
// captures as children. None of them may outlive it or leave it waiting: each
// is started here with a parent-death signal, every wait in the tool is
// bounded and looks at the children between its timeouts (CheckChildren), and
// one helper (StopChildren) asks them to end, gives them a moment and then
// kills and reaps whatever is left.
//
// SIGINT, SIGTERM and SIGHUP set CaptureInterrupted to the signal's number and
// nothing else; the tool then stops within a few seconds and exits with
// 128 + that number (130 for Ctrl-C, 143 for SIGTERM). The handler stays
// installed: a signal sent to the whole process group reaches each process
// once from the sender and once more when a parent passes it on, and the
// second must not kill a renderer before it has said that it stopped.
#pragma once

#include <sys/types.h>

#include <csignal>
#include <string>
#include <vector>

// 0, or the number of the first stopping signal received.
extern volatile std::sig_atomic_t CaptureInterrupted;
void InstallInterruptHandler();
// The exit status for the signal received: 128 + its number.
int InterruptedStatus();
// Milliseconds left of the time the capture allows itself to end in once a
// stopping signal has come (4 s from the first call after it), so that the
// steps of a stop together stay within 5 s.
int StopMsLeft();

struct TChild {
  pid_t pid = -1;
  std::string role;  // "renderer 2", "ffmpeg", "segment 1 of 2": for messages
  bool running = false;
  int status = 0;  // waitpid's, once it has ended
};

// The children of one process, in the order they were started.
struct TChildren {
  std::vector<TChild> list;
};

// fork() with the child's end prepared: it gets `deathSignal` when this
// process dies (and ends at once if that has already happened), and the
// stopping signals' handler stays as it is. Returns as fork() does; a started
// child is added to *children under `role`.
pid_t ForkChild(TChildren* children, const std::string& role, int deathSignal);
// Looks at every running child without waiting. True when all are running or
// ended with status 0; false when one has ended otherwise, with a line naming
// it and how it ended in *death ("renderer 2 was killed by signal 9
// (Killed)").
bool CheckChildren(TChildren* children, std::string* death);
// True when the child started as `pid` has ended, with its waitpid status.
bool ChildEnded(TChildren* children, pid_t pid, int* status);
// Waits up to `ms` milliseconds for the child `pid` to end; true when it did.
bool WaitChild(TChildren* children, pid_t pid, int ms, int* status);
// Sends SIGTERM to every running child, waits up to graceMs for them, then
// kills the rest with SIGKILL and reaps them. Bounded: returns within about
// graceMs + 100 ms.
void StopChildren(TChildren* children, int graceMs);
// "ended with status 3", "was killed by signal 11 (Segmentation fault)".
std::string DescribeEnd(int status);

// A program run with its standard error, and its standard output when
// asked, caught in memory (memfds, so it can never block on a full pipe).
struct TRun {
  pid_t pid = -1;
  int outFd = -1;  // what it wrote to its standard output, when caught
  int errFd = -1;  // what it wrote to its standard error
};
// Starts `program` with `args` in a process group of its own (so Ctrl-C in
// the terminal reaches only the capture, which finishes it). stdinFd and
// fd3 become its descriptors 0 and 3 when not -1 (the child's copies; the
// caller closes its own). Without `catchStdout` its standard output is ours.
// False, with errno, when it cannot start; a program that is not installed
// ends with status 127.
bool StartProgram(TChildren* children, const std::string& program,
                  const std::vector<std::string>& args, int stdinFd, int fd3, bool catchStdout,
                  TRun* run);
// What was caught in fd (the last 64 KiB at most).
std::string CaughtText(int fd);
// The last line of what the program wrote to its standard error, or "".
std::string LastComplaint(const TRun& run);
// Closes the caught streams.
void EndRun(TRun* run);

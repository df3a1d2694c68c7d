#include "platform/process/stop_signals.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <initializer_list>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace {

std::atomic<int> caught{0};
void (*stopCall)() = nullptr;

// Asks until the program ends: the first ask may come before its loop runs.
[[noreturn]] void KeepAsking() {
  for (;;) {
    stopCall();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

#ifdef _WIN32
BOOL WINAPI OnConsoleEvent(DWORD event) {
  int signal = SIGINT;
  if (event == CTRL_BREAK_EVENT) signal = SIGBREAK;
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
    signal = 1;  // SIGHUP, as a closed terminal gives on POSIX systems
  int none = 0;
  if (caught.compare_exchange_strong(none, signal)) std::thread(KeepAsking).detach();
  // The close events end the process when this returns: give the program
  // the time Windows allows (5 s) to finish.
  if (signal == 1) std::this_thread::sleep_for(std::chrono::seconds(5));
  return TRUE;
}
#endif

}  // namespace

void WatchStopSignals(void (*askToStop)()) {
  stopCall = askToStop;
#ifdef _WIN32
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
  sigset_t stopping;
  sigemptyset(&stopping);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopping, signal);
  pthread_sigmask(SIG_BLOCK, &stopping, nullptr);
  std::thread([stopping] {
    int signal = 0;
    while (sigwait(&stopping, &signal) != 0) {
    }
    caught.store(signal);
    KeepAsking();
  }).detach();
#endif
}

int StopSignalCaught() { return caught.load(); }

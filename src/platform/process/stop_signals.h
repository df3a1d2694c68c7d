// Ending a program cleanly when it is asked to from outside: SIGINT, SIGTERM
// and SIGHUP on POSIX systems; Ctrl+C, Ctrl+Break and the console's closing
// on Windows, which count as SIGINT, SIGBREAK and SIGHUP.
#pragma once

// From now on, a stop request calls `askToStop` on a thread of its own,
// and again every 100 ms, until the program ends. On POSIX systems the
// signals are blocked in the calling thread and in every thread started
// after it, so call this before starting any.
void WatchStopSignals(void (*askToStop)());
// The number of the signal that asked the program to stop, 0 when none has:
// a program exits with 128 plus it, as a shell expects.
int StopSignalCaught();

// What the demo needs of the machine it runs on, as a table of functions.
//
// The window layer (src/platform/window_sdl.cpp) fills it with SDL2 and
// SDL2_mixer; the offscreen rig (src/platform/offscreen.cpp) fills it with a
// virtual clock, a level the caller sets and no sound. LoadDemo and DrawFrame
// call only these, so both run the same code. Written once by whichever of
// the two starts the demo, before LoadDemo.
#pragma once

#include <cstdint>

struct TPlatform {
  // Milliseconds since an arbitrary origin. The window layer counts in 64
  // bits, so it never wraps; the rig may return fractions of a millisecond.
  double (*TickCount)();

  // Sound output at mixRate Hz with up to maxChannels channels. False when
  // no output can be opened.
  bool (*InitSound)(int mixRate, int maxChannels);
  // Loads and decodes a whole sound file into memory. Null when the file is
  // missing or cannot be decoded.
  void* (*LoadSample)(const char* fileName);
  // Starts a sample on the first free channel; returns the channel, or -1
  // when the sample is null or no channel is free.
  int (*PlaySample)(void* sample);
  // Output level of a channel, 0..1: the RMS over both channels of the
  // block being played now, over 32768. 0 when the channel is silent.
  float (*ChannelLevel)(int channel);

  // Shows the finished back buffer.
  void (*PresentFrame)();
  // Ends the process with the given status. The window layer never returns
  // from it; the offscreen rig records the status and returns, and the
  // frame driver then returns at once.
  void (*EndProcess)(int status);
};

extern TPlatform Platform;

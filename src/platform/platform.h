// What the demo needs of the machine it runs on, as a table of functions.
//
// Each program that runs the demo (src/hosts/, the player, the capture
// through the offscreen host) fills it in one place, before LoadDemo, from
// the back-ends below it: SDL2 and SDL2_mixer for the window, the offscreen
// rig's virtual clock, the browser's. LoadDemo and DrawFrame call only
// these, so every host runs the same code.
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

// Sound entries for a host that plays the music itself rather than through
// start-up (the player streams and meters its own): the output "opens",
// no sample loads, nothing plays, the level is 0.
bool SoundPlayedByHost(int mixRate, int maxChannels);
void* NoSample(const char* fileName);
int NoPlaySample(void* sample);
float NoChannelLevel(int channel);

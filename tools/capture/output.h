// Output files written whole or not at all.
//
// A capture writes into a hidden file beside its target (".kel-HHHHHHHH-
// XXXXXX.EXT", HHHHHHHH a hash of the target's name, so that any legal name
// leaves room for it; created with O_EXCL, so never through a planted link) and
// renames it over the target only once the file is complete, so a failure or
// an interrupt never leaves a truncated picture or a video without its index
// where the user looks, and never damages an earlier file of that name. While
// it writes, it holds an exclusive lock on the target's name (".kel-HHHHHHHH.lock"
// beside it), so two captures to one file cannot interleave their bytes: the
// second is refused at once. Once it holds the lock, it removes the hidden
// files that a capture to the same name killed outright left behind. The
// file and its folder are synced before the rename.
#pragma once

#include <cstdint>
#include <string>

struct TOutput {
  std::string target;    // the name the user gave
  std::string temp;      // where the bytes go until they are whole
  std::string lockName;  // ".kel-HHHHHHHH.lock" beside the target
  int lockFd = -1;
  int tempFd = -1;  // open on temp, for writers that write themselves
};

// Takes the lock on target's name, removes leftovers of earlier captures
// to it and creates the temporary file beside it. False, with a line for the user in *error, when
// the folder cannot be written or another capture holds the lock.
bool BeginOutput(const std::string& target, TOutput* output, std::string* error);
// Renames the temporary file over the target and drops the lock. False,
// with the reason in *error, when the rename fails; the temporary file is
// then removed.
bool PublishOutput(TOutput* output, std::string* error);
// For what an interrupted capture made: the target's name when it is free,
// else "STEM-partial.EXT" beside it when that is free, so an earlier file is
// never replaced by a piece of a new one. Returns the name it took, or ""
// when both were taken and the file was removed.
std::string PublishPartial(TOutput* output);
// Removes the temporary file and drops the lock.
void AbandonOutput(TOutput* output);

// Creates a hidden file beside `path` (".kel-HHHHHHHH-TAGXXXXXX.EXT") with
// O_EXCL; its name in *temp and its descriptor, or -1 with errno.
int CreateTempBeside(const std::string& path, std::string* temp, const std::string& tag = "");

// Writes an RGB picture (top row first) as PNG file `path` whole: into a
// hidden file beside it first, then renamed into place. A link at `path` is
// replaced, never written through. False, with the reason in *error.
bool WritePngWhole(const std::string& path, const uint8_t* rgb, int width, int height,
                   std::string* error);

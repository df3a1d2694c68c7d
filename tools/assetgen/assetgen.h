// The asset pack generator: every picture, mesh and the music of the demo,
// made from code. Each writer puts its files into `dir` and returns false
// (after printing what failed, naming the file) when one cannot be written.
// Generation is deterministic: the same bytes on every run.
#pragma once

#include <string>

bool WritePictures(const std::string& dir);
bool WriteMeshes(const std::string& dir);
bool WriteMusic(const std::string& dir);
// The application icons, painted from the opening card's ring logo:
// dir/NxN/kelvane.png (RGBA) for N = 16, 24, 32, 48, 64, 128 and 256.
// Makes the size folders; dir itself must exist.
bool WriteIcons(const std::string& dir);

// The asset pack generator: every picture, mesh and the music of the demo,
// made from code. Each writer puts its files into `dir` and returns false
// (after printing what failed, naming the file) when one cannot be written.
// Generation is deterministic: the same bytes on every run.
#pragma once

#include <string>

bool WritePictures(const std::string& dir);
bool WriteMeshes(const std::string& dir);
bool WriteMusic(const std::string& dir);

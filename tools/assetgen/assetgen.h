// The asset pack generator: every picture, mesh and the music of the demo,
// made from code. Each writer puts its files into `dir` and returns false
// (after printing what failed, naming the file) when one cannot be written.
// Generation is deterministic: the same bytes on every run, so a file made
// alone is the file the whole pack's run makes.
#pragma once

#include <string>
#include <vector>

// A writer given `only`, one of its kind's file names, writes that file
// alone; given "" it writes them all.
bool WritePictures(const std::string& dir, const std::string& only);
bool WriteMeshes(const std::string& dir, const std::string& only);
bool WriteMusic(const std::string& dir, const std::string& only);
// The names of each kind's files, in the order the writer makes them.
std::vector<std::string> PictureFileNames();
std::vector<std::string> MeshFileNames();
std::vector<std::string> MusicFileNames();
// The application icons, painted from the opening card's ring logo:
// dir/NxN/kelvane.png (RGBA) for N = 16, 24, 32, 48, 64, 128 and 256.
// Makes the size folders; dir itself must exist.
bool WriteIcons(const std::string& dir);

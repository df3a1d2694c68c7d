// Where a capture finds the asset pack, and whether a folder holds one.
#include <unistd.h>

#include <filesystem>

#include "capture/capture.h"

namespace {

// Every file LoadDemo reads: the textures, the meshes (the point files among
// them) and the music.
const char* const kDemoFiles[] = {
    "trumpet.bmp",   "trumpetalpha.bmp", "mortak.bmp", "image4.bmp", "image10.bmp",  "image8.bmp",
    "spheremap.bmp", "blob2.bmp",        "trail.bmp",  "image3.bmp", "vantoril.bmp", "image6.bmp",
    "image11.bmp",   "log1.bmp",         "log2.bmp",   "kel.bmp",    "duck.asc",     "sphere.asc",
    "cube.asc",      "trailblobs.asc",   "kel.mp3",
};

}  // namespace

bool HoldsDemoAssets(const std::string& dir) {
  for (const char* name : kDemoFiles)
    if (access((dir + "/" + name).c_str(), F_OK) == 0) return true;
  return false;
}

std::string FindDataDir(std::string* tried) {
  namespace fs = std::filesystem;
  std::error_code failed;
  const fs::path program = fs::read_symlink("/proc/self/exe", failed);
  tried->clear();
  if (!failed) {
    const fs::path folder = program.parent_path();
    for (const fs::path& dir : {folder / "data", folder.parent_path() / "share/kelvane/data"}) {
      if (HoldsDemoAssets(dir.string())) return dir.string();
      *tried += dir.string() + ", ";
    }
  }
  *tried += "or the current directory";
  const fs::path here = fs::current_path(failed);
  if (!failed) *tried += " (" + here.string() + ")";
  return ".";
}

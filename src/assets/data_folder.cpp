#include "assets/data_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "assets/manifest.h"

bool CanEnterFolder(const std::string& dir, std::string* why) {
  struct stat info;
  if (stat(dir.c_str(), &info) != 0) {
    *why = std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    *why = "not a directory";
    return false;
  }
  if (access(dir.c_str(), X_OK) != 0) {
    *why = std::strerror(errno);
    return false;
  }
  return true;
}

bool HoldsDemoAssets(const std::string& dir) {
  for (int i = 0; i < kAssetFileCount; ++i)
    if (access((dir + "/" + kAssetFiles.names[i]).c_str(), F_OK) == 0) return true;
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

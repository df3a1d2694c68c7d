#include "assets/data_folder.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "assets/manifest.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

// The running program's own file; empty when it cannot be told.
fs::path ProgramFile() {
#ifdef _WIN32
  wchar_t name[32768];
  const DWORD length = GetModuleFileNameW(nullptr, name, sizeof name / sizeof name[0]);
  if (length == 0 || length >= sizeof name / sizeof name[0]) return {};
  return fs::path(std::wstring(name, length));
#else
  std::error_code failed;
  fs::path program = fs::read_symlink("/proc/self/exe", failed);
  return failed ? fs::path() : program;
#endif
}

}  // namespace

bool CanEnterFolder(const std::string& dir, std::string* why) {
#ifdef _WIN32
  std::error_code failed;
  const bool folder = fs::is_directory(fs::u8path(dir), failed);
  if (failed || !folder) *why = failed ? failed.message() : std::string("not a directory");
  return folder;
#else
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
#endif
}

bool HoldsDemoAssets(const std::string& dir) {
  for (int i = 0; i < kAssetFileCount; ++i)
    if (std::error_code failed; fs::exists(fs::u8path(dir) / kAssetFiles.names[i], failed))
      return true;
  return false;
}

std::string FindDataDir(std::string* tried) {
  std::error_code failed;
  const fs::path program = ProgramFile();
  tried->clear();
  if (!program.empty()) {
    const fs::path folder = program.parent_path();
    for (const fs::path& dir : {folder / "data", folder.parent_path() / "share/kelvane/data"}) {
      if (HoldsDemoAssets(dir.u8string())) return dir.u8string();
      *tried += dir.u8string() + ", ";
    }
  }
  *tried += "or the current directory";
  const fs::path here = fs::current_path(failed);
  if (!failed) *tried += " (" + here.u8string() + ")";
  return ".";
}

void EnterDataFolderBesideProgram() {
#ifdef _WIN32
  if (HoldsDemoAssets(".")) return;
  const fs::path program = ProgramFile();
  if (program.empty()) return;
  const fs::path data = program.parent_path() / "data";
  std::error_code failed;
  if (HoldsDemoAssets(data.u8string())) fs::current_path(data, failed);
#endif
}

const char* MissingAssetsHint() {
#ifdef _WIN32
  return "keep the folder 'data' beside kelvane.exe, or start it from the folder that holds them";
#else
  return "start it from the folder that holds them (build/data in a build tree) or with the "
         "installed launcher 'kelvane'";
#endif
}

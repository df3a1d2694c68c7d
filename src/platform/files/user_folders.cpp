#include "platform/files/user_folders.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <shlobj.h>
#include <windows.h>
#endif

namespace {

bool IsFolder(const std::string& path) {
  std::error_code failed;
  return !path.empty() && std::filesystem::is_directory(std::filesystem::u8path(path), failed);
}

}  // namespace

#ifdef _WIN32
std::string UserPicturesFolder() {
  wchar_t folder[MAX_PATH];
  if (SHGetFolderPathW(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK)
    return "";
  const std::string utf8 = std::filesystem::path(folder).u8string();
  return IsFolder(utf8) ? utf8 : "";
}
#else
std::string UserPicturesFolder() {
  const char* home = std::getenv("HOME");
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const std::string dirs =
      (config && *config ? std::string(config) : std::string(home ? home : "") + "/.config") +
      "/user-dirs.dirs";
  FILE* f = std::fopen(dirs.c_str(), "r");
  if (!f) return "";
  char line[1024];
  std::string folder;
  while (std::fgets(line, sizeof line, f)) {
    std::string text(line);
    const std::string key = "XDG_PICTURES_DIR=\"";
    if (text.compare(0, key.size(), key) != 0) continue;
    folder = text.substr(key.size(), text.find('"', key.size()) - key.size());
    if (folder.compare(0, 5, "$HOME") == 0) folder = std::string(home ? home : "") + folder.substr(5);
  }
  std::fclose(f);
  return IsFolder(folder) ? folder : "";
}
#endif

std::string CurrentFolder() {
  std::error_code failed;
  const std::filesystem::path here = std::filesystem::current_path(failed);
  return failed ? "" : here.u8string();
}

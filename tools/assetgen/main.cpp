// kelvane-assetgen DIR: writes the complete asset pack into DIR.
// kelvane-assetgen --only NAME DIR: writes one file, or one kind, of it.
// kelvane-assetgen --icons DIR: writes only the application icons.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "assetgen/assetgen.h"
#include "command_line.h"

namespace {

const char* const kUsage =
    "usage: kelvane-assetgen DIR\n"
    "       kelvane-assetgen --only NAME DIR\n"
    "       kelvane-assetgen --icons DIR\n"
    "       kelvane-assetgen -h | --help | -V | --version\n"
    "\n"
    "Writes the demo's pictures, meshes and music into DIR, making it and its\n"
    "parents when they are missing.\n"
    "\n"
    "  --only NAME     write one file of the pack (log2.bmp, duck.asc, kel.mp3...)\n"
    "                  or one kind (pictures, meshes or music), leaving the\n"
    "                  other files of DIR as they are\n"
    "  --icons DIR     write only the application icons instead:\n"
    "                  DIR/NxN/kelvane.png for N = 16 24 32 48 64 128 256,\n"
    "                  and all of them in DIR/kelvane.ico for Windows\n"
    "  -h, --help      this text\n"
    "  -V, --version   the program's name and version\n"
    "\n"
    "Exit status: 0 done, 1 a file or folder could not be written, 2 a mistake on\n"
    "the command line.\n";

const option kLongOptions[] = {
    {"icons", required_argument, nullptr, 'i'},
    {"only", required_argument, nullptr, 'o'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// The pack's three kinds, each with its files and its writer.
struct TKind {
  const char* name;
  std::vector<std::string> (*files)();
  bool (*write)(const std::string& dir, const std::string& only);
};

const TKind kKinds[] = {
    {"pictures", PictureFileNames, WritePictures},
    {"meshes", MeshFileNames, WriteMeshes},
    {"music", MusicFileNames, WriteMusic},
};

// What --only may name: the kinds, then every file of the pack.
std::vector<std::string> OnlyNames() {
  std::vector<std::string> names;
  for (const TKind& kind : kKinds) names.push_back(kind.name);
  for (const TKind& kind : kKinds) {
    for (const std::string& file : kind.files()) names.push_back(file);
  }
  return names;
}

bool IsOnlyName(const std::string& name) {
  const std::vector<std::string> names = OnlyNames();
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::string UnknownOnlyName(const std::string& name) {
  std::string message = "--only: no file or kind is called '" + name + "'; it takes one of:";
  for (const std::string& valid : OnlyNames()) message += " " + valid;
  return message;
}

// Writes the whole pack (`only` empty), one kind or one file of it.
bool WritePack(const std::string& dir, const std::string& only) {
  bool ok = true;
  for (const TKind& kind : kKinds) {
    const std::vector<std::string> files = kind.files();
    if (only.empty() || only == kind.name) {
      ok = kind.write(dir, "") && ok;
    } else if (std::find(files.begin(), files.end(), only) != files.end()) {
      ok = kind.write(dir, only) && ok;
    }
  }
  return ok;
}

int BadArguments(const std::string& message) {
  std::fprintf(stderr, "kelvane-assetgen: %s\nTry 'kelvane-assetgen --help'.\n", message.c_str());
  return 2;
}

// Makes dir with its parents and checks that a file can be made in it, so a
// folder that cannot be written is reported once, before any generating.
// The probe is made new (O_EXCL) and never through a link (O_NOFOLLOW): a
// link planted at its name is refused, not followed to truncate its target.
bool PrepareFolder(const std::string& dir) {
  std::error_code failed;
  std::filesystem::create_directories(dir, failed);
  if (!failed && !std::filesystem::is_directory(dir, failed) && !failed)
    failed = std::make_error_code(std::errc::not_a_directory);
  if (failed) {
    std::fprintf(stderr, "kelvane-assetgen: %s: cannot make the folder: %s\n", dir.c_str(),
                 failed.message().c_str());
    return false;
  }
  const std::string probe = dir + "/.kelvane-assetgen-probe";
  const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0 && errno == EEXIST) {
    std::fprintf(stderr, "kelvane-assetgen: %s: cannot write there: %s is in the way\n",
                 dir.c_str(), probe.c_str());
    return false;
  }
  if (fd < 0) {
    std::fprintf(stderr, "kelvane-assetgen: %s: cannot write there: %s\n", dir.c_str(),
                 std::strerror(errno));
    return false;
  }
  close(fd);
  unlink(probe.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int at = 0;
  std::string mistake;
  switch (ScanCommandLine(argc, argv, kLongOptions, &at, &mistake)) {
    case 'h':
      std::fputs(kUsage, stdout);
      return 0;
    case 'V':
      std::puts("kelvane-assetgen " KELVANE_VERSION);
      return 0;
    case '?':
      return BadArguments(mistake);
  }
  std::string iconDir, only;
  bool onlyGiven = false;
  opterr = 0;
  for (;;) {
    // -h and -V never come back here: ScanCommandLine has answered them.
    const int code = getopt_long(argc, argv, ":", kLongOptions, nullptr);
    if (code == -1) break;
    if (code == 'o') {
      if (onlyGiven) return BadArguments("--only is given twice");
      if (!IsOnlyName(optarg)) return BadArguments(UnknownOnlyName(optarg));
      onlyGiven = true;
      only = optarg;
      continue;
    }
    if (code != 'i') return BadArguments(OptionMistake(code, argv, kLongOptions));
    if (!*optarg) return BadArguments("--icons needs a folder");
    if (!iconDir.empty()) return BadArguments("--icons is given twice");
    iconDir = optarg;
  }
  const int operands = argc - optind;
  if (!iconDir.empty()) {
    if (onlyGiven) return BadArguments("--icons writes only the icons: --only does not go with it");
    if (operands > 0)
      return BadArguments(std::string("--icons writes only the icons: unexpected argument '") +
                          argv[optind] + "'");
    return PrepareFolder(iconDir) && WriteIcons(iconDir) ? 0 : 1;
  }
  if (operands == 0) return BadArguments("say which folder to write the pack into");
  if (operands > 1)
    return BadArguments(std::string("unexpected argument '") + argv[optind + 1] + "'");
  const std::string dir = argv[optind];
  if (dir.empty()) return BadArguments("the folder name is empty");
  if (!PrepareFolder(dir)) return 1;
  return WritePack(dir, only) ? 0 : 1;
}

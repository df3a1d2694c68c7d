// Output files written whole or not at all: a temporary file beside the
// target, renamed into place when complete, under a lock on the target's name.
#include "capture/output.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/files/regular_file.h"
#include "png_file.h"

namespace {

struct TPathParts {
  std::string folder;  // with its trailing '/', or "" for the current folder
  std::string base;    // the file's name
  std::string stem;    // base without its extension
  std::string ext;     // ".mp4", or ""
};

TPathParts SplitPath(const std::string& path) {
  TPathParts parts;
  const size_t slash = path.rfind('/');
  parts.folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  parts.base = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = parts.base.rfind('.');
  const bool hasExt = dot != std::string::npos && dot > 0;
  parts.stem = hasExt ? parts.base.substr(0, dot) : parts.base;
  parts.ext = hasExt ? parts.base.substr(dot) : "";
  return parts;
}

// ".kel-HHHHHHHH": what the hidden files of a target start with, the hash
// (FNV-1a) of its name standing for the name, so that they stay short
// enough beside a name of any legal length.
std::string HiddenStem(const TPathParts& parts) {
  uint32_t hash = 2166136261u;
  for (unsigned char c : parts.base) hash = (hash ^ c) * 16777619u;
  char text[16];
  std::snprintf(text, sizeof text, ".kel-%08x", hash);
  return text;
}

// Removes what an earlier capture to the same target left when it was
// killed outright: its temporary files and its parts. Called with the
// target's lock held, so none of them belongs to a capture still running.
void RemoveLeftovers(const TPathParts& parts) {
  const std::string prefix = HiddenStem(parts) + "-";
  DIR* folder = opendir(parts.folder.empty() ? "." : parts.folder.c_str());
  if (!folder) return;
  while (const dirent* entry = readdir(folder))
    if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
      unlink((parts.folder + entry->d_name).c_str());
  closedir(folder);
}

// The mode a newly created file gets: 0666 less the umask.
mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

int CreateTempBeside(const std::string& path, std::string* temp, const std::string& tag) {
  const TPathParts parts = SplitPath(path);
  std::string name = parts.folder + HiddenStem(parts) + "-" + tag + "XXXXXX" + parts.ext;
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  const int fd = mkostemps(buffer.data(), static_cast<int>(parts.ext.size()), O_CLOEXEC);
  if (fd < 0) return -1;
  fchmod(fd, NewFileMode());
  *temp = buffer.data();
  return fd;
}

namespace {

// Renames from over to without replacing anything there; false with errno.
bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without RENAME_NOREPLACE: a hard link fails the same way.
  if (link(from.c_str(), to.c_str()) != 0) return false;
  unlink(from.c_str());
  return true;
}

void DropLock(TOutput* output) {
  if (output->lockFd < 0) return;
  unlink(output->lockName.c_str());
  close(output->lockFd);
  output->lockFd = -1;
}

void CloseTemp(TOutput* output) {
  if (output->tempFd >= 0) close(output->tempFd);
  output->tempFd = -1;
}

}  // namespace

bool BeginOutput(const std::string& target, TOutput* output, std::string* error) {
  const TPathParts parts = SplitPath(target);
  output->target = target;
  output->lockName = parts.folder + HiddenStem(parts) + ".lock";
  // A lock file removed by its last holder between our open and our lock
  // would be a lock on nothing: lock, then make sure the name still leads to
  // the file locked.
  for (int attempt = 0; output->lockFd < 0; ++attempt) {
    const int fd =
        open(output->lockName.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, NewFileMode());
    if (fd < 0) {
      *error = target + ": cannot write in its folder: " + std::strerror(errno);
      return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      close(fd);
      *error = target + " is being written by another capture; try again when it has finished";
      return false;
    }
    struct stat held, named;
    if (fstat(fd, &held) == 0 && stat(output->lockName.c_str(), &named) == 0 &&
        held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
      output->lockFd = fd;
    } else {
      close(fd);
      if (attempt > 100) {
        *error = target + ": its lock file keeps changing";
        return false;
      }
    }
  }
  RemoveLeftovers(parts);
  output->tempFd = CreateTempBeside(target, &output->temp);
  if (output->tempFd < 0) {
    *error = target + ": cannot write in its folder: " + std::strerror(errno);
    DropLock(output);
    return false;
  }
  return true;
}

bool PublishOutput(TOutput* output, std::string* error) {
  // ffmpeg wrote the file through descriptors of its own: sync it here, so
  // that after a power loss the target is the whole file or the old one.
  if (output->tempFd >= 0) fsync(output->tempFd);
  CloseTemp(output);
  const bool renamed = rename(output->temp.c_str(), output->target.c_str()) == 0;
  if (renamed) SyncFolderOf(output->target);
  if (!renamed) {
    *error = output->target + ": cannot put the file in place: " + std::strerror(errno);
    unlink(output->temp.c_str());
  }
  DropLock(output);
  return renamed;
}

std::string PublishPartial(TOutput* output) {
  if (output->tempFd >= 0) fsync(output->tempFd);
  CloseTemp(output);
  const TPathParts parts = SplitPath(output->target);
  std::string taken;
  for (const std::string& name :
       {output->target, parts.folder + parts.stem + "-partial" + parts.ext}) {
    if (RenameNoReplace(output->temp, name)) {
      taken = name;
      break;
    }
  }
  if (taken.empty()) unlink(output->temp.c_str());
  DropLock(output);
  return taken;
}

void AbandonOutput(TOutput* output) {
  CloseTemp(output);
  if (!output->temp.empty()) unlink(output->temp.c_str());
  DropLock(output);
}

bool WritePngWhole(const std::string& path, const uint8_t* rgb, int width, int height,
                   std::string* error) {
  return WriteFileWhole(
      path, [&](FILE* f) { return WritePngStream(f, rgb, width, height, 3); }, error);
}

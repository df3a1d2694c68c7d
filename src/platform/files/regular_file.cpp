#include "platform/files/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

int OpenRegularDescriptor(const char* fileName) {
  // O_NONBLOCK so that a FIFO without a writer cannot hold up the open.
  const int fd = open(fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    errno = EINVAL;
    return -1;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

FILE* OpenRegularFile(const char* fileName) {
  const int fd = OpenRegularDescriptor(fileName);
  if (fd < 0) return nullptr;
  FILE* file = fdopen(fd, "rb");
  if (!file) close(fd);
  return file;
}

int64_t RegularFileSize(const char* fileName) {
  struct stat info;
  if (stat(fileName, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return static_cast<int64_t>(info.st_size);
}

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string OutputTargetProblem(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) return "";
  if (S_ISDIR(info.st_mode)) return path + " is a folder";
  if (S_ISFIFO(info.st_mode)) return path + " is a FIFO";
  return path + " is not a regular file";
}

bool SyncFolderOf(const std::string& path) {
  const int fd = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot
  const int error = errno;
  close(fd);
  errno = error;
  return synced;
}

bool WriteFileWhole(const std::string& path, const std::function<bool(FILE*)>& write,
                    std::string* error) {
  const std::string problem = OutputTargetProblem(path);
  if (!problem.empty()) {
    *error = problem + "; give a file name";
    return false;
  }
  const std::string folder = FolderOf(path);
  std::string name = folder + "/.kelvane-XXXXXX";
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  const int fd = mkostemp(buffer.data(), O_CLOEXEC);  // O_CREAT | O_EXCL: never a link
  if (fd < 0) {
    *error = path + ": cannot write in its folder: " + std::strerror(errno);
    return false;
  }
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  name = buffer.data();
  FILE* file = fdopen(fd, "wb");
  bool written = file && write(file) && std::fflush(file) == 0 && fsync(fd) == 0;
  int failure = errno;
  if (file ? std::fclose(file) != 0 : close(fd) != 0) {
    if (written) failure = errno;
    written = false;
  }
  if (written && rename(name.c_str(), path.c_str()) != 0) {
    failure = errno;
    written = false;
  }
  if (!written) {
    unlink(name.c_str());
    *error = path + ": cannot write: " + std::strerror(failure ? failure : EIO);
    return false;
  }
  SyncFolderOf(path);
  return true;
}

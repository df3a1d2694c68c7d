#include "platform/files/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

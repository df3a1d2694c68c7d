#include "platform/files/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#ifdef _WIN32
namespace {
// Windows has no FIFO an open could block on; a device (NUL, CON, a pipe)
// fails the regular-file check below.
int OpenForReading(const char* fileName) {
  return _open(fileName, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
void MakeBlocking(int) {}
constexpr const char* kNullDevice = "NUL";
constexpr int kWriteNoInherit = _O_WRONLY | _O_NOINHERIT;
using TStat = struct _stati64;
int StatFile(const char* fileName, TStat* info) { return _stati64(fileName, info); }
int StatDescriptor(int fd, TStat* info) { return _fstati64(fd, info); }
int64_t ChangeNanoseconds(const TStat& info) { return int64_t{info.st_mtime} * 1000000000; }
}  // namespace

int64_t ReadDescriptorAt(int fd, unsigned char* data, int64_t want, int64_t offset) {
  // ReadFile with an offset moves the file's position too: put it back.
  HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (file == INVALID_HANDLE_VALUE) return -1;
  const int64_t position = _lseeki64(fd, 0, SEEK_CUR);
  int64_t done = 0;
  while (done < want) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset + done);
    at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
    const DWORD piece = static_cast<DWORD>(std::min<int64_t>(want - done, 1 << 30));
    DWORD got = 0;
    if (!ReadFile(file, data + done, piece, &got, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      errno = EIO;
      return -1;
    }
    if (got == 0) break;
    done += got;
  }
  if (position >= 0) _lseeki64(fd, position, SEEK_SET);
  return done;
}
#else
namespace {
// O_NONBLOCK so that a FIFO without a writer cannot hold up the open.
int OpenForReading(const char* fileName) {
  return open(fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}
void MakeBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}
constexpr const char* kNullDevice = "/dev/null";
constexpr int kWriteNoInherit = O_WRONLY | O_CLOEXEC;
using TStat = struct stat;
int StatFile(const char* fileName, TStat* info) { return stat(fileName, info); }
int StatDescriptor(int fd, TStat* info) { return fstat(fd, info); }
int64_t ChangeNanoseconds(const TStat& info) {
  return int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
}
}  // namespace

int64_t ReadDescriptorAt(int fd, unsigned char* data, int64_t want, int64_t offset) {
  int64_t done = 0;
  while (done < want) {
    const ssize_t got = pread(fd, data + done, static_cast<size_t>(want - done), offset + done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += got;
  }
  return done;
}
#endif

int OpenRegularDescriptor(const char* fileName) {
  const int fd = OpenForReading(fileName);
  if (fd < 0) return -1;
  TStat info;
  if (StatDescriptor(fd, &info) != 0 || (info.st_mode & S_IFMT) != S_IFREG) {
    close(fd);
    errno = EINVAL;
    return -1;
  }
  MakeBlocking(fd);
  return fd;
}

FILE* DescriptorStream(int fd) { return fdopen(fd, "rb"); }

void CloseDescriptor(int fd) { close(fd); }

FILE* OpenRegularFile(const char* fileName) {
  const int fd = OpenRegularDescriptor(fileName);
  if (fd < 0) return nullptr;
  FILE* file = DescriptorStream(fd);
  if (!file) close(fd);
  return file;
}

int64_t RegularFileSize(const char* fileName) {
  TStat info;
  if (StatFile(fileName, &info) != 0 || (info.st_mode & S_IFMT) != S_IFREG) return -1;
  return static_cast<int64_t>(info.st_size);
}

int64_t DescriptorSize(int fd) {
  TStat info;
  return StatDescriptor(fd, &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
}

int64_t FileChangeTime(const char* fileName) {
  TStat info;
  return StatFile(fileName, &info) == 0 ? ChangeNanoseconds(info) : 0;
}

int SilenceStderr() {
  std::fflush(stderr);
  const int saved = dup(2);
  const int quiet = open(kNullDevice, kWriteNoInherit);
  if (saved >= 0 && quiet >= 0) dup2(quiet, 2);
  if (quiet >= 0) close(quiet);
  return saved;
}

void RestoreStderr(int saved) {
  if (saved < 0) return;
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
}

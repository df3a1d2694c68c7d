#include "platform/files/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

// The calls where POSIX and Windows differ, each behind one small function;
// everything after this section is written once.
#ifdef _WIN32
namespace {
// File names are UTF-8; Windows takes them as UTF-16 through its wide
// calls, so any name works whatever the system's ANSI code page.
std::wstring Wide(const std::string& utf8) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                         nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}
// Windows has no FIFO an open could block on; a device (NUL, CON, a pipe)
// fails the regular-file check below.
int OpenForReading(const char* fileName) {
  return _wopen(Wide(fileName).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
void MakeBlocking(int) {}
constexpr const char* kNullDevice = "NUL";
constexpr int kWriteNoInherit = _O_WRONLY | _O_NOINHERIT;
using TStat = struct _stati64;
int StatFile(const char* fileName, TStat* info) { return _wstati64(Wide(fileName).c_str(), info); }
// Windows links are rare and a rename replaces one rather than following it,
// so the target is looked at as it is.
int StatTarget(const char* fileName, TStat* info) { return StatFile(fileName, info); }
bool IsLink(const TStat&) { return false; }
bool IsFifo(const TStat& info) { return (info.st_mode & S_IFMT) == _S_IFIFO; }
int StatDescriptor(int fd, TStat* info) { return _fstati64(fd, info); }
int64_t ChangeNanoseconds(const TStat& info) { return int64_t{info.st_mtime} * 1000000000; }
bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// A new file under a hidden name in `folder`, created exclusively.
int CreateTemporary(const std::string& folder, std::string* name) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[16];
    const unsigned mix = (GetTickCount() * 2654435761u) ^ (_getpid() << 8) ^ ++counter;
    std::snprintf(suffix, sizeof suffix, "%06x", mix & 0xffffff);
    *name = folder + "\\.kelvane-" + suffix;
    const int fd = _wopen(Wide(*name).c_str(),
                          _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                          _S_IREAD | _S_IWRITE);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}
bool SyncDescriptor(int fd) { return _commit(fd) == 0; }
// Over an existing file too, and on the disk before it returns.
bool ReplaceWith(const std::string& from, const std::string& to) {
  if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
  return false;
}
void RemoveFile(const std::string& name) { _wremove(Wide(name).c_str()); }
// MOVEFILE_WRITE_THROUGH has put the rename on the disk already.
bool SyncFolder(const std::string&) { return true; }
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
int StatTarget(const char* fileName, TStat* info) { return lstat(fileName, info); }
bool IsLink(const TStat& info) { return S_ISLNK(info.st_mode); }
bool IsFifo(const TStat& info) { return S_ISFIFO(info.st_mode); }
int StatDescriptor(int fd, TStat* info) { return fstat(fd, info); }
int64_t ChangeNanoseconds(const TStat& info) {
  return int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
}
bool IsSeparator(char c) { return c == '/'; }

int CreateTemporary(const std::string& folder, std::string* name) {
  std::string pattern = folder + "/.kelvane-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = mkostemp(buffer.data(), O_CLOEXEC);  // O_CREAT | O_EXCL: never a link
  if (fd < 0) return -1;
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  *name = buffer.data();
  return fd;
}
bool SyncDescriptor(int fd) { return fsync(fd) == 0; }
// rename replaces a link at `to` rather than following it.
bool ReplaceWith(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0;
}
void RemoveFile(const std::string& name) { unlink(name.c_str()); }
bool SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot
  const int error = errno;
  close(fd);
  errno = error;
  return synced;
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

namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.size();
  while (slash > 0 && !IsSeparator(path[slash - 1])) --slash;
  if (slash == 0) return ".";
  return slash == 1 ? path.substr(0, 1) : path.substr(0, slash - 1);
}

}  // namespace

std::string OutputTargetProblem(const std::string& path) {
  TStat info;
  if (StatTarget(path.c_str(), &info) != 0 || (info.st_mode & S_IFMT) == S_IFREG || IsLink(info))
    return "";
  if ((info.st_mode & S_IFMT) == S_IFDIR) return path + " is a folder";
  if (IsFifo(info)) return path + " is a FIFO";
  return path + " is not a regular file";
}

bool SyncFolderOf(const std::string& path) { return SyncFolder(FolderOf(path)); }

bool WriteFileWhole(const std::string& path, const std::function<bool(FILE*)>& write,
                    std::string* error) {
  const std::string problem = OutputTargetProblem(path);
  if (!problem.empty()) {
    *error = problem + "; give a file name";
    return false;
  }
  std::string name;
  const int fd = CreateTemporary(FolderOf(path), &name);
  if (fd < 0) {
    *error = path + ": cannot write in its folder: " + std::strerror(errno);
    return false;
  }
  FILE* file = fdopen(fd, "wb");
  bool written = file && write(file) && std::fflush(file) == 0 && SyncDescriptor(fd);
  int failure = errno;
  if (file ? std::fclose(file) != 0 : close(fd) != 0) {
    if (written) failure = errno;
    written = false;
  }
  if (written && !ReplaceWith(name, path)) {
    failure = errno;
    written = false;
  }
  if (!written) {
    RemoveFile(name);
    *error = path + ": cannot write: " + std::strerror(failure ? failure : EIO);
    return false;
  }
  SyncFolderOf(path);
  return true;
}

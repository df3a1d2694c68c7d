// Opening the demo's files safely: only a regular file is read. A FIFO would
// block the open, and a device such as /dev/zero (NUL or CON on Windows) or a
// folder would make a reader wait forever or fail in odd ways, so anything
// else is refused as unreadable, at once.
//
// This is also the one place where the file calls of POSIX and Windows
// differ; the rest of the demo and the tools go through it. File names are
// UTF-8 on every system.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

// A descriptor open for reading (blocking, not inherited by child
// processes) when the file is a regular file; -1 otherwise, with errno set
// (EINVAL for a file that is not regular). The check is made on the open
// file, so the file cannot be swapped for a FIFO between the check and the
// reading.
int OpenRegularDescriptor(const char* fileName);
// The same as a stdio stream.
FILE* OpenRegularFile(const char* fileName);
// A stdio stream reading the open descriptor, which it then owns; null, with
// errno set, when none can be made (the descriptor is then still open).
FILE* DescriptorStream(int fd);
void CloseDescriptor(int fd);

// The size in bytes of a regular file; -1 when it is missing, unreadable or
// not a regular file.
int64_t RegularFileSize(const char* fileName);
// The size in bytes of an open file; -1, with errno set, when it cannot be
// told.
int64_t DescriptorSize(int fd);
// Reads up to `want` bytes at `offset` of an open file, fewer only at its
// end, and leaves the file's offset where it was. -1, with errno set, on an
// error.
int64_t ReadDescriptorAt(int fd, unsigned char* data, int64_t want, int64_t offset);
// When the file last changed, in nanoseconds since an origin of the
// system's; 0 when it is missing.
int64_t FileChangeTime(const char* fileName);

// Sends stderr to the null device; returns a descriptor that
// RestoreStderr(saved) puts back (-1 when stderr could not be moved).
int SilenceStderr();
void RestoreStderr(int saved);

// Writing: a file is written whole, never through a link. `write` fills a
// stream on a temporary file that is new (O_CREAT | O_EXCL | O_NOFOLLOW), in
// the target's own folder under a short hidden name (".kelvane-XXXXXX"), so
// any legal file name works; the file and then its folder are synced, and
// the file is renamed over the target, which replaces a link there rather
// than following it. A folder, a FIFO or a device at `path` is refused before
// `write` runs. False, with a line naming the file in *error, when anything
// fails; nothing is left behind then.
bool WriteFileWhole(const std::string& path, const std::function<bool(FILE*)>& write,
                    std::string* error);
// Why `path` cannot be an output ("PATH is a folder", "PATH is a FIFO"), or
// "" when it is missing, a regular file or a link (which is replaced).
std::string OutputTargetProblem(const std::string& path);
// Syncs the folder that holds `path`, so a rename in it survives a power
// loss. False with errno.
bool SyncFolderOf(const std::string& path);

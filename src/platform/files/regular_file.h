// Opening the demo's files safely: only a regular file is read. A FIFO would
// block the open, and a device such as /dev/zero or a folder would make a
// reader wait forever or fail in odd ways, so anything else is refused as
// unreadable, at once.
#pragma once

#include <cstdint>
#include <cstdio>

// A descriptor open for reading (blocking, close-on-exec) when the file is a
// regular file; -1 otherwise, with errno set (EINVAL for a file that is not
// regular). The check is made on the open file, so the file cannot be
// swapped for a FIFO between the check and the reading.
int OpenRegularDescriptor(const char* fileName);
// The same as a stdio stream.
FILE* OpenRegularFile(const char* fileName);

// The size in bytes of a regular file; -1 when it is missing, unreadable or
// not a regular file.
int64_t RegularFileSize(const char* fileName);

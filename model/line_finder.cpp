#include "model/line_finder.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <string>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Room before the data for the byte that precedes it, and after it so that 32-byte loads near the
// end stay inside the buffer.
constexpr std::size_t kFrontBytes = 16;
constexpr std::size_t kBackBytes = 64;

// A block a little larger than the file, within the limits: a small library gets a small buffer.
std::size_t blockBytesFor(long long fileSize) {
  const auto wanted = static_cast<unsigned long long>(std::max(fileSize, 0LL)) + 1;
  return static_cast<std::size_t>(
      std::clamp<unsigned long long>(wanted, kMinBlockBytes, kBlockBytes));
}

#ifdef _WIN32
// Names are UTF-8 here. The wide-character open takes them in every script, where the narrow one
// would read them in the system's code page. Text that is not UTF-8 names no file: empty.
std::wstring widePath(const char* path) {
  const std::size_t bytes = std::strlen(path);
  if (bytes == 0 || bytes > INT_MAX) {
    return {};
  }
  const int length = static_cast<int>(bytes);
  const int chars = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, length, nullptr, 0);
  if (chars <= 0) {
    return {};
  }
  std::wstring wide(static_cast<std::size_t>(chars), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, length, wide.data(), chars);
  return wide;
}

int openRegularFile(const char* path, long long& size) {
  const std::wstring wide = widePath(path);
  if (wide.empty()) {
    return -1;
  }
  const int fd = _wopen(wide.c_str(), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    return -1;
  }
  struct _stat64 status;
  if (_fstat64(fd, &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) {
    _close(fd);
    return -1;
  }
  size = status.st_size;
  return fd;
}

long readSome(int fd, char* to, std::size_t bytes) {
  return _read(fd, to, static_cast<unsigned>(std::min<std::size_t>(bytes, INT_MAX)));
}

void closeFile(int fd) {
  _close(fd);
}
#else
int openRegularFile(const char* path, long long& size) {
  // Non-blocking, so that opening a FIFO does not wait for a writer; the check below then turns it
  // away like every other file that is not regular.
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return -1;
  }
  struct stat status;
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(fd);
    return -1;
  }
  size = status.st_size;
  return fd;
}

long readSome(int fd, char* to, std::size_t bytes) {
  ssize_t got;
  do {
    got = read(fd, to, bytes);
  } while (got < 0 && errno == EINTR);
  return static_cast<long>(got);
}

void closeFile(int fd) {
  close(fd);
}
#endif

// Reads until the block is full or the file ends; a read error counts as the end of the file.
void fill(LineFinder& finder) {
  char* const blockEnd = finder.data + finder.blockBytes;
  while (!finder.atEnd && finder.end < blockEnd) {
    const long got =
        readSome(finder.file.fd, finder.end, static_cast<std::size_t>(blockEnd - finder.end));
    if (got <= 0) {
      finder.atEnd = true;
    } else {
      finder.end += got;
    }
  }
  std::memset(finder.end, 0, kBackBytes);
}

#ifdef PALVETTA_AVX2
bool vectorScanAllowed = __builtin_cpu_supports("avx2");
#else
bool vectorScanAllowed = false;
#endif

}  // namespace

void refillLineFinder(LineFinder& finder, const char* keep) {
  const std::size_t kept = static_cast<std::size_t>(finder.end - keep);
  std::memmove(finder.data - 1, keep - 1, kept + 1);
  finder.next = finder.data;
  finder.end = finder.data + kept;
  fill(finder);
}

bool allowVectorScan(bool allowed) {
#ifdef PALVETTA_AVX2
  vectorScanAllowed = allowed && __builtin_cpu_supports("avx2");
#else
  static_cast<void>(allowed);
#endif
  return vectorScanAllowed;
}

bool useAvx2() {
  return vectorScanAllowed;
}

FileDescriptor::~FileDescriptor() {
  if (fd >= 0) {
    closeFile(fd);
  }
}

bool openFileForReading(FileDescriptor& file, const char* path, long long& size) {
  if (file.fd >= 0) {
    closeFile(file.fd);
  }
  file.fd = openRegularFile(path, size);
  return file.fd >= 0;
}

long readFileBytes(const FileDescriptor& file, char* to, std::size_t bytes) {
  return readSome(file.fd, to, bytes);
}

bool openLineFinder(LineFinder& finder, const char* path) {
  closeLineFinder(finder);
  long long size = 0;
  if (!openFileForReading(finder.file, path, size)) {
    return false;
  }
  const std::size_t blockBytes = blockBytesFor(size);
  if (!finder.storage || finder.blockBytes < blockBytes) {
    finder.storage.reset();
    finder.storage = std::make_unique_for_overwrite<char[]>(kFrontBytes + blockBytes + kBackBytes);
    finder.blockBytes = blockBytes;
  }
  finder.data = finder.storage.get() + kFrontBytes;
  finder.data[-1] = '\n';
  finder.next = finder.data;
  finder.end = finder.data;
  finder.atEnd = false;
  fill(finder);
  if (finder.end - finder.data >= 3 && std::memcmp(finder.data, "\xEF\xBB\xBF", 3) == 0) {
    finder.data[2] = '\n';
    finder.next = finder.data + 3;
  }
  return true;
}

void closeLineFinder(LineFinder& finder) {
  if (finder.file.fd >= 0) {
    closeFile(finder.file.fd);
    finder.file.fd = -1;
  }
  finder.atEnd = true;
  finder.next = finder.end;
}

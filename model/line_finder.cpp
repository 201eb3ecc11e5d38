#include "model/line_finder.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "platform/paths.h"

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
long readSome(int fd, char* to, std::size_t bytes) {
  return _read(fd, to, static_cast<unsigned>(std::min<std::size_t>(bytes, INT_MAX)));
}

void closeFile(int fd) {
  _close(fd);
}

bool seekTo(int fd, long long offset) {
  return _lseeki64(fd, offset, SEEK_SET) == offset;
}
#else
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

bool seekTo(int fd, long long offset) {
  return lseek(fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}
#endif

// Reads until the block is full or the file ends; a read error counts as the end of the file.
void fill(LineFinder& finder) {
  char* const blockEnd = finder.data + finder.blockBytes;
  while (!finder.atEnd && finder.end < blockEnd) {
    std::size_t wanted = static_cast<std::size_t>(blockEnd - finder.end);
    if (finder.left >= 0) {
      wanted = static_cast<std::size_t>(std::min<long long>(finder.left, wanted));
    }
    const long got = wanted == 0 ? 0 : readSome(finder.file.fd, finder.end, wanted);
    if (got <= 0) {
      finder.atEnd = true;
    } else {
      finder.end += got;
      finder.left -= finder.left >= 0 ? got : 0;
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
  if (kept == finder.blockBytes) {
    // One line fills the block: a reader that wants it whole gets a block twice the size.
    auto larger = std::make_unique_for_overwrite<char[]>(kFrontBytes + 2 * kept + kBackBytes);
    char* const data = larger.get() + kFrontBytes;
    std::memcpy(data - 1, keep - 1, kept + 1);
    finder.storage = std::move(larger);
    finder.blockBytes = 2 * kept;
    finder.data = data;
  } else {
    std::memmove(finder.data - 1, keep - 1, kept + 1);
  }
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

bool seekFile(const FileDescriptor& file, long long offset) {
  return seekTo(file.fd, offset);
}

namespace {

bool openFinder(LineFinder& finder, const char* path, long long offset, long long bytes) {
  closeLineFinder(finder);
  long long size = 0;
  if (!openFileForReading(finder.file, path, size)) {
    return false;
  }
  if (offset > 0 && !seekFile(finder.file, offset)) {
    closeLineFinder(finder);
    return false;
  }
  finder.left = bytes;
  if (bytes >= 0) {
    size = bytes;
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
  return true;
}

}  // namespace

bool openLineFinder(LineFinder& finder, const char* path) {
  return openLineFinderPiece(finder, path, 0, -1);
}

bool openLineFinderPiece(LineFinder& finder, const char* path, long long offset, long long bytes) {
  if (!openFinder(finder, path, offset, bytes)) {
    return false;
  }
  if (offset == 0 && finder.end - finder.data >= 3 &&
      std::memcmp(finder.data, "\xEF\xBB\xBF", 3) == 0) {
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

#include "model/line_finder.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define PALVETTA_SSE2 1
#endif

namespace {

// Room before the data for the byte that precedes it, and after it so that 16-byte loads near the
// end stay inside the buffer.
constexpr std::size_t kFrontBytes = 16;
constexpr std::size_t kBackBytes = 32;

#ifdef _WIN32
int openRegularFile(const char* path) {
  const int fd = _open(path, _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    return -1;
  }
  struct _stat64 status;
  if (_fstat64(fd, &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) {
    _close(fd);
    return -1;
  }
  return fd;
}

long readSome(int fd, char* to, std::size_t bytes) {
  return _read(fd, to, static_cast<unsigned>(std::min<std::size_t>(bytes, INT_MAX)));
}

void closeFile(int fd) { _close(fd); }
#else
int openRegularFile(const char* path) {
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
  return fd;
}

long readSome(int fd, char* to, std::size_t bytes) {
  ssize_t got;
  do {
    got = read(fd, to, bytes);
  } while (got < 0 && errno == EINTR);
  return static_cast<long>(got);
}

void closeFile(int fd) { close(fd); }
#endif

// Reads until the block is full or the file ends; a read error counts as the end of the file.
void fill(LineFinder& finder) {
  char* const blockEnd = finder.data + kBlockBytes;
  while (!finder.atEnd && finder.end < blockEnd) {
    const long got = readSome(finder.file.fd, finder.end, static_cast<std::size_t>(blockEnd - finder.end));
    if (got <= 0) {
      finder.atEnd = true;
    } else {
      finder.end += got;
    }
  }
  std::memset(finder.end, 0, kBackBytes);
}

// Moves the bytes from `keep` on (and the one before it) to the front and reads more after them.
void refill(LineFinder& finder, const char* keep) {
  const std::size_t kept = static_cast<std::size_t>(finder.end - keep);
  std::memmove(finder.data - 1, keep - 1, kept + 1);
  finder.next = finder.data;
  finder.end = finder.data + kept;
  fill(finder);
}

#ifdef PALVETTA_SSE2
// Sixteen places at a time: a place is a wanted line start when the byte before it is '\n' and its
// first (and for 'v' lines second) character passes the filter.
template <bool kVertexLines>
const char* findWantedSse2(const char* from, const char* limit, const LineFilter& filter) {
  const __m128i newline = _mm_set1_epi8('\n');
  const __m128i first0 = _mm_set1_epi8(filter.firstChars[0]);
  const __m128i first1 = _mm_set1_epi8(filter.firstChars[1]);
  const __m128i first2 = _mm_set1_epi8(filter.firstChars[2]);
  const __m128i vee = _mm_set1_epi8('v');
  const __m128i en = _mm_set1_epi8('n');
  const __m128i tee = _mm_set1_epi8('t');
  const __m128i none = _mm_setzero_si128();
  const __m128i all = _mm_cmpeq_epi8(none, none);
  const __m128i wantNormals = filter.normals ? all : none;
  const __m128i wantTexcoords = filter.texcoords ? all : none;
  const __m128i wantPositions = filter.positions ? all : none;
  for (const char* p = from; p < limit; p += 16) {
    const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 1));
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(here, first0), _mm_cmpeq_epi8(here, first1)),
                               _mm_cmpeq_epi8(here, first2));
    if constexpr (kVertexLines) {
      const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
      const __m128i isN = _mm_cmpeq_epi8(after, en);
      const __m128i isT = _mm_cmpeq_epi8(after, tee);
      const __m128i want =
          _mm_or_si128(_mm_or_si128(_mm_and_si128(isN, wantNormals), _mm_and_si128(isT, wantTexcoords)),
                       _mm_andnot_si128(_mm_or_si128(isN, isT), wantPositions));
      hit = _mm_or_si128(hit, _mm_and_si128(_mm_cmpeq_epi8(here, vee), want));
    }
    const auto mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(before, newline), hit)));
    if (mask != 0) {
      return std::min(p + std::countr_zero(mask), limit);
    }
  }
  return limit;
}
#endif

// The first wanted line start in [from, limit), or limit. Reads from from[-1] up to 16 bytes past
// limit.
const char* findWanted(const char* from, const char* limit, const LineFilter& filter) {
#ifdef PALVETTA_SSE2
  if (filter.positions || filter.normals || filter.texcoords) {
    return findWantedSse2<true>(from, limit, filter);
  }
  return findWantedSse2<false>(from, limit, filter);
#else
  const auto wantedAt = [&filter](const char* at) {
    const char c = at[0];
    if (c == filter.firstChars[0] || c == filter.firstChars[1] || c == filter.firstChars[2]) {
      return true;
    }
    if (c != 'v') {
      return false;
    }
    return at[1] == 'n' ? filter.normals : at[1] == 't' ? filter.texcoords : filter.positions;
  };
  for (const char* p = from; p < limit;) {
    if (p[-1] == '\n' && wantedAt(p)) {
      return p;
    }
    const void* newline = std::memchr(p, '\n', static_cast<std::size_t>(limit - p));
    if (newline == nullptr) {
      return limit;
    }
    p = static_cast<const char*>(newline) + 1;
  }
  return limit;
#endif
}

}  // namespace

FileDescriptor::~FileDescriptor() {
  if (fd >= 0) {
    closeFile(fd);
  }
}

bool openLineFinder(LineFinder& finder, const char* path) {
  closeLineFinder(finder);
  const int fd = openRegularFile(path);
  if (fd < 0) {
    return false;
  }
  finder.file.fd = fd;
  if (!finder.storage) {
    finder.storage = std::make_unique<char[]>(kFrontBytes + kBlockBytes + kBackBytes);
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

bool nextWantedLine(LineFinder& finder, const LineFilter& filter, ScanText& line) {
  if (finder.data == nullptr) {
    return false;
  }
  for (;;) {
    // Until the file has ended, the last byte read cannot be judged: its second character is unknown.
    const char* limit = finder.atEnd ? finder.end : finder.end - 1;
    const char* start = findWanted(finder.next, limit, filter);
    if (start == limit && finder.atEnd) {
      finder.next = finder.end;
      return false;
    }
    const auto available = static_cast<std::size_t>(finder.end - start);
    if (start == limit || (available < kMaxLineChars && !finder.atEnd)) {
      refill(finder, start);
      continue;
    }
    line.next = start;
    line.end = start + std::min(available, kMaxLineChars);
    finder.next = start + 1;
    return true;
  }
}

// Reads a text file in large blocks and hands the lines a reader wants, found by their first one or
// two characters, to a handler, without looking at the lines in between one by one.
//
// Only regular files open: a directory, FIFO, socket or device counts as a file that cannot be
// opened, so nothing ever waits for a writer or reads an endless device. A UTF-8 byte order mark at
// the very start of the file is skipped. Lines end at '\n' only. A wanted line is handed out as its
// first kMaxLineChars characters at most; the rest of a longer line is never read as a line of its
// own. Memory is one buffer of at most kBlockBytes whatever the file holds (less for a small file),
// unless a reader that wants lines whole keeps one longer than that (refillLineFinder); it is kept
// when the same LineFinder opens the next file. A read error ends the file.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <memory>

#include "model/scanf_conversions.h"

// The scan's per-line path must inline into its loop to keep up with the bytes.
#if defined(__GNUC__) || defined(__clang__)
#define PALVETTA_ALWAYS_INLINE [[gnu::always_inline]] inline
#define PALVETTA_NOINLINE [[gnu::noinline]]
#elif defined(_MSC_VER)
#define PALVETTA_ALWAYS_INLINE __forceinline
#define PALVETTA_NOINLINE __declspec(noinline)
#else
#define PALVETTA_ALWAYS_INLINE inline
#define PALVETTA_NOINLINE
#endif

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#include <immintrin.h>
#define PALVETTA_AVX2 1
#endif

inline constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
inline constexpr std::size_t kMinBlockBytes = 4096;
inline constexpr std::size_t kMaxLineChars = 1023;

// Which lines are wanted: those starting with one of `firstChars`, and 'v' lines by their second
// character: "vn" when `normals`, "vt" when `texcoords`, any other 'v' line when `positions`.
struct LineFilter {
  char firstChars[3];
  bool positions;
  bool normals;
  bool texcoords;
};

// What a handler tells the reading after a line.
enum class LineVerdict {
  kGoOn,
  kFilterChanged,  // the filter now wants fewer lines
  kStop,
};

struct FileDescriptor {
  int fd = -1;
  FileDescriptor() = default;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor();
};

// Opens `path` for reading when it is a regular file, as openLineFinder does, and gives its size.
// False, with nothing open, otherwise. readFileBytes reads up to `bytes` bytes: 0 at the end of
// the file, negative on a read error.
bool openFileForReading(FileDescriptor& file, const char* path, long long& size);
long readFileBytes(const FileDescriptor& file, char* to, std::size_t bytes);
// Moves the next read to `offset` bytes from the start; false when the file cannot seek there.
bool seekFile(const FileDescriptor& file, long long offset);

struct LineFinder {
  FileDescriptor file;
  std::unique_ptr<char[]> storage;
  std::size_t blockBytes = 0;  // of storage, not counting the room around the data
  char* data = nullptr;        // data[-1] is the byte before the next one, '\n' at a line start
  const char* next = nullptr;  // the first place not yet considered as the start of a line
  char* end = nullptr;         // the end of the bytes read so far
  bool atEnd = true;           // nothing more to read
  long long left = -1;         // bytes the reading may still take from the file; -1: all
};

// Opens `path` when it is a regular file and reads its first block. False, with nothing open, when
// the path is not a regular file or cannot be opened for reading. On Windows the path is taken as
// UTF-8, and text that is not UTF-8 names no file.
bool openLineFinder(LineFinder& finder, const char* path);

// Like openLineFinder, for the `bytes` bytes from `offset` on (the rest of the file when `bytes` is
// negative), as if they were the whole file; a byte order mark is skipped only at the file's start.
bool openLineFinderPiece(LineFinder& finder, const char* path, long long offset, long long bytes);

// Closes the file; the buffer stays for the next file.
void closeLineFinder(LineFinder& finder);

// The 32-byte scan runs where the processor has AVX2, unless switched off here; the plain scan
// finds the same lines. For tests of either scan: returns whether the 32-byte scan now runs.
bool allowVectorScan(bool allowed);

// Calls handle(line) with every wanted line in file order, as the text the conversions see, until
// the file ends or the handler says kStop. After kFilterChanged, `filter` is read again.
template <typename Handle>
void readWantedLines(LineFinder& finder, const LineFilter& filter, Handle&& handle);

// ---------------------------------------------------------------------------------------------
// Implementation.

// Keeps the bytes from `keep` on (and the one before it) at the start of the block and reads more
// after them; when they fill the block, the block doubles, so a line of any length can be kept
// whole. The kept bytes move: pointers into them are taken again from `data`.
void refillLineFinder(LineFinder& finder, const char* keep);

bool useAvx2();

inline bool lineWanted(const char* at, const LineFilter& filter) {
  const char c = at[0];
  if (c == filter.firstChars[0] || c == filter.firstChars[1] || c == filter.firstChars[2]) {
    return true;
  }
  if (c != 'v') {
    return false;
  }
  return at[1] == 'n' ? filter.normals : at[1] == 't' ? filter.texcoords : filter.positions;
}

// A candidate is a line start that is not a 'v' line, or a 'v' line the filter wants. Every wanted
// line is a candidate; candidates that are not wanted after all are rare in OBJ files. A scan
// returns kGoOn when it has reached its limit.
template <typename Handle>
PALVETTA_ALWAYS_INLINE LineVerdict handleCandidate(LineFinder& finder, const char* start,
                                                   const LineFilter& filter, Handle& handle) {
  if (!lineWanted(start, filter)) {
    return LineVerdict::kGoOn;
  }
  const auto available = static_cast<std::size_t>(finder.end - start);
  const LineVerdict verdict = handle(ScanText{start, start + std::min(available, kMaxLineChars)});
  if (verdict != LineVerdict::kGoOn) {
    finder.next = start + 1;
  }
  return verdict;
}

// Line by line with memchr.
template <typename Handle>
LineVerdict scanPlain(LineFinder& finder, const char* limit, const LineFilter& filter,
                      Handle& handle) {
  for (const char* p = finder.next; p < limit;) {
    if (p[-1] == '\n') {
      const LineVerdict verdict = handleCandidate(finder, p, filter, handle);
      if (verdict != LineVerdict::kGoOn) {
        return verdict;
      }
    }
    const void* newline = std::memchr(p, '\n', static_cast<std::size_t>(limit - p));
    if (newline == nullptr) {
      break;
    }
    p = static_cast<const char*>(newline) + 1;
  }
  finder.next = limit;
  return LineVerdict::kGoOn;
}

#ifdef PALVETTA_AVX2
// Thirty-two places at a time, with the filter's choice of 'v' lines fixed at compile time: in the
// long runs of 'v' lines of a large file, a place costs a fraction of a cycle.
template <bool kPositions, bool kNormals, bool kTexcoords, typename Handle>
__attribute__((target("avx2"))) LineVerdict scanAvx2(LineFinder& finder, const char* limit,
                                                     const LineFilter& filter, Handle& handle) {
  const __m256i newline = _mm256_set1_epi8('\n');
  const __m256i vee = _mm256_set1_epi8('v');
  const __m256i en = _mm256_set1_epi8('n');
  const __m256i tee = _mm256_set1_epi8('t');
  for (const char* p = finder.next; p < limit; p += 32) {
    const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p - 1));
    const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i lineStart = _mm256_cmpeq_epi8(before, newline);
    const __m256i vLine = _mm256_cmpeq_epi8(here, vee);
    __m256i unwanted = vLine;  // 'v' lines the filter does not want
    if constexpr (kPositions || kNormals || kTexcoords) {
      const __m256i after = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
      const __m256i isN = _mm256_cmpeq_epi8(after, en);
      const __m256i isT = _mm256_cmpeq_epi8(after, tee);
      __m256i chosen = _mm256_setzero_si256();  // second characters that go against kPositions
      if constexpr (kNormals != kPositions) {
        chosen = _mm256_or_si256(chosen, isN);
      }
      if constexpr (kTexcoords != kPositions) {
        chosen = _mm256_or_si256(chosen, isT);
      }
      unwanted = kPositions ? _mm256_and_si256(vLine, chosen) : _mm256_andnot_si256(chosen, vLine);
    }
    const __m256i candidates = _mm256_andnot_si256(unwanted, lineStart);
    if (_mm256_testz_si256(candidates, candidates)) {
      continue;
    }
    for (auto mask = static_cast<unsigned>(_mm256_movemask_epi8(candidates)); mask != 0;
         mask &= mask - 1) {
      const char* start = p + std::countr_zero(mask);
      if (start >= limit) {
        break;
      }
      const LineVerdict verdict = handleCandidate(finder, start, filter, handle);
      if (verdict != LineVerdict::kGoOn) {
        return verdict;
      }
    }
  }
  finder.next = limit;
  return LineVerdict::kGoOn;
}

template <typename Handle>
LineVerdict scanWithAvx2(LineFinder& finder, const char* limit, const LineFilter& filter,
                         Handle& handle) {
  switch ((filter.positions ? 4 : 0) + (filter.normals ? 2 : 0) + (filter.texcoords ? 1 : 0)) {
    case 0:
      return scanAvx2<false, false, false>(finder, limit, filter, handle);
    case 1:
      return scanAvx2<false, false, true>(finder, limit, filter, handle);
    case 2:
      return scanAvx2<false, true, false>(finder, limit, filter, handle);
    case 3:
      return scanAvx2<false, true, true>(finder, limit, filter, handle);
    case 4:
      return scanAvx2<true, false, false>(finder, limit, filter, handle);
    case 5:
      return scanAvx2<true, false, true>(finder, limit, filter, handle);
    case 6:
      return scanAvx2<true, true, false>(finder, limit, filter, handle);
    default:
      return scanAvx2<true, true, true>(finder, limit, filter, handle);
  }
}
#endif

template <typename Handle>
void readWantedLines(LineFinder& finder, const LineFilter& filter, Handle&& handle) {
  if (finder.data == nullptr) {
    return;
  }
  for (;;) {
    // Below the limit every line has its first kMaxLineChars characters read, or all of them, and
    // the character after its first is known.
    const auto unread = static_cast<std::size_t>(finder.end - finder.next);
    const char* limit = finder.atEnd             ? finder.end
                        : unread > kMaxLineChars ? finder.end - kMaxLineChars
                                                 : finder.next;
    LineVerdict verdict = LineVerdict::kGoOn;
    if (finder.next < limit) {
#ifdef PALVETTA_AVX2
      verdict = useAvx2() ? scanWithAvx2(finder, limit, filter, handle)
                          : scanPlain(finder, limit, filter, handle);
#else
      verdict = scanPlain(finder, limit, filter, handle);
#endif
    }
    if (verdict == LineVerdict::kStop || (verdict == LineVerdict::kGoOn && finder.atEnd)) {
      return;
    }
    if (verdict == LineVerdict::kGoOn) {
      refillLineFinder(finder, finder.next);
    }
  }
}

// Reads a text file in large blocks and hands out the lines a reader wants, found by their first one
// or two characters, without looking at the lines in between one by one.
//
// Only regular files open: a directory, FIFO, socket or device counts as a file that cannot be
// opened, so nothing ever waits for a writer or reads an endless device. A UTF-8 byte order mark at
// the very start of the file is skipped. Lines end at '\n' only. A wanted line is handed out as its
// first kMaxLineChars characters at most; the rest of a longer line is never read as a line of its
// own. Memory is one buffer of kBlockBytes whatever the file holds; it is kept when the same
// LineFinder opens the next file.
#pragma once

#include <cstddef>
#include <memory>

#include "model/c_scan.h"

inline constexpr std::size_t kBlockBytes = std::size_t{256} * 1024;
inline constexpr std::size_t kMaxLineChars = 1023;

// Which lines are wanted: those starting with one of `firstChars`, and 'v' lines by their second
// character: "vn" when `normals`, "vt" when `texcoords`, any other 'v' line when `positions`.
struct LineFilter {
  char firstChars[3];
  bool positions;
  bool normals;
  bool texcoords;
};

struct FileDescriptor {
  int fd = -1;
  FileDescriptor() = default;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor();
};

struct LineFinder {
  FileDescriptor file;
  std::unique_ptr<char[]> storage;
  char* data = nullptr;  // data[-1] is the byte before the next one, '\n' at a line start
  const char* next = nullptr;  // the first place not yet considered as the start of a line
  char* end = nullptr;   // the end of the bytes read so far
  bool atEnd = true;     // nothing more to read
};

// Opens `path` when it is a regular file and reads its first block. False, with nothing open, when
// the path is not a regular file or cannot be opened for reading.
bool openLineFinder(LineFinder& finder, const char* path);

// Closes the file; the buffer stays for the next file.
void closeLineFinder(LineFinder& finder);

// The next wanted line after the previous one, as the text the conversions see; false at the end of
// the file.
bool nextWantedLine(LineFinder& finder, const LineFilter& filter, ScanText& line);

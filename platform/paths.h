// Paths as the program keeps them, UTF-8 text on every platform, and what the file system says of
// them. Plain file-system calls, no toolkit and no OpenGL, so that the readers can use them too.
//
// nativePath turns UTF-8 text into the path the file functions take: the same bytes on Linux,
// UTF-16 on Windows, whose wide-character functions take names in every script where the narrow
// ones would go through the system's code page. The conversion is strict: text that is not valid
// UTF-8 gives the empty path, which names no file, rather than a name with a replacement character
// in it, which would name another file or none. On Linux every byte string is a name. utf8Path is
// the way back; a name UTF-8 cannot spell comes back empty.
//
// isRegularFile tells whether a path names a regular file, without reading it or needing the right
// to: a folder, a FIFO, a socket, a device (on Windows also one such as NUL or CON, found under any
// folder) or nothing at all is not one. openRegularFile opens a regular file for reading and gives
// its descriptor and size in bytes; -1 for anything else, with nothing left open. Both make their
// test on the opened file, so nothing can change in between, and neither waits: a FIFO without a
// writer is turned away at once.
//
// lastComponentStart is where the last component of a path starts: after its last separator ('/'
// on Linux; '\' and '/' on Windows, where a drive prefix such as "C:" also ends a folder), 0 for a
// plain name. enterFolder makes a folder the current directory; false when it cannot be entered.
//
// besideFile is the path of `name` taken from the folder of `file`, so that a file named in another
// is found beside it whatever the current directory: `name` as it is when it is absolute (or, on
// Windows, starts at a root or a drive) or when `file` has no folder.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

std::filesystem::path nativePath(std::string_view utf8);
std::string utf8Path(const std::filesystem::path& path);

bool isRegularFile(std::string_view path);
int openRegularFile(const char* path, long long& bytes);

std::size_t lastComponentStart(std::string_view path);
bool enterFolder(std::string_view folder);
std::string besideFile(std::string_view file, std::string_view name);

// Finding the file that a name written in a model's files stands for. OBJ files name material
// libraries and MTL files name images, and files made on Windows and copied elsewhere spell those
// names for Windows: backslashes, doubled separators, letters in another case than on the disk,
// and absolute paths of the machine an exporter ran on.
//
// findNamedFile tries these paths in order and gives the first that names a regular file (tested
// with isRegularFile of platform/paths.h, so a folder, a FIFO or a device is never taken):
//  1. The name taken from the folder of `namingFile`, as besideFile does, with '/' and '\' both
//     separating folders and separators in a row counting as one; "." and ".." stay as written.
//     On Linux a name starting with '/' is absolute; one starting with '\' is taken from the
//     folder of `namingFile` too: on Windows it means the root of the current drive, which Linux
//     does not have. On Windows a name at a root or a drive stays as it is, and one starting with
//     two separators keeps them, as a network path.
//  2. Not on Windows, whose file system already ignores case: the same path with each component
//     after the folder where it starts (that of `namingFile`, or the root) matched without regard
//     to the case of ASCII letters. A component spelled exactly is preferred; of several spelled
//     in other cases the smallest name in byte order is taken. Each folder is decided once, with
//     no going back: when the folder chosen lacks the rest of the path, the name is not found here.
//  3. The last component alone beside `namingFile` (exporters write absolute paths such as
//     "E:\work\table.png"), matched as in 2.
//  4. The last component alone beside `objFile`, the OBJ file being read, matched as in 2.
// When the path of 1 is a regular file it costs one test of the file; folders are listed only for
// names that miss.
//
// The result is UTF-8, with '/' between the name's components, or empty when no path names a
// regular file. Bad names give empty or a path, never a throw: an empty name or one of separators
// alone, a name too long for the system, or text that is not valid UTF-8 (which names no file on
// Windows). Errors listing a folder count as no match.
#pragma once

#include <string>
#include <string_view>

std::string findNamedFile(std::string_view namingFile, std::string_view name,
                          std::string_view objFile);

// What a chosen file's path turns into: the default extension and the move into the file's folder.
// Plain file-system calls, no toolkit, so they can be checked without a display; one form per
// platform with the same behaviour. Paths are UTF-8 on every platform. On Windows both '\' and '/'
// separate components, and a drive prefix ("C:") ends a folder like a separator does.
//
// acceptChosenFile takes the path the chooser returned. An existing regular file is taken as it
// is; otherwise a path whose last component has no extension (no dot after its first character)
// is tried again with ".obj" appended. Returns the path of a regular file, or nothing (missing,
// a folder, a device, an empty path).
//
// enterFolderOf makes the folder of `path` the current directory and returns the last component,
// which then opens the same file however long the full path is. Returns nothing, and leaves the
// current directory alone, when the folder cannot be entered.
#pragma once

#include <optional>
#include <string>

inline constexpr char kDefaultExtension[] = "obj";

bool hasExtension(const std::string& path);
std::optional<std::string> acceptChosenFile(const std::string& path);
std::optional<std::string> enterFolderOf(const std::string& path);

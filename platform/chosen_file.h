// What a chosen file's path turns into: the default extension and the move into the file's folder.
// The same rules on every platform, over the path primitives of platform/paths.h, with no toolkit,
// so they can be checked without a display. Paths are UTF-8 on every platform. On Windows both '\'
// and '/' separate components, and a drive prefix ("C:") ends a folder like a separator does.
//
// acceptChosenFile takes the path the chooser returned. An existing regular file is taken as it
// is; otherwise a path whose last component has no extension (no dot after its first character)
// is tried again with ".obj" appended. Returns the path of a regular file, or nothing (missing,
// a folder, a device, an empty path).
//
// enterFolderOf makes the folder of `path` the current directory and returns the last component,
// which then opens the same file however long the full path is. Returns nothing, and leaves the
// current directory alone, when the folder cannot be entered.
//
// chosenFileToOpen is what both open-file dialogs do with the path the user chose: the accepted
// file, opened from its own folder by its last component, or by its full path when the folder
// cannot be entered. Nothing, with the current directory unchanged, when no file is accepted.
#pragma once

#include <optional>
#include <string>

inline constexpr char kDefaultExtension[] = "obj";

bool hasExtension(const std::string& path);
std::optional<std::string> acceptChosenFile(const std::string& path);
std::optional<std::string> enterFolderOf(const std::string& path);
std::optional<std::string> chosenFileToOpen(const std::string& chosen);

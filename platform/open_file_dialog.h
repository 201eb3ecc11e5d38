// chooseObjFile: the open-file dialog that picks the OBJ file to load.
//
// Shows a modal dialog titled "Obj File" with no owner window, offering the filters
// "Obj File (*.obj)" (selected at first) and "すべて(*.*)", no proposed name and the platform's
// default folder, and blocks until the user decides. Only an existing regular file can be chosen;
// a name typed without an extension gets ".obj" appended.
//
// On a choice, the process's current directory becomes the chosen file's folder, so that relative
// material library names in the file are found next to it, and the result is a UTF-8 path to open
// from there: the file's name within that folder, so that files with long full paths still load,
// or the full path when the folder cannot be entered. A cancel, a closed dialog, or no way to show
// one (no display) yields nothing and changes nothing, the current directory included.
//
// releaseObjFileChooser lets go of what is left of the dialog that chose the last file; call it
// once that file is on screen, since the user is then no longer waiting. Cheap when there is
// nothing to let go, and chooseObjFile lets go of it too.
//
// objFilterShows tells whether the "Obj File (*.obj)" filter the dialog offers lists a file of this
// name (without its folder): one ending in ".obj" in any mix of cases, as exporters write both.
// allFilesFilterShows tells the same for "すべて(*.*)", which lists every file, with an extension
// of any kind or none.
//
// One implementation per platform: GTK 3 on Linux, the common dialog library's wide-character
// dialog on Windows (whose typed paths stop at 259 characters).
#pragma once

#include <optional>
#include <string>

std::optional<std::string> chooseObjFile();
void releaseObjFileChooser();
bool objFilterShows(const std::string& name);
bool allFilesFilterShows(const std::string& name);

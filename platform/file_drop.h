// Files dropped on the viewer's window from a file manager.
//
// acceptFileDrops works on the window of the current OpenGL context: call it once, right after the
// toolkit has created the window and before the event loop; later calls do nothing, and so does a
// call without a current window. From then on each drop that carries files calls `onDrop` with the
// first file's path in UTF-8, on the toolkit's thread between two of its events; the drop's other
// files are ignored. Whether the path names a regular file is for `onDrop` to check.
//
// A drop that carries no local file is refused and `onDrop` is not called: text alone, a web
// address, a file on another machine. A drag source that goes away in the middle of a drag ends
// that drag only.
//
// One implementation per platform: the XDND protocol (version 5) on X11, WM_DROPFILES on Windows.
// On X11 drops are answered from the toolkit's loop, so while a modal dialog runs a loop of its own
// they go unanswered and the source gives up. On Windows a modal dialog's loop delivers them, so
// `onDrop` may then be called from inside the dialog's call.
#pragma once

#include <string>

using FileDropHandler = void (*)(const std::string& path);

void acceptFileDrops(FileDropHandler onDrop);

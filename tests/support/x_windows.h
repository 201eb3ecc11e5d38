// Finding windows on the test's X display, whoever made them, and pressing keys at them.
//
// Windows are searched through the whole window tree of the display named by DISPLAY; a window
// that vanishes in the middle of a search is passed over, never an X error that ends the test.
#pragma once

#include <sys/types.h>

#include <string>

// A viewable window whose name is exactly `name` (the legacy or the UTF-8 name), owned by the
// process `owner` unless that is -1; 0 when there is none now.
unsigned long findWindow(const std::string& name, pid_t owner = -1);

// findWindow, polled until a window appears; 0 when none appears within `timeoutMs`.
unsigned long waitForWindow(const std::string& name, int timeoutMs, pid_t owner = -1);
bool windowNamed(unsigned long window, const std::string& name);
// The process that created the window, as the X server knows it (not every toolkit sets
// _NET_WM_PID); -1 when the server cannot tell.
long windowPid(unsigned long window);

// Presses `key` until no window named `name` of the process `owner` is left, within
// kDialogTimeoutMs; without a key, only waits for that.
bool pressUntilGone(const std::string& key, const std::string& name, pid_t owner);

// Redirects `window` off-screen, as a compositing window manager keeps windows: a window closing
// over it exposes nothing, so only its owner's redraws change what it shows, and a capture shows
// its picture even under another window. Then puts the pointer in its middle: with no window
// manager, keys go to the window under the pointer.
void keepOffscreenAndPointAt(unsigned long window);

// Starting the real viewer under the test's X display and driving it as a person would.
//
// Everything here talks to the display named by DISPLAY through a connection of its own. The
// viewer is started as a child process and stopped by its PID; ViewerFixture stops it in TearDown,
// so a failed assertion never leaves a viewer behind, and the child also gets SIGTERM should the
// test process die first. Window contents are read with XGetImage into a Frame, bottom row first
// like glReadPixels. A window that vanishes mid-capture gives an empty Frame, never an X error
// that ends the test process. Every wait here is for a condition, polled, with a generous limit.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/gl_test_window.h"

struct ViewerProcess {
  pid_t pid = -1;
  unsigned long window = 0;  // the viewer's X window, 0 when it never appeared
};

// Upper bounds for the waits below; generous because the sanitizer build starts slowly.
constexpr int kViewerStartTimeoutMs = 20000;
constexpr int kViewerStopTimeoutMs = 3000;
constexpr int kDialogTimeoutMs = 20000;
constexpr int kFrameTimeoutMs = 20000;

// Starts `binary` with NO_AT_BRIDGE=1, DBUS_SESSION_BUS_ADDRESS=disabled: and
// GSETTINGS_BACKEND=memory added to the environment, in `workingDir` unless it is empty.
// `arguments` follow the program's name; the viewer's standard error goes to the file `errorFile`
// unless that is empty. A `binary` without a slash, such as "wine" for a viewer run through it, is
// looked up in PATH. Returns the child's PID, or -1.
pid_t spawnViewer(const std::string& binary, const std::string& workingDir = "",
                  const std::vector<std::string>& arguments = {},
                  const std::string& errorFile = "");

// spawnViewer, then waits until the process has mapped its window named "Palvetta" and drawn a
// first frame into it. The window is then redirected off-screen, as a compositing window manager
// keeps windows: a window closing over it exposes nothing, so only the viewer's own redraws change
// what it shows, and a capture shows the viewer's picture even under another window. Last, the
// pointer goes to the middle of the window: with no window manager, keys go to the window under
// the pointer. On failure the returned window is 0 (the PID may still be set: stop it).
ViewerProcess startViewer(const std::string& binary, const std::string& workingDir = "",
                          const std::vector<std::string>& arguments = {},
                          const std::string& errorFile = "");

// SIGTERM, then SIGKILL if it has not ended after a while; reaps the child. Safe to call again.
void stopViewer(ViewerProcess& viewer);

// The window's contents as they are on screen now; an empty Frame if the window cannot be read.
Frame captureWindow(unsigned long window);

// Runs `shellCommand` through sh under `timeout 20`; true when it exits with 0.
bool runTool(const std::string& shellCommand);

struct CommandResult {
  int status = -1;     // the exit status; -1 when the command did not end by itself
  std::string output;  // what it wrote on standard output
};

// Runs `shellCommand` through sh, without a time limit of its own, and collects its output.
CommandResult runCommand(const std::string& shellCommand);

// Polls `condition` until it holds; false when it has not within `timeoutMs`.
bool waitFor(const std::function<bool()>& condition, int timeoutMs);

// A viewable window whose name is exactly `name` (the legacy or the UTF-8 name), searched through
// the whole window tree, and owned by the process `owner` unless that is -1; 0 when none appears
// within `timeoutMs`.
unsigned long waitForWindow(const std::string& name, int timeoutMs, pid_t owner = -1);
bool windowNamed(unsigned long window, const std::string& name);
// The process that created the window, as the X server knows it (not every toolkit sets
// _NET_WM_PID); -1 when the server cannot tell.
long windowPid(unsigned long window);

// Presses `key` until no window named `name` of the process `owner` is left, within
// kDialogTimeoutMs; without a key, only waits for that.
bool pressUntilGone(const std::string& key, const std::string& name, pid_t owner);

// Polls captures of `window` until one meets `condition`, leaving it in `last`; false on timeout.
bool waitForCapture(unsigned long window, const std::function<bool(const Frame&)>& condition,
                    int timeoutMs, Frame& last);

// Waits for `window` to show the committed baseline `name` (see png_frame.h); on timeout fails as
// matchesBaseline does, with the last capture.
::testing::AssertionResult showsBaseline(unsigned long window, const std::string& name);

// "Nothing changed" shown by a redraw the test itself causes: a zoom drag of 10 pixels away from
// the model (2 units) must change the viewer's frame, and one back must bring the baseline `name`.
::testing::AssertionResult redrawShowsBaseline(const ViewerProcess& viewer,
                                               const std::string& name);

// A test fixture that owns one viewer and stops it whatever the test's outcome.
class ViewerFixture : public ::testing::Test {
 protected:
  void TearDown() override { stopViewer(viewer); }
  ViewerProcess viewer;
};

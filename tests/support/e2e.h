// Starting the real viewer under the test's X display and driving it as a person would.
//
// Everything here talks to the display named by DISPLAY through a connection of its own. The
// viewer is started as a child process and stopped by its PID; ViewerFixture stops it in TearDown,
// so a failed assertion never leaves a viewer behind, and the child also gets SIGTERM should the
// test process die first. Window contents are read with XGetImage into a Frame, bottom row first
// like glReadPixels. A window that vanishes mid-capture gives an empty Frame, never an X error
// that ends the test process.
#pragma once

#include <sys/types.h>

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

// Starts `binary` with NO_AT_BRIDGE=1, DBUS_SESSION_BUS_ADDRESS=disabled: and
// GSETTINGS_BACKEND=memory added to the environment, in `workingDir` unless it is empty. Waits
// until the process has mapped its window named "Palvetta" and drawn a first frame into it, then
// moves the pointer to the middle of the window: with no window manager, keys go to the window
// under the pointer. `arguments` follow the program's name; the viewer's standard error goes to
// the file `errorFile` unless that is empty. A `binary` without a slash, such as "wine" for a
// viewer run through it, is looked up in PATH. On failure the returned window is 0 (the PID may
// still be set: stop it).
ViewerProcess startViewer(const std::string& binary, const std::string& workingDir = "",
                          const std::vector<std::string>& arguments = {},
                          const std::string& errorFile = "");

// SIGTERM, then SIGKILL if it has not ended after a while; reaps the child. Safe to call again.
void stopViewer(ViewerProcess& viewer);

// The window's contents as they are on screen now; an empty Frame if the window cannot be read.
Frame captureWindow(unsigned long window);

// Runs `shellCommand` through sh under `timeout 20`; true when it exits with 0.
bool runTool(const std::string& shellCommand);

// A viewable window whose name is exactly `name` (the legacy or the UTF-8 name), searched through
// the whole window tree, and owned by the process `owner` unless that is -1; 0 when none appears
// within `timeoutMs`.
unsigned long waitForWindow(const std::string& name, int timeoutMs, pid_t owner = -1);

// Polls captures of `window` until one differs from `before`; false on timeout.
bool waitForFrameChange(unsigned long window, const Frame& before, int timeoutMs);

// Polls captures of `window` until one equals `expected` pixel for pixel; the last capture is
// left in `last` for a failure message. False on timeout.
bool waitForFrame(unsigned long window, const Frame& expected, int timeoutMs, Frame& last);

// Polls captures of `window` until one matches the committed baseline frame `name` within the
// baseline's tolerance (tests/support/png_frame.h); the last capture is left in `last`. False on
// timeout.
bool waitForBaselineFrame(unsigned long window, const std::string& name, int timeoutMs,
                          Frame& last);

bool sameFrame(const Frame& a, const Frame& b);

// Number of pixels that differ between two frames of one size.
int countDifferentPixels(const Frame& a, const Frame& b);

// A test fixture that owns one viewer and stops it whatever the test's outcome.
class ViewerFixture : public ::testing::Test {
 protected:
  void TearDown() override { stopViewer(viewer); }
  ViewerProcess viewer;
};

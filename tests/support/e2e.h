// Starting the real viewer under the test's X display and driving it as a person would.
//
// The viewer is started as a child process (see process.h) and stopped by its PID; ViewerFixture
// stops it in TearDown, so a failed assertion never leaves a viewer behind. Its window is found
// and read through the test's own X connection (x_windows.h, capture.h). Every wait here is for a
// condition, polled, with a generous limit (wait.h).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/capture.h"
#include "tests/support/process.h"
#include "tests/support/wait.h"
#include "tests/support/x_windows.h"

struct ViewerProcess {
  pid_t pid = -1;
  unsigned long window = 0;  // the viewer's X window, 0 when it never appeared
};

// Starts `binary` with NO_AT_BRIDGE=1, DBUS_SESSION_BUS_ADDRESS=disabled: and
// GSETTINGS_BACKEND=memory added to the environment, in `workingDir` unless it is empty.
// `arguments` follow the program's name; the viewer's standard error goes to the file `errorFile`
// unless that is empty. A `binary` without a slash, such as "wine" for a viewer run through it, is
// looked up in PATH. Returns the child's PID, or -1.
pid_t spawnViewer(const std::string& binary, const std::string& workingDir = "",
                  const std::vector<std::string>& arguments = {},
                  const std::string& errorFile = "");

// spawnViewer, then waits until the process has mapped its window named "Palvetta" and drawn a
// first frame into it. The window is then kept off-screen with the pointer in its middle (see
// keepOffscreenAndPointAt). On failure the returned window is 0 (the PID may still be set: stop
// it).
ViewerProcess startViewer(const std::string& binary, const std::string& workingDir = "",
                          const std::vector<std::string>& arguments = {},
                          const std::string& errorFile = "");

// SIGTERM, then SIGKILL if it has not ended after a while; reaps the child. Safe to call again.
void stopViewer(ViewerProcess& viewer);

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

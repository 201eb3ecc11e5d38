#include "tests/support/e2e.h"

#include <sys/wait.h>

#include "tests/support/png_frame.h"
#include "tests/support/x_connection.h"

namespace {

const char* const kViewerTitle = "Palvetta";

bool containsClearColour(const Frame& frame) {
  return countNotClear(frame) < frame.width * frame.height;
}

}  // namespace

pid_t spawnViewer(const std::string& binary, const std::string& workingDir,
                  const std::vector<std::string>& arguments, const std::string& errorFile) {
  ProcessSetup setup;
  setup.workingDir = workingDir;
  setup.errorFile = errorFile;
  setup.addedEnvironment = {"NO_AT_BRIDGE=1",
                            "DBUS_SESSION_BUS_ADDRESS=disabled:", "GSETTINGS_BACKEND=memory"};
  std::vector<std::string> command = {binary};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return startProcess(command, setup);
}

ViewerProcess startViewer(const std::string& binary, const std::string& workingDir,
                          const std::vector<std::string>& arguments, const std::string& errorFile) {
  ViewerProcess viewer;
  if (testDisplay() == nullptr ||
      (viewer.pid = spawnViewer(binary, workingDir, arguments, errorFile)) < 0) {
    return viewer;
  }
  waitFor(
      [&] {
        if (waitpid(viewer.pid, nullptr, WNOHANG) == viewer.pid) {
          viewer.pid = -1;  // ended before showing its window; nothing is left to stop
          return true;
        }
        const unsigned long window = findWindow(kViewerTitle, viewer.pid);
        viewer.window = window != 0 && containsClearColour(captureWindow(window)) ? window : 0;
        return viewer.window != 0;
      },
      kViewerStartTimeoutMs);
  if (viewer.window != 0) {
    keepOffscreenAndPointAt(viewer.window);
  }
  return viewer;
}

void stopViewer(ViewerProcess& viewer) {
  stopProcess(viewer.pid);
  viewer.pid = -1;
  viewer.window = 0;
}

::testing::AssertionResult redrawShowsBaseline(const ViewerProcess& viewer,
                                               const std::string& name) {
  const Frame before = captureWindow(viewer.window);
  const std::string at = " mousemove --window " + std::to_string(viewer.window) + " 320 ";
  Frame last;
  if (!runTool("xdotool" + at + "300 mousedown 1" + at + "310 mouseup 1") ||
      !waitForCapture(
          viewer.window, [&](const Frame& frame) { return countMismatches(frame, before) > 0; },
          kFrameTimeoutMs, last)) {
    return ::testing::AssertionFailure() << "a zoom drag did not redraw the viewer";
  }
  if (!runTool("xdotool" + at + "310 mousedown 1" + at + "300 mouseup 1")) {
    return ::testing::AssertionFailure() << "xdotool failed";
  }
  return showsBaseline(viewer.window, name);
}

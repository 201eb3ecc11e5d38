#include "tests/support/chooser.h"

// Before X11's headers, whose macros clash with GoogleTest's names.
#include "tests/support/e2e.h"
#include "tests/support/temp_files.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace {

// The selection colour of GTK's default theme, with some room for its shading.
bool isSelectionColour(const Pixel& p) {
  return p.b > 180 && p.r < 120 && p.g > 90 && p.g < 170;
}

}  // namespace

bool Clipboard::serve(const std::string& text) {
  stop();
  const std::string file = writeTestFile("clipboard.txt", text);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, file.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  // -quiet keeps xclip in the foreground, so that it can be stopped by its PID.
  char program[] = "xclip";
  char quiet[] = "-quiet";
  char selection[] = "-selection";
  char clipboard[] = "clipboard";
  char* argv[] = {program, quiet, selection, clipboard, nullptr};
  const int failed = posix_spawnp(&pid, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    pid = -1;
  }
  return failed == 0;
}

void Clipboard::stop() {
  if (pid > 0) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  pid = -1;
}

bool chooserStartsInWorkingFolder(const std::string& folder) {
  for (const char* name : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"}) {
    setenv(name, folder.c_str(), 1);
  }
  std::error_code error;
  std::filesystem::create_directories(folder + "/gtk-3.0", error);
  std::ofstream settings(folder + "/gtk-3.0/settings.ini", std::ios::trunc);
  settings << "[Settings]\ngtk-recent-files-enabled=false\n";
  return !error && settings.good();
}

bool pasteIntoLocation() {
  return runTool(
      "xdotool sleep 0.3 keydown ctrl sleep 0.1 keydown l sleep 0.1 keyup l keyup ctrl sleep 0.3 "
      "key ctrl+v sleep 0.3");
}

namespace {

// The root coordinates of a point given in fractions of the window's size.
bool pointIn(unsigned long window, double fractionX, double fractionY, int& rootX, int& rootY) {
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) {
    return false;
  }
  XWindowAttributes attributes;
  Window child = 0;
  const bool found = XGetWindowAttributes(d, window, &attributes) != 0 &&
                     XTranslateCoordinates(d, window, DefaultRootWindow(d),
                                           static_cast<int>(attributes.width * fractionX),
                                           static_cast<int>(attributes.height * fractionY), &rootX,
                                           &rootY, &child) != 0;
  XCloseDisplay(d);
  return found;
}

}  // namespace

bool focusFileList(unsigned long chooserWindow) {
  int x = 0;
  int y = 0;
  return pointIn(chooserWindow, 0.75, 0.6, x, y) &&
         runTool("xdotool mousemove --sync " + std::to_string(x) + " " + std::to_string(y) +
                 " click 1 sleep 0.2");
}

bool selectedRow(unsigned long chooserWindow, int& rootX, int& rootY) {
  const Frame frame = captureWindow(chooserWindow);
  // The list fills the right of the window, beside the sidebar of places.
  const int x = static_cast<int>(frame.width * 0.75);
  int top = -1;
  int bottom = -1;
  for (int row = 0; row < frame.height; ++row) {  // from the top of the window
    const bool selected = isSelectionColour(frame.at(x, frame.height - 1 - row));
    if (selected && top < 0) {
      top = row;
    }
    if (!selected && top >= 0) {
      bottom = row;
      break;
    }
  }
  if (top < 0 || bottom < 0) {
    return false;
  }
  return pointIn(chooserWindow, 0.75, (top + bottom) / 2.0 / frame.height, rootX, rootY);
}

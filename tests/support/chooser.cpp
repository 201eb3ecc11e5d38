#include "tests/support/chooser.h"

// Before X11's headers, whose macros clash with GoogleTest's names.
#include "tests/support/e2e.h"
#include "tests/support/temp_files.h"

#include <X11/Xlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

// The selection colour of GTK's default theme, with some room for its shading.
bool isSelectionColour(const Pixel& p) {
  return p.b > 180 && p.r < 120 && p.g > 90 && p.g < 170;
}

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

// The middle of the chooser's highlighted row, from a capture of its window, in root coordinates;
// false when no row is highlighted.
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

// Whether the Open button in the chooser's bottom right corner shows the dark label of an enabled
// button; GTK's default theme greys a disabled one's.
bool openButtonEnabled(unsigned long chooserWindow) {
  const Frame frame = captureWindow(chooserWindow);
  for (int y = 8; y < 40 && y < frame.height; ++y) {  // rows from the bottom
    for (int x = std::max(0, frame.width - 90); x < frame.width - 6; ++x) {
      const Pixel p = frame.at(x, y);
      if (p.r < 100 && p.g < 100 && p.b < 100) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

bool locationShowsCompletion(unsigned long chooserWindow) {
  const Frame frame = captureWindow(chooserWindow);
  // The field's middle rows, inside its focus ring, which has the selection's colour too; a
  // selected character is a run of several such pixels in a row.
  for (int row = 16; row < 30 && row < frame.height; ++row) {  // rows from the top
    int run = 0;
    for (int x = 175; x < frame.width - 20; ++x) {
      run = isSelectionColour(frame.at(x, frame.height - 1 - row)) ? run + 1 : 0;
      if (run >= 3) {
        return true;
      }
    }
  }
  return false;
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

bool pasteIntoLocation(unsigned long chooserWindow, const std::string& text) {
  const std::string file = writeTestFile("clipboard.txt", text);
  ProcessSetup setup;
  setup.inputFile = file;
  setup.errorFile = "/dev/null";
  // In the foreground, so that its PID is the owner's; it ends after the one request it serves.
  const pid_t xclip =
      startProcess({"xclip", "-quiet", "-loops", "1", "-selection", "clipboard"}, setup);
  if (xclip < 0) {
    return false;
  }
  Display* d = XOpenDisplay(nullptr);
  const bool served =
      d != nullptr &&
      waitFor(
          [&] {
            const Window owner = XGetSelectionOwner(d, XInternAtom(d, "CLIPBOARD", False));
            return owner != None && windowPid(owner) == xclip;
          },
          kDialogTimeoutMs) &&
      runTool("xdotool key ctrl+v") &&
      waitFor([&] { return waitpid(xclip, nullptr, WNOHANG) == xclip; }, kDialogTimeoutMs) &&
      waitFor([&] { return openButtonEnabled(chooserWindow); }, kDialogTimeoutMs);
  if (d != nullptr) {
    XCloseDisplay(d);
  }
  if (!served) {
    stopProcess(xclip);
  }
  return served;
}

bool selectFile(unsigned long chooserWindow, bool last, int& rootX, int& rootY) {
  int x = 0;
  int y = 0;
  if (!pointIn(chooserWindow, 0.75, 0.6, x, y)) {
    return false;
  }
  // Once a typed folder opens, GTK may leave the keyboard in the location field, where only a left
  // click takes it away; a left click would also count towards a double-click on the last file.
  const std::string focusList = "xdotool mousemove --sync " + std::to_string(x) + " " +
                                std::to_string(y) + (last ? " click 2" : " click 1") + " key ";
  // Clicks and keys that come before GTK has listed the folder select nothing, so each is given
  // again until the chooser shows its effect; another click and Home or End once more change
  // nothing, so how long each try is given does not decide the outcome. The rows lie one below the
  // other: End shows the last row lower than Home showed the first.
  constexpr int kPressAgainMs = 2000;
  int firstY = -1;
  for (const char* key : {"Home", "End"}) {
    const bool home = firstY < 0;
    const bool shown = waitFor(
        [&] {
          const bool pressed = runTool(focusList + key);
          return pressed && waitFor(
                                [&] {
                                  return selectedRow(chooserWindow, rootX, rootY) &&
                                         (home || rootY > firstY);
                                },
                                kPressAgainMs);
        },
        kDialogTimeoutMs);
    if (!shown || !last) {
      return shown;
    }
    firstY = rootY;
  }
  return true;
}

#include "tests/support/x_windows.h"

#include "tests/support/process.h"
#include "tests/support/wait.h"
#include "tests/support/x_connection.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/Xcomposite.h>

#include <memory>
#include <vector>

namespace {

// Reads a window property of 8-bit or 32-bit items; empty when it is missing or of another type.
std::vector<unsigned char> readProperty(Display* d, Window window, const char* name, Atom type,
                                        int& format, unsigned long& items) {
  Atom actualType = None;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  format = 0;
  items = 0;
  const Atom property = XInternAtom(d, name, False);
  if (XGetWindowProperty(d, window, property, 0, 1024, False, type, &actualType, &format, &items,
                         &after, &data) != Success) {
    return {};
  }
  std::unique_ptr<unsigned char, XFreeDeleter> owned(data);
  if (data == nullptr || actualType != type || items == 0) {
    items = 0;
    return {};
  }
  // Xlib hands 32-bit items over as longs.
  const std::size_t itemSize = format == 32 ? sizeof(long) : static_cast<std::size_t>(format / 8);
  return std::vector<unsigned char>(data, data + items * itemSize);
}

bool hasName(Display* d, Window window, const std::string& name) {
  int format = 0;
  unsigned long items = 0;
  const auto utf8 =
      readProperty(d, window, "_NET_WM_NAME", XInternAtom(d, "UTF8_STRING", False), format, items);
  if (format == 8 && std::string(utf8.begin(), utf8.end()) == name) {
    return true;
  }
  const auto legacy = readProperty(d, window, "WM_NAME", XA_STRING, format, items);
  return format == 8 && std::string(legacy.begin(), legacy.end()) == name;
}

bool isViewable(Display* d, Window window) {
  XWindowAttributes attributes;
  return XGetWindowAttributes(d, window, &attributes) != 0 && attributes.map_state == IsViewable;
}

void collectWindows(Display* d, Window parent, std::vector<Window>& windows) {
  Window root = 0;
  Window parentOfParent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(d, parent, &root, &parentOfParent, &children, &count) == 0) {
    return;
  }
  std::unique_ptr<Window, XFreeDeleter> owned(children);
  for (unsigned int i = 0; i < count; ++i) {
    windows.push_back(children[i]);
    collectWindows(d, children[i], windows);
  }
}

}  // namespace

unsigned long findWindow(const std::string& name, pid_t owner) {
  Display* d = testDisplay();
  if (d == nullptr) {
    return 0;
  }
  XErrorTrap trap(d);
  std::vector<Window> windows;
  collectWindows(d, DefaultRootWindow(d), windows);
  for (Window window : windows) {
    if (hasName(d, window, name) && (owner == -1 || windowPid(window) == owner) &&
        isViewable(d, window)) {
      return window;
    }
  }
  return 0;
}

unsigned long waitForWindow(const std::string& name, int timeoutMs, pid_t owner) {
  unsigned long window = 0;
  waitFor([&] { return (window = findWindow(name, owner)) != 0; }, timeoutMs);
  return window;
}

bool windowNamed(unsigned long window, const std::string& name) {
  XErrorTrap trap(testDisplay());
  return hasName(testDisplay(), window, name);
}

long windowPid(unsigned long window) {
  XResClientIdSpec clientId;
  clientId.client = window;
  clientId.mask = XRES_CLIENT_ID_PID_MASK;
  long count = 0;
  XResClientIdValue* values = nullptr;
  if (XResQueryClientIds(testDisplay(), 1, &clientId, &count, &values) != Success) {
    return -1;
  }
  long pid = -1;
  for (long i = 0; i < count; ++i) {
    const pid_t found = XResGetClientPid(&values[i]);
    pid = found > 0 ? found : pid;
  }
  XResClientIdsDestroy(count, values);
  return pid;
}

bool pressUntilGone(const std::string& key, const std::string& name, pid_t owner) {
  // A key pressed while the window is still being set up may fall through; pressed again, it
  // counts. Another press of the same key once the window is gone changes nothing, so how long
  // each press is given does not decide the outcome.
  constexpr int kPressAgainMs = 2000;
  bool pressed = true;
  return waitFor(
             [&] {
               pressed = key.empty() || runTool("xdotool key " + key);
               return !pressed ||
                      waitFor([&] { return findWindow(name, owner) == 0; }, kPressAgainMs);
             },
             kDialogTimeoutMs) &&
         pressed;
}

void keepOffscreenAndPointAt(unsigned long window) {
  Display* d = testDisplay();
  XErrorTrap trap(d);
  XCompositeRedirectWindow(d, window, CompositeRedirectAutomatic);
  XWindowAttributes attributes;
  if (XGetWindowAttributes(d, window, &attributes) != 0) {
    XWarpPointer(d, None, window, 0, 0, 0, 0, attributes.width / 2, attributes.height / 2);
  }
}

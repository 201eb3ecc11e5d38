// The test process's own connection to the X display named by DISPLAY, shared by the window search
// and the capture, and the trap their requests on other programs' windows run under.
#pragma once

#include <X11/Xlib.h>

// The connection, opened at the first call; null when there is no display.
Display* testDisplay();

// A window can vanish between two requests; Xlib's default handler would end the test process on
// the resulting error, so requests on windows the test does not own run under this trap.
class XErrorTrap {
 public:
  explicit XErrorTrap(Display* display);
  ~XErrorTrap();
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;

  // Whether a request since the trap was set failed.
  bool failed();

 private:
  Display* connection_;
  XErrorHandler previous_;
  int countBefore_;
};

struct XFreeDeleter {
  void operator()(void* p) const { XFree(p); }
};

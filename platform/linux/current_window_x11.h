// The toolkit's X display and window, found through the current GLX context so that no toolkit
// internals are needed. Both are empty (nullptr, None) when no context is current.
#pragma once

#include <GL/glx.h>

struct X11Window {
  Display* display;
  Window window;
};

inline X11Window currentX11Window() {
  return {glXGetCurrentDisplay(), glXGetCurrentDrawable()};
}

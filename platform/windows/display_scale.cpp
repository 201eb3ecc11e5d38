// Windows: the screen's dots per inch. A DPI-aware process gets the system's setting here rather
// than the 96 the system shows programs it scales itself.
#include <windows.h>

#include "platform/display_scale.h"

int systemDpi() {
  const HDC screen = GetDC(nullptr);
  if (screen == nullptr) {
    return kReferenceDpi;
  }
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kReferenceDpi;
}

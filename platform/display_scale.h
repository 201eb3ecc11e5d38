// The display's scale, for a window that should look the same size on every display.
//
// systemDpi is the dots per inch the desktop gives the program: on Windows the system's setting
// (96 at 100 %, 144 at 150 %), read once the program has declared itself DPI-aware in its
// manifest, so that the system neither stretches its window nor pretends 96. X11 leaves scaling to
// the desktop, so Linux always answers kReferenceDpi.
#pragma once

inline constexpr int kReferenceDpi = 96;

int systemDpi();

// `pixels` at 96 dpi in the display's own pixels: 640 stays 640 at 100 % and becomes 960 at 150 %.
inline int scaledToDisplay(int pixels) {
  return pixels * systemDpi() / kReferenceDpi;
}

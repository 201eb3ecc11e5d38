// The window's identity as a window manager would see it, through an X connection of its own on
// the test's server, which has none: the class in place when the window is mapped, and an icon
// with the colours of packaging/icon/palvetta.svg.
#include <gtest/gtest.h>  // first: Xlib defines macros such as None and Bool

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <vector>

#include "platform/window_identity.h"

namespace {

// The icon of `size` row by row from the top, in ARGB (Xlib widens each to a long); empty when
// the window has none of that size.
std::vector<unsigned long> iconOf(Display* display, Window window, unsigned long size) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long left = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), 0, 1 << 20,
                     False, XA_CARDINAL, &type, &format, &count, &left, &data);
  const auto* items = reinterpret_cast<const unsigned long*>(data);
  std::vector<unsigned long> icon;
  for (unsigned long i = 0; format == 32 && i + 2 <= count; i += 2 + items[i] * items[i + 1]) {
    if (items[i] == size && items[i + 1] == size && i + 2 + size * size <= count) {
      icon.assign(items + i + 2, items + i + 2 + size * size);
    }
  }
  XFree(data);
  return icon;
}

// Opaque, and within a few levels of 0xrrggbb in each channel.
bool hasColour(unsigned long argb, unsigned long rgb) {
  unsigned long off = 0;
  for (int shift : {0, 8, 16}) {
    const unsigned long got = argb >> shift & 0xff, want = rgb >> shift & 0xff;
    off = std::max(off, got > want ? got - want : want - got);
  }
  return (argb >> 24 & 0xff) == 0xff && off <= 3;
}

TEST(WindowIdentityTest, TheClassIsInPlaceAtTheLastMapAndTheIconHasTheDrawingsColours) {
  Display* watcher = XOpenDisplay(nullptr);
  ASSERT_NE(watcher, nullptr);
  XSelectInput(watcher, DefaultRootWindow(watcher), SubstructureNotifyMask);
  int argc = 1;
  char name[] = "window_identity_test";
  char* argv[] = {name, nullptr};
  glutInit(&argc, argv);
  glutCreateWindow("Palvetta");
  const Window window = glXGetCurrentDrawable();
  XSync(glXGetCurrentDisplay(), False);
  // Whatever was mapped so far was mapped before the identity was set.
  XSelectInput(watcher, window, PropertyChangeMask);
  XSync(watcher, True);

  setWindowIdentity();
  XSync(glXGetCurrentDisplay(), False);
  XSync(watcher, False);
  bool classSet = false;
  bool mappedWithClass = false;
  for (XEvent event; XPending(watcher) > 0;) {
    XNextEvent(watcher, &event);
    classSet |= event.type == PropertyNotify && event.xproperty.atom == XA_WM_CLASS;
    if ((event.type == MapNotify || event.type == UnmapNotify) && event.xmap.window == window) {
      mappedWithClass = event.type == MapNotify && classSet;
    }
  }
  EXPECT_TRUE(mappedWithClass) << "a window manager reading the class at the map misses it";
  XClassHint hint{};
  ASSERT_NE(XGetClassHint(watcher, window, &hint), 0);
  EXPECT_STREQ(hint.res_name, "palvetta");
  EXPECT_STREQ(hint.res_class, "Palvetta");
  XFree(hint.res_name);
  XFree(hint.res_class);

  for (const unsigned long size : {16, 32, 48}) {
    EXPECT_EQ(iconOf(watcher, window, size).size(), size * size) << "no icon of " << size;
  }
  const std::vector<unsigned long> icon = iconOf(watcher, window, 128);
  ASSERT_EQ(icon.size(), 128u * 128u);
  // Points of the 48-unit drawing well inside flat regions: the background, a pink square of the
  // floor clear of the torus, and the transparent corner outside the rounded square.
  const auto at = [&icon](double x, double y) {
    return icon[static_cast<int>(y * 128 / 48) * 128 + static_cast<int>(x * 128 / 48)];
  };
  EXPECT_PRED2(hasColour, at(24, 8), 0x8080cc);
  EXPECT_PRED2(hasColour, at(40, 12), 0x8080cc);
  EXPECT_PRED2(hasColour, at(13, 33.75), 0xffcccc);
  EXPECT_PRED2(hasColour, at(24, 39.25), 0xffcccc);
  EXPECT_EQ(at(0.2, 0.2) >> 24 & 0xff, 0u);
  XCloseDisplay(watcher);
}

}  // namespace

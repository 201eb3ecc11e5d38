// X11: WM_CLASS, _NET_WM_PID and _NET_WM_ICON on the toolkit's window.
//
// The toolkit maps its window inside glutCreateWindow, so these properties arrive just after the
// map request. Window managers that manage the window only then (and read WM_CLASS once, as ICCCM
// allows) would miss the class; the window is therefore withdrawn and mapped again once the
// properties are in place, before the event loop has drawn anything.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gio/gio.h>

#include <string>
#include <vector>

#include "platform/linux/current_window_x11.h"
#include "platform/linux/embedded_icon.h"
#include "platform/window_identity.h"

namespace {

// _NET_WM_ICON: for each size its width, its height and its pixels row by row from the top, as
// non-premultiplied ARGB. Xlib takes 32-bit property items as longs. The sizes are the icon's own
// PNG files, decoded here: a few milliseconds at start for a picture that stays the drawing's.
void appendIcon(const EmbeddedPng& png, std::vector<long>& items) {
  GInputStream* stream = g_memory_input_stream_new_from_data(png.bytes, png.size, nullptr);
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_stream(stream, nullptr, nullptr);
  g_object_unref(stream);
  if (pixbuf == nullptr) {
    return;
  }
  const int width = gdk_pixbuf_get_width(pixbuf);
  const int height = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
  items.push_back(width);
  items.push_back(height);
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      const guchar* p = pixels + row * stride + column * channels;
      const unsigned long alpha = channels == 4 ? p[3] : 0xffu;
      items.push_back(static_cast<long>(alpha << 24 | unsigned{p[0]} << 16 | unsigned{p[1]} << 8 |
                                        unsigned{p[2]}));
    }
  }
  g_object_unref(pixbuf);
}

std::vector<long> iconProperty() {
  std::vector<long> items;
  for (const EmbeddedPng& png : embeddedIconPngs()) {
    appendIcon(png, items);
  }
  return items;
}

void setCardinals(Display* display, Window window, const char* name, const long* items,
                  std::size_t count) {
  XChangeProperty(display, window, XInternAtom(display, name, False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(items),
                  static_cast<int>(count));
}

}  // namespace

void setWindowIdentity() {
  const auto [display, window] = currentX11Window();
  if (display == nullptr || window == None) {
    return;
  }
  XWindowAttributes attributes;
  const bool mapped =
      XGetWindowAttributes(display, window, &attributes) != 0 && attributes.map_state != IsUnmapped;
  if (mapped) {
    XWithdrawWindow(display, window, DefaultScreen(display));
  }

  std::string instanceName = kWindowInstanceName;
  std::string className = kWindowClassName;
  XClassHint hint{instanceName.data(), className.data()};
  XSetClassHint(display, window, &hint);
  const long pid = static_cast<long>(getpid());
  setCardinals(display, window, "_NET_WM_PID", &pid, 1);
  const std::vector<long> icon = iconProperty();
  setCardinals(display, window, "_NET_WM_ICON", icon.data(), icon.size());

  if (mapped) {
    XMapWindow(display, window);
  }
  XFlush(display);
}

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

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/current_window_x11.h"
#include "platform/window_identity.h"

namespace {

// The icon is drawn in a 48-unit square, the same drawing as desktop/palvetta.svg: the
// checkerboard floor seen from above at an angle, with the striped torus standing on it, on the
// viewer's blue-grey background.
constexpr float kIconUnits = 48.0f;
constexpr int kIconSizes[] = {16, 32, 48, 64, 128};
constexpr int kSamplesPerAxis = 4;  // 16 samples a pixel smooth the edges

struct Rgba {
  float r, g, b, a;
};

constexpr Rgba kTransparent = {0.0f, 0.0f, 0.0f, 0.0f};
constexpr Rgba kBackground = {0.5f, 0.5f, 0.8f, 1.0f};
constexpr Rgba kFloorPink = {1.0f, 0.8f, 0.8f, 1.0f};
constexpr Rgba kFloorWhite = {1.0f, 1.0f, 1.0f, 1.0f};
// The torus example's materials, going round: coral, gold, teal, plum.
constexpr Rgba kStripes[] = {{1.0f, 0.45f, 0.35f, 1.0f},
                             {0.95f, 0.75f, 0.2f, 1.0f},
                             {0.15f, 0.6f, 0.6f, 1.0f},
                             {0.55f, 0.3f, 0.65f, 1.0f}};
constexpr int kStripeCount = 8;

bool insideRoundedSquare(float x, float y) {
  constexpr float kHalf = 23.0f;
  constexpr float kRadius = 7.0f;
  const float dx = std::max(std::abs(x - 24.0f) - (kHalf - kRadius), 0.0f);
  const float dy = std::max(std::abs(y - 24.0f) - (kHalf - kRadius), 0.0f);
  return dx * dx + dy * dy <= kRadius * kRadius;
}

bool insideEllipse(float x, float y, float cx, float cy, float rx, float ry) {
  const float u = (x - cx) / rx;
  const float v = (y - cy) / ry;
  return u * u + v * v <= 1.0f;
}

// The floor's corners are (24, 20), (46, 31), (24, 42) and (2, 31): 4 x 4 squares, pink first.
bool floorColour(float x, float y, Rgba& colour) {
  const float across = (x - 24.0f) / 22.0f;
  const float down = (y - 20.0f) / 11.0f;
  const float u = (down + across) / 2.0f;
  const float v = (down - across) / 2.0f;
  if (u < 0.0f || u >= 1.0f || v < 0.0f || v >= 1.0f) {
    return false;
  }
  const int cell = static_cast<int>(u * 4.0f) + static_cast<int>(v * 4.0f);
  colour = cell % 2 == 0 ? kFloorPink : kFloorWhite;
  return true;
}

// How much darker the tube is at `radius` (0 at the centre, 1 at the outer edge): most at its inner
// and outer edges, so that the ring reads as round.
float tubeShade(float radius) {
  if (radius <= 0.5f) {
    return 0.35f;
  }
  if (radius <= 0.75f) {
    return 0.35f * (0.75f - radius) / 0.25f;
  }
  return 0.4f * (radius - 0.75f) / 0.25f;
}

// The ring between the outer ellipse and the hole, cut into stripes by angle around its centre.
bool torusColour(float x, float y, Rgba& colour) {
  constexpr float kCx = 24.0f, kCy = 26.0f, kRx = 15.0f, kRy = 8.5f;
  if (!insideEllipse(x, y, kCx, kCy, kRx, kRy) || insideEllipse(x, y, kCx, 24.0f, 8.0f, 3.8f)) {
    return false;
  }
  const float u = (x - kCx) / kRx;
  const float v = (y - kCy) / kRy;
  constexpr float kDegrees = 180.0f / 3.14159265f;
  const float angle = std::atan2(v, u) * kDegrees + 360.0f;
  const float stripeAngle = 360.0f / kStripeCount;
  const int stripe = static_cast<int>((angle + stripeAngle / 2.0f) / stripeAngle) % kStripeCount;
  const float light = 1.0f - tubeShade(std::sqrt(u * u + v * v));
  const Rgba& stripeColour = kStripes[stripe % 4];
  colour = {stripeColour.r * light, stripeColour.g * light, stripeColour.b * light, 1.0f};
  return true;
}

Rgba iconColourAt(float x, float y) {
  Rgba colour = kBackground;
  if (!insideRoundedSquare(x, y)) {
    return kTransparent;
  }
  if (!torusColour(x, y, colour)) {
    floorColour(x, y, colour);
  }
  return colour;
}

uint32_t toByte(float channel) {
  return static_cast<uint32_t>(std::lround(std::clamp(channel, 0.0f, 1.0f) * 255.0f));
}

// One pixel as non-premultiplied ARGB, averaged over its samples.
uint32_t iconPixel(int column, int row, int size) {
  const float unitsPerSample = kIconUnits / static_cast<float>(size * kSamplesPerAxis);
  Rgba sum = kTransparent;
  for (int sy = 0; sy < kSamplesPerAxis; ++sy) {
    for (int sx = 0; sx < kSamplesPerAxis; ++sx) {
      const float x = (static_cast<float>(column * kSamplesPerAxis + sx) + 0.5f) * unitsPerSample;
      const float y = (static_cast<float>(row * kSamplesPerAxis + sy) + 0.5f) * unitsPerSample;
      const Rgba c = iconColourAt(x, y);
      sum = {sum.r + c.r * c.a, sum.g + c.g * c.a, sum.b + c.b * c.a, sum.a + c.a};
    }
  }
  if (sum.a == 0.0f) {
    return 0;
  }
  const float samples = static_cast<float>(kSamplesPerAxis * kSamplesPerAxis);
  return toByte(sum.a / samples) << 24 | toByte(sum.r / sum.a) << 16 | toByte(sum.g / sum.a) << 8 |
         toByte(sum.b / sum.a);
}

// _NET_WM_ICON: for each size its width, its height and its pixels row by row from the top. Xlib
// takes 32-bit property items as longs.
std::vector<long> iconProperty() {
  std::vector<long> items;
  for (const int size : kIconSizes) {
    items.push_back(size);
    items.push_back(size);
    for (int row = 0; row < size; ++row) {
      for (int column = 0; column < size; ++column) {
        items.push_back(static_cast<long>(iconPixel(column, row, size)));
      }
    }
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

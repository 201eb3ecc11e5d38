#include "tests/support/capture.h"

#include "tests/support/png_frame.h"
#include "tests/support/wait.h"
#include "tests/support/x_connection.h"

#include <X11/Xutil.h>

#include <memory>

namespace {

struct XImageDeleter {
  void operator()(XImage* image) const { XDestroyImage(image); }
};

// Scales one channel of a pixel value to 0 ... 255 whatever the visual's mask.
int channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) {
    return 0;
  }
  int shift = 0;
  while (((mask >> shift) & 1UL) == 0) {
    ++shift;
  }
  const unsigned long maximum = mask >> shift;
  return static_cast<int>(((pixel & mask) >> shift) * 255UL / maximum);
}

}  // namespace

Frame captureWindow(unsigned long window) {
  Frame frame;
  Display* d = testDisplay();
  if (d == nullptr || window == 0) {
    return frame;
  }
  XErrorTrap trap(d);
  XWindowAttributes attributes;
  if (XGetWindowAttributes(d, window, &attributes) == 0 || attributes.map_state != IsViewable) {
    return frame;
  }
  std::unique_ptr<XImage, XImageDeleter> image(
      XGetImage(d, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap));
  if (!image || trap.failed()) {
    return frame;
  }
  frame.width = attributes.width;
  frame.height = attributes.height;
  frame.rgb.resize(3 * static_cast<std::size_t>(frame.width) * frame.height);
  for (int row = 0; row < frame.height; ++row) {
    // X counts rows from the top, Frame from the bottom.
    const std::size_t start = 3 * static_cast<std::size_t>(frame.height - 1 - row) * frame.width;
    for (int x = 0; x < frame.width; ++x) {
      const unsigned long pixel = XGetPixel(image.get(), x, row);
      const std::size_t i = start + 3 * static_cast<std::size_t>(x);
      frame.rgb[i] = static_cast<uint8_t>(channel(pixel, image->red_mask));
      frame.rgb[i + 1] = static_cast<uint8_t>(channel(pixel, image->green_mask));
      frame.rgb[i + 2] = static_cast<uint8_t>(channel(pixel, image->blue_mask));
    }
  }
  return frame;
}

bool waitForCapture(unsigned long window, const std::function<bool(const Frame&)>& condition,
                    int timeoutMs, Frame& last) {
  return waitFor([&] { return condition(last = captureWindow(window)); }, timeoutMs);
}

::testing::AssertionResult showsBaseline(unsigned long window, const std::string& name) {
  const Frame baseline = baselineFrame(name);
  Frame last;
  if (baseline.width > 0 &&
      waitForCapture(
          window, [&](const Frame& frame) { return countMismatches(frame, baseline) == 0; },
          kFrameTimeoutMs, last)) {
    return ::testing::AssertionSuccess();
  }
  return matchesBaseline(last, name);
}

// Windows: pictures without a window are not made here; the program says so and stops.
#include "platform/offscreen_picture.h"

struct OffscreenContextHandles {};

void closeOffscreenContext(OffscreenContextHandles* handles) {
  const std::unique_ptr<OffscreenContextHandles> owned(handles);
}

bool offscreenPicturesAvailable() {
  return false;
}

OffscreenContext openOffscreenContext(int /*width*/, int /*height*/, std::string& error) {
  error = "not available on Windows";
  return OffscreenContext(nullptr, closeOffscreenContext);
}

Picture readOffscreenPicture(int /*width*/, int /*height*/) {
  return {};
}

bool writePngPicture(const std::string& /*path*/, const Picture& /*picture*/, std::string& error) {
  error = "not available on Windows";
  return false;
}

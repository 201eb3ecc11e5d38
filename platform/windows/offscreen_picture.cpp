// Windows: pictures without a window are not made here. The program asks
// offscreenPicturesAvailable first and says so itself; the rest only fails.
#include "platform/offscreen_picture.h"

struct OffscreenContextHandles {};

void OffscreenContextCloser::operator()(OffscreenContextHandles* handles) const {
  const std::unique_ptr<OffscreenContextHandles> owned(handles);
}

bool offscreenPicturesAvailable() {
  return false;
}

Failure openOffscreenContext(int /*width*/, int /*height*/, OffscreenContext& /*context*/) {
  return std::string();
}

Picture readOffscreenPicture(int /*width*/, int /*height*/) {
  return {};
}

Failure writePngPicture(const std::string& /*path*/, const Picture& /*picture*/) {
  return std::string();
}

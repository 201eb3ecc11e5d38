// Pictures drawn without a window: an OpenGL context of their own, read back and written as PNG.
//
// offscreenPicturesAvailable tells whether this platform makes them at all: true on Linux, false
// on Windows, where the functions below only fail, with no reason to give: ask first.
//
// openOffscreenContext makes current a context for the same fixed-function OpenGL the window
// gets, drawing into a width x height frame buffer of exactly 8 bits per colour channel with at
// least 24 depth bits. It needs no display and no X server: on Linux it is EGL on Mesa's
// surfaceless platform, with a pbuffer surface, as frames drawn into that come out like the
// window's to the pixel (a frame buffer object or a 16-bit depth buffer does not). The context goes
// to `context` and lives as long as that handle; on failure the handle stays empty and the reason
// is returned.
//
// readOffscreenPicture reads the colour of what was drawn, RGB without alpha, rows top-down as an
// image file stores them. writePngPicture writes a picture as an 8-bit RGB PNG to `path` (UTF-8);
// when the file cannot be written it removes what it made of it (a regular file; a device or a
// pipe stays) and returns the reason.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/failure.h"

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // 3 bytes a pixel, rows top-down, no padding
};

struct OffscreenContextHandles;  // what the platform keeps for one context
struct OffscreenContextCloser {
  void operator()(OffscreenContextHandles* handles) const;
};
using OffscreenContext = std::unique_ptr<OffscreenContextHandles, OffscreenContextCloser>;

bool offscreenPicturesAvailable();
Failure openOffscreenContext(int width, int height, OffscreenContext& context);
Picture readOffscreenPicture(int width, int height);
Failure writePngPicture(const std::string& path, const Picture& picture);

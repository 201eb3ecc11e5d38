// Linux: EGL on Mesa's surfaceless platform, which needs no display, and libpng for the file.
#include "platform/offscreen_picture.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/paths.h"

struct OffscreenContextHandles {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLContext context = EGL_NO_CONTEXT;
  EGLSurface surface = EGL_NO_SURFACE;
};

namespace {

constexpr EGLint kColourBits = 8;
constexpr EGLint kMinimumDepthBits = 24;

bool hasClientExtension(std::string_view name) {
  const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (extensions == nullptr) {
    return false;
  }
  // Names are separated by spaces; a name may be the start of a longer one.
  const std::string_view list = extensions;
  for (std::size_t at = list.find(name); at != std::string_view::npos;
       at = list.find(name, at + 1)) {
    const std::size_t end = at + name.size();
    if ((at == 0 || list[at - 1] == ' ') && (end == list.size() || list[end] == ' ')) {
      return true;
    }
  }
  return false;
}

EGLint attribute(EGLDisplay display, EGLConfig config, EGLint name) {
  EGLint value = 0;
  eglGetConfigAttrib(display, config, name, &value);
  return value;
}

// eglChooseConfig takes sizes as least sizes and lists deeper colours first; the window's frames
// have exactly 8 bits a channel. Within those the list runs from the smallest depth buffer up.
bool chooseConfig(EGLDisplay display, EGLConfig& chosen) {
  const EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                           EGL_OPENGL_BIT,   EGL_RED_SIZE,    kColourBits,
                           EGL_GREEN_SIZE,   kColourBits,     EGL_BLUE_SIZE,
                           kColourBits,      EGL_DEPTH_SIZE,  kMinimumDepthBits,
                           EGL_NONE};
  EGLint count = 0;
  if (!eglChooseConfig(display, wanted, nullptr, 0, &count) || count <= 0) {
    return false;
  }
  std::vector<EGLConfig> configs(static_cast<std::size_t>(count));
  if (!eglChooseConfig(display, wanted, configs.data(), count, &count)) {
    return false;
  }
  for (EGLint i = 0; i < count; ++i) {
    if (attribute(display, configs[i], EGL_RED_SIZE) == kColourBits &&
        attribute(display, configs[i], EGL_GREEN_SIZE) == kColourBits &&
        attribute(display, configs[i], EGL_BLUE_SIZE) == kColourBits) {
      chosen = configs[i];
      return true;
    }
  }
  return false;
}

std::string cannotWrite(const png_image& image) {
  if (errno != 0) {
    return std::strerror(errno);
  }
  return image.message[0] != '\0' ? image.message : "Cannot be written";
}

}  // namespace

void OffscreenContextCloser::operator()(OffscreenContextHandles* handles) const {
  const std::unique_ptr<OffscreenContextHandles> owned(handles);
  if (handles == nullptr || handles->display == EGL_NO_DISPLAY) {
    return;
  }
  eglMakeCurrent(handles->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (handles->surface != EGL_NO_SURFACE) {
    eglDestroySurface(handles->display, handles->surface);
  }
  if (handles->context != EGL_NO_CONTEXT) {
    eglDestroyContext(handles->display, handles->context);
  }
  eglTerminate(handles->display);
  eglReleaseThread();
}

bool offscreenPicturesAvailable() {
  return true;
}

// The partly made context is closed as `opened` goes, on failure; on success it moves to `context`.
Failure openOffscreenContext(int width, int height, OffscreenContext& context) {
  OffscreenContext opened(new OffscreenContextHandles);
  OffscreenContextHandles* handles = opened.get();
  if (!hasClientExtension("EGL_MESA_platform_surfaceless")) {
    return "EGL has no surfaceless platform (Mesa's libegl-mesa0)";
  }
  // One frame: the software renderer's rasterizer threads, handed its triangles batch by batch,
  // cost more in hand-overs than they share out (a 4 M-triangle picture took a fifth longer with
  // them). Whoever wants them sets LP_NUM_THREADS.
  setenv("LP_NUM_THREADS", "0", 0);
  handles->display =
      eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (handles->display == EGL_NO_DISPLAY || !eglInitialize(handles->display, nullptr, nullptr)) {
    handles->display = EGL_NO_DISPLAY;
    return "EGL's surfaceless display cannot be started";
  }
  EGLConfig config = nullptr;
  if (!eglBindAPI(EGL_OPENGL_API) || !chooseConfig(handles->display, config)) {
    return "EGL offers no 8-bit RGB frame buffer with a depth buffer";
  }
  // The fixed-function pipeline the scene is drawn with is only in the compatibility profile.
  const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                      EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  handles->context = eglCreateContext(handles->display, config, EGL_NO_CONTEXT, contextAttributes);
  if (handles->context == EGL_NO_CONTEXT) {
    return "EGL cannot create an OpenGL context";
  }
  const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  handles->surface = eglCreatePbufferSurface(handles->display, config, surfaceAttributes);
  if (handles->surface == EGL_NO_SURFACE ||
      !eglMakeCurrent(handles->display, handles->surface, handles->surface, handles->context)) {
    return "EGL cannot make a frame buffer of that size";
  }
  context = std::move(opened);
  return std::nullopt;
}

Picture readOffscreenPicture(int width, int height) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
  std::vector<uint8_t> bottomUp(rowBytes * static_cast<std::size_t>(height));
  // Rows of 3 * width bytes, not padded to 4: 250 pixels make 750 bytes.
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
  picture.rgb.resize(bottomUp.size());
  for (int y = 0; y < height; ++y) {
    const auto from = bottomUp.begin() + static_cast<std::ptrdiff_t>(rowBytes * (height - 1 - y));
    std::copy(from, from + static_cast<std::ptrdiff_t>(rowBytes),
              picture.rgb.begin() + static_cast<std::ptrdiff_t>(rowBytes * y));
  }
  return picture;
}

Failure writePngPicture(const std::string& path, const Picture& picture) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.width);
  image.height = static_cast<png_uint_32>(picture.height);
  image.format = PNG_FORMAT_RGB;
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    return std::strerror(errno);
  }
  errno = 0;
  const bool written =
      png_image_write_to_stdio(&image, file, 0, picture.rgb.data(), 0, nullptr) != 0;
  const bool flushed = std::fflush(file) == 0;
  const bool closed = std::fclose(file) == 0;
  if (written && flushed && closed) {
    return std::nullopt;
  }
  // A full disk leaves half a picture; a file manager would rather have none. Only a file is
  // removed: OUT may name a device or a pipe.
  const std::string why = cannotWrite(image);
  if (isRegularFile(path)) {
    std::remove(path.c_str());
  }
  return why;
}

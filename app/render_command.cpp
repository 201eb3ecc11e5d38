#include "app/render_command.h"

#include <filesystem>
#include <ostream>
#include <system_error>

#include "platform/offscreen_picture.h"
#include "view/camera.h"
#include "view/scene.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUnavailable = 2;

bool hasTriangleToDraw(const ObjModel* model) {
  if (model == nullptr) {
    return false;
  }
  for (int32_t f = 0; f < model->faceCount; ++f) {
    if (faceIndicesInRange(*model, f)) {
      return true;
    }
  }
  return false;
}

// OUT as named from the directory the command started in.
std::string absolutePicturePath(const std::string& picture) {
  const std::filesystem::path path(std::u8string(picture.begin(), picture.end()));
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) {
    return picture;
  }
  const std::u8string utf8 = absolute.u8string();
  return std::string(utf8.begin(), utf8.end());
}

// The frame of `state` at size x size, or the reason there is none in `error`.
Picture drawPicture(const ViewerState& state, int size, std::string& error) {
  const OffscreenContext context = openOffscreenContext(size, size, error);
  if (!context) {
    return {};
  }
  initRenderState();
  reshape(size, size);
  drawScene(state);
  return readOffscreenPicture(size, size);
}

}  // namespace

int renderPicture(const CommandLine& commandLine, std::ostream& err) {
  if (!offscreenPicturesAvailable()) {
    err << "palvetta: --render and --thumbnail are not available in the Windows build\n";
    return kExitUnavailable;
  }
  const std::string picturePath = absolutePicturePath(commandLine.picture);
  ViewerState state;
  if (commandLine.file) {
    if (const std::optional<std::string> why = openModelFile(state, *commandLine.file)) {
      err << *why << '\n';
      return kExitFailure;
    }
  }
  if (commandLine.thumbnail && !hasTriangleToDraw(state.model.get())) {
    err << "palvetta: nothing to draw in '" << *commandLine.file << "'\n";
    return kExitFailure;
  }
  if (commandLine.view) {
    placeCamera(state, commandLine.view->distance, commandLine.view->yaw, commandLine.view->pitch);
  }
  std::string error;
  const Picture picture =
      drawPicture(state, commandLine.pictureSize.value_or(kDefaultPictureSize), error);
  if (picture.rgb.empty()) {
    err << "palvetta: cannot draw without a window: " << error << '\n';
    return kExitFailure;
  }
  if (!writePngPicture(picturePath, picture, error)) {
    err << "palvetta: cannot write '" << commandLine.picture << "': " << error << '\n';
    return kExitFailure;
  }
  return 0;
}

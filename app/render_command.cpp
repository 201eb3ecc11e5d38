#include "app/render_command.h"

#include <filesystem>
#include <ostream>
#include <system_error>

#include "app/load_command.h"
#include "platform/offscreen_picture.h"
#include "platform/paths.h"
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
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(nativePath(picture), error);
  return error ? picture : utf8Path(absolute);
}

// The frame of `state` at size x size into `picture`. The model goes with the context it was drawn
// in, and what drawing made of it with it.
Failure drawPicture(ViewerState& state, int size, Picture& picture) {
  OffscreenContext context;
  if (Failure failure = openOffscreenContext(size, size, context)) {
    return failure;
  }
  initRenderState();
  reshape(size, size);
  // A single frame: making display lists would only delay the picture.
  drawScene(state.camera, state.model.get(), state.floorOffset, Frames::one);
  picture = readOffscreenPicture(size, size);
  state.model.reset();
  return std::nullopt;
}

}  // namespace

int renderPicture(const CommandLine& commandLine, std::ostream& err) {
  if (!offscreenPicturesAvailable()) {
    err << "palvetta: --render and --thumbnail are not available in the Windows build\n";
    return kExitUnavailable;
  }
  const std::string picturePath = absolutePicturePath(commandLine.picture);
  ViewerState state;
  state.reading = commandLine.reading;
  if (commandLine.file) {
    std::string note;
    if (const Failure failure = loadModel(state, *commandLine.file, LoadWay::named, note)) {
      err << *failure << '\n';
      return kExitFailure;
    }
    if (!note.empty()) {
      err << note << '\n';
    }
  }
  if (commandLine.thumbnail && !hasTriangleToDraw(state.model.get())) {
    err << "palvetta: nothing to draw in '" << *commandLine.file << "'\n";
    return kExitFailure;
  }
  if (commandLine.view) {
    placeCamera(state.camera, commandLine.view->distance, commandLine.view->yaw,
                commandLine.view->pitch);
  }
  Picture picture;
  if (const Failure failure =
          drawPicture(state, commandLine.pictureSize.value_or(kWindowSize), picture)) {
    err << "palvetta: cannot draw without a window: " << *failure << '\n';
    return kExitFailure;
  }
  if (const Failure failure = writePngPicture(picturePath, picture)) {
    err << "palvetta: cannot write '" << commandLine.picture << "': " << *failure << '\n';
    return kExitFailure;
  }
  return 0;
}

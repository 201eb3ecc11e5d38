#include "app/load_command.h"

#include "model/normalize.h"
#include "model/obj_reader.h"

namespace {

constexpr unsigned char kLoadKey = 'l';

}  // namespace

bool loadCommand(ViewerState& state, unsigned char key, ObjFileChooser choose) {
  if (key != kLoadKey) {
    return false;
  }
  // Windows delivers drops through the dialog's own message loop; a model dropped then would be
  // replaced by the choice the user is about to make.
  state.choosingFile = true;
  const std::optional<std::string> path = choose();
  state.choosingFile = false;
  if (!path) {
    return false;
  }
  loadModelFile(state, *path);
  return true;
}

void loadModelFile(ViewerState& state, const std::string& path) {
  // A file that cannot be opened still replaces the model: the view then shows the floor alone.
  state.model = loadObjModel(path.c_str());
  state.floorOffset = normalizeModel(state.model.get(), kModelSize);
}

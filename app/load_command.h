// The load command: "l" asks the user for an OBJ file and puts its model on the floor.
//
// loadCommand handles one typed key. Only the lower-case "l" does anything: it asks `choose` for a
// path (the open-file dialog in the program, a stand-in in tests). A cancel leaves the state as it
// was. Otherwise the model read from the path replaces the one on display, even when the file
// cannot be opened (then no model is shown), and the floor offset is recomputed; the camera is
// left where the user put it. Returns true when the picture needs redrawing. `choosingFile` is
// true while `choose` runs.
#pragma once

#include <optional>
#include <string>

#include "app/viewer_state.h"

// Blocks until the user picks a file or cancels; nothing on cancel.
using ObjFileChooser = std::optional<std::string> (*)();

// The larger horizontal extent of every loaded model: half the width of the floor.
inline constexpr float kModelSize = 5.0f;

bool loadCommand(ViewerState& state, unsigned char key, ObjFileChooser choose);

// What the load command does with a chosen path, which is opened from the current directory: the
// model read from it replaces the one on display (none when it cannot be opened), and the floor
// offset is recomputed.
void loadModelFile(ViewerState& state, const std::string& path);

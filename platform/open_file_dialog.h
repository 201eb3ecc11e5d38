// The open-file dialog that picks the OBJ file to load.
#pragma once

#include <optional>
#include <string>

// Blocks until the user picks an existing file or cancels. Returns the path to open, or nothing
// on cancel or when no dialog can be shown.
std::optional<std::string> chooseObjFile();

// Test helpers for frames drawn into a real window on the test's X display.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "app/viewer_state.h"

struct Pixel {
  int r;
  int g;
  int b;
};

// The clear colour (0.5, 0.5, 0.8) as the frame buffer holds it: wherever no floor or model is.
inline constexpr Pixel kClearColour = {128, 128, 204};

inline bool isClearColour(const Pixel& p) {
  return p.r == kClearColour.r && p.g == kClearColour.g && p.b == kClearColour.b;
}

// The back buffer of one frame, rows bottom-up as OpenGL reads them.
struct Frame {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  // Window coordinates as OpenGL counts them: y grows upwards from the bottom row.
  Pixel at(int x, int y) const;
};

// How many pixels show something other than the clear colour.
int countNotClear(const Frame& frame);

// Opens a window of the given size with the viewer's display mode and render state, applies
// reshape and leaves its context current. The toolkit is initialised at the first call.
int openSceneWindow(int width, int height);
void closeSceneWindow(int window);

// Draws one frame of `state` into the current window's back buffer and reads it before any swap.
Frame renderFrame(const ViewerState& state);

// The viewer's window is this many pixels square.
inline constexpr int kViewerWindowSize = 640;

// The frame of `state` as the viewer draws it, in a window of the viewer's size opened for it and
// closed again, so that nothing of this process lies over the viewer's window.
Frame renderViewerFrame(const ViewerState& state);

// The state the viewer has once it has loaded the OBJ file at `path`: the model read from the
// file's own folder, so that a relative library name is found beside it, and fitted to the floor.
// The current directory is left as it was.
ViewerState loadedState(const std::filesystem::path& path);

// Where a scene point lands in window coordinates under the current matrices of the last frame.
bool projectPoint(double x, double y, double z, double& winX, double& winY);

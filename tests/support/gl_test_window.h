// Test helpers for frames drawn into a real window on the test's X display.
#pragma once

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "app/viewer_state.h"
#include "view/scene.h"

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

// Draws one frame of `state` into the current window's back buffer with `draw`, the viewer's own
// drawing unless another is given, and reads it before any swap.
using SceneDrawing = void (*)(const ViewerState&);
void drawViewerScene(const ViewerState& state);
Frame renderFrame(const ViewerState& state, SceneDrawing draw = drawViewerScene);

// Where the scene point (x, y, z) lands in a window of `width` x `height` under the camera of
// `state`, in window coordinates (y upwards, as OpenGL counts them). Worked out here from what the
// viewer promises, apart from its drawing: the camera looks at the origin from cameraDistance away,
// turned by -pitch about x after -yaw about y, through a 45 degree vertical field of view.
struct WindowPoint {
  double x;
  double y;
};
WindowPoint projectScenePoint(const ViewerState& state, int width, int height, double x, double y,
                              double z);

// Whether `frame` shows the floor, every pixel not of the clear colour, as the camera of `state`
// sees it by projectScenePoint: reaching as far left, right, down and up as its corners (+-5, 0,
// +-5), within 3 pixels, and with its white corner square (x and z -5 ... -4) and the pale red one
// beside it where they must be. Corners and squares outside the frame are not checked. For frames
// with nothing but the floor in front of the clear colour.
::testing::AssertionResult showsFloorAsSeenBy(const Frame& frame, const ViewerState& state);

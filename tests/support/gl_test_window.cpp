#include "tests/support/gl_test_window.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "view/scene.h"

Pixel Frame::at(int x, int y) const {
  const std::size_t i = 3 * (static_cast<std::size_t>(y) * width + x);
  return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

int countNotClear(const Frame& frame) {
  int count = 0;
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      count += isClearColour(frame.at(x, y)) ? 0 : 1;
    }
  }
  return count;
}

int openSceneWindow(int width, int height) {
  static bool initialised = false;
  if (!initialised) {
    int argc = 1;
    char name[] = "palvetta-test";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    initialised = true;
  }
  glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(width, height);
  glutInitWindowPosition(0, 0);
  const int window = glutCreateWindow("Palvetta");
  initRenderState();
  reshape(width, height);
  return window;
}

void closeSceneWindow(int window) { glutDestroyWindow(window); }

void drawViewerScene(const ViewerState& state) {
  drawScene(state.camera, state.model.get(), state.floorOffset);
}

Frame renderFrame(const ViewerState& state, SceneDrawing draw) {
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  draw(state);
  glFinish();
  Frame frame;
  frame.width = viewport[2];
  frame.height = viewport[3];
  frame.rgb.resize(3 * static_cast<std::size_t>(frame.width) * frame.height);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, frame.width, frame.height, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
  return frame;
}

WindowPoint projectScenePoint(const ViewerState& state, int width, int height, double x, double y,
                              double z) {
  const double radians = 3.14159265358979323846 / 180.0;
  const double yaw = -state.camera.cameraYaw * radians;
  const double pitch = -state.camera.cameraPitch * radians;
  // About y, then about x, then away from the camera.
  const double x1 = x * std::cos(yaw) + z * std::sin(yaw);
  const double z1 = -x * std::sin(yaw) + z * std::cos(yaw);
  const double y2 = y * std::cos(pitch) - z1 * std::sin(pitch);
  const double z2 = y * std::sin(pitch) + z1 * std::cos(pitch) - state.camera.cameraDistance;
  const double focal = 1.0 / std::tan(22.5 * radians);
  const double aspect = static_cast<double>(width) / height;
  return {(1.0 + focal / aspect * x1 / -z2) * width / 2.0, (1.0 + focal * y2 / -z2) * height / 2.0};
}

::testing::AssertionResult showsFloorAsSeenBy(const Frame& frame, const ViewerState& state) {
  // Lowest and highest column (index 0) and row (index 1), of the floor and of its corners.
  int low[2] = {frame.width, frame.height};
  int high[2] = {-1, -1};
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      if (!isClearColour(frame.at(x, y))) {
        low[0] = std::min(low[0], x);
        low[1] = std::min(low[1], y);
        high[0] = std::max(high[0], x);
        high[1] = std::max(high[1], y);
      }
    }
  }
  double cornerLow[2] = {1e9, 1e9};
  double cornerHigh[2] = {-1e9, -1e9};
  for (const double x : {-5.0, 5.0}) {
    for (const double z : {-5.0, 5.0}) {
      const WindowPoint p = projectScenePoint(state, frame.width, frame.height, x, 0.0, z);
      cornerLow[0] = std::min(cornerLow[0], p.x);
      cornerLow[1] = std::min(cornerLow[1], p.y);
      cornerHigh[0] = std::max(cornerHigh[0], p.x);
      cornerHigh[1] = std::max(cornerHigh[1], p.y);
    }
  }
  const int size[2] = {frame.width, frame.height};
  bool reached = true;
  std::ostringstream extents;
  for (int axis = 0; axis < 2; ++axis) {
    reached = reached && (cornerLow[axis] < 0.0 || std::abs(low[axis] - cornerLow[axis]) <= 3.0) &&
              (cornerHigh[axis] >= size[axis] || std::abs(high[axis] - cornerHigh[axis]) <= 3.0);
    extents << (axis == 0 ? "floor columns " : "; floor rows ") << low[axis] << " ... "
            << high[axis] << ", corners at " << cornerLow[axis] << " ... " << cornerHigh[axis];
  }
  // The corner square at x, z = -5 ... -4 is white, lit alike in all channels; its neighbour at
  // x = -4 ... -3 is pale red, with less green than red.
  for (const double x : {-4.5, -3.5}) {
    const WindowPoint p = projectScenePoint(state, frame.width, frame.height, x, 0.0, -4.5);
    if (p.x >= 0.0 && p.x < frame.width && p.y >= 0.0 && p.y < frame.height) {
      const Pixel square = frame.at(static_cast<int>(p.x), static_cast<int>(p.y));
      const int redOverGreen = square.r - square.g;
      reached = reached && !isClearColour(square) &&
                (x < -4.0 ? redOverGreen < 3 : redOverGreen > 20);
      extents << "; square at " << x << " has red " << square.r << ", green " << square.g;
    }
  }
  return (reached ? ::testing::AssertionSuccess() : ::testing::AssertionFailure()) << extents.str();
}

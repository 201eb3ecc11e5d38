#include "view/camera.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kDistancePerPixel = 0.2;
constexpr double kDegreesPerPixel = 1.0;
constexpr double kMinimumDistance = 5.0;
constexpr double kFullTurn = 360.0;
constexpr double kLowestPitch = -90.0;  // straight down
constexpr double kHighestPitch = 0.0;   // level

// Only the button's own down and up switch its flag; other state values leave it alone.
void switchFlag(int& flag, int buttonState) {
  if (buttonState == kButtonDown) {
    flag = 1;
  } else if (buttonState == kButtonUp) {
    flag = 0;
  }
}

void zoom(CameraState& state, double dy) {
  float distance = static_cast<float>(state.cameraDistance + kDistancePerPixel * dy);
  if (distance < kMinimumDistance) {
    distance = static_cast<float>(kMinimumDistance);
  }
  state.cameraDistance = distance;
}

void orbit(CameraState& state, double dx, double dy) {
  // One wrap step per event, even when dx is 0: a yaw moved by more than a full turn in one
  // event stays outside 0 ... 360 until later events bring it back.
  float yaw = static_cast<float>(state.cameraYaw - kDegreesPerPixel * dx);
  if (yaw < 0.0f) {
    yaw = static_cast<float>(yaw + kFullTurn);
  } else if (yaw > kFullTurn) {
    yaw = static_cast<float>(yaw - kFullTurn);
  }
  state.cameraYaw = yaw;

  float pitch = static_cast<float>(state.cameraPitch - kDegreesPerPixel * dy);
  if (pitch < kLowestPitch) {
    pitch = static_cast<float>(kLowestPitch);
  } else if (pitch > kHighestPitch) {
    pitch = static_cast<float>(kHighestPitch);
  }
  state.cameraPitch = pitch;
}

}  // namespace

void cameraButton(CameraState& state, int button, int buttonState, int x, int y) {
  if (button == kLeftButton) {
    switchFlag(state.zoomDrag, buttonState);
  } else if (button == kRightButton) {
    switchFlag(state.orbitDrag, buttonState);
  }
  // Every button event moves the drag origin, so a drag starts where its button went down.
  state.lastX = x;
  state.lastY = y;
}

void cameraMotion(CameraState& state, int x, int y) {
  // Differences in double: pointer positions far outside the window must not overflow an int.
  const double dx = static_cast<double>(x) - state.lastX;
  const double dy = static_cast<double>(y) - state.lastY;
  if (state.zoomDrag == 1) {
    zoom(state, dy);
  }
  if (state.orbitDrag == 1) {
    orbit(state, dx, dy);
  }
  state.lastX = x;
  state.lastY = y;
}

void placeCamera(CameraState& state, double distance, double yaw, double pitch) {
  state.cameraDistance = static_cast<float>(std::max(distance, kMinimumDistance));
  // The remainder keeps the sign, so the start yaw of -30 stays -30 and draws the start picture
  // to the bit; 330 turns the same way but rounds a few pixels differently.
  state.cameraYaw = static_cast<float>(std::fmod(yaw, kFullTurn));
  state.cameraPitch = static_cast<float>(std::clamp(pitch, kLowestPitch, kHighestPitch));
}

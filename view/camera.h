// The orbit camera: right-drag orbits around the origin, left-drag moves nearer or farther.
//
// Plain arithmetic on CameraState, the camera's part of the viewer's state, callable without a
// window. cameraButton records which drag is
// active (left: zoom, right: orbit; other buttons only record the position) and where the pointer
// is; cameraMotion turns pointer movement during a drag into distance (0.2 per pixel, never below
// 5, no upper limit), yaw (a degree per pixel, one wrap step towards 0 ... 360 per event) and pitch
// (a degree per pixel, within -90 ... 0) changes, computed in double and stored as float. Any int
// position is accepted. The caller requests the redisplay.
//
// placeCamera puts the camera where a picture asks for it, within the same limits: the distance
// no nearer than 5, the pitch within -90 ... 0, the yaw taken modulo 360 with its sign kept (within
// -360 ... 360) however many turns it is away. Values that are not finite are the caller's to
// refuse.
#pragma once

// Where the camera is and the drag that moves it.
struct CameraState {
  float cameraDistance = 15.0f;  // scene units from the origin, never below 5
  float cameraYaw = -30.0f;      // degrees about the vertical axis
  float cameraPitch = -30.0f;    // degrees, within -90 (straight down) ... 0 (level)
  int zoomDrag = 0;              // 1 while the left button is held
  int orbitDrag = 0;             // 1 while the right button is held
  int lastX = 0;                 // pointer at the last button or drag event, window pixels
  int lastY = 0;
};

// Button and state numbers as the toolkit delivers them, spelled here so that the arithmetic and
// its callers need no toolkit header.
inline constexpr int kLeftButton = 0;
inline constexpr int kMiddleButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kButtonDown = 0;
inline constexpr int kButtonUp = 1;

void cameraButton(CameraState& state, int button, int buttonState, int x, int y);
void cameraMotion(CameraState& state, int x, int y);
void placeCamera(CameraState& state, double distance, double yaw, double pitch);

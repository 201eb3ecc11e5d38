// The orbit camera's arithmetic on a CameraState of the test's own, without a window.
#include <climits>
#include <tuple>

#include <gtest/gtest.h>

#include "model/obj_model.h"
#include "view/camera.h"

namespace {

constexpr float kPixelByPixelTolerance = 0.0001f;

// Delivers a straight drag from the last position to (x, y) one pixel at a time along each axis.
void moveByPixels(CameraState& state, int x, int y) {
  while (state.lastX != x || state.lastY != y) {
    const int nextX = state.lastX + (x > state.lastX) - (x < state.lastX);
    const int nextY = state.lastY + (y > state.lastY) - (y < state.lastY);
    cameraMotion(state, nextX, nextY);
  }
}

// A fresh state with `button` pressed at (x, y).
CameraState pressed(int button, int x, int y) {
  CameraState state;
  cameraButton(state, button, kButtonDown, x, y);
  return state;
}

// A motion event at (x, y) and the value a camera setting must have after it.
struct Step {
  int x;
  int y;
  float want;
};

// Whole pixels times 0.2 summed in double and rounded once land exactly on these values.
void expectSteps(CameraState& state, float CameraState::*setting,
                 std::initializer_list<Step> steps) {
  for (const Step& step : steps) {
    cameraMotion(state, step.x, step.y);
    EXPECT_EQ(state.*setting, step.want) << "after the motion to " << step.x << ", " << step.y;
  }
}

TEST(CameraTest, LeftDragZoomsByAFifthOfAUnitPerPixelAndStopsAtFive) {
  CameraState state = pressed(kLeftButton, 200, 100);
  EXPECT_EQ(state.zoomDrag, 1);
  // The limit holds the value, not the drag: the next move down starts from 5. No upper limit.
  expectSteps(state, &CameraState::cameraDistance,
              {Step{200, 200, 35}, Step{200, 100, 15}, Step{200, 50, 5}, Step{200, -4000, 5},
               Step{230, -3990, 7}, Step{230, 1010, 1007}});
  // A zoom never turns the camera; the drag ends with its own button's release only.
  EXPECT_EQ(state.cameraYaw, -30.0f);
  EXPECT_EQ(state.cameraPitch, -30.0f);
  cameraButton(state, kRightButton, kButtonUp, 0, 0);
  EXPECT_EQ(state.zoomDrag, 1);
  cameraButton(state, kLeftButton, kButtonUp, 0, 0);
  EXPECT_EQ(state.zoomDrag, 0);
}

TEST(CameraTest, ZoomIsComputedInDoubleAndRoundedOnceToFloat) {
  // 15 + 0.2 * 42 is 23.4; summed in single precision it would come out one step above.
  CameraState state = pressed(kLeftButton, 0, 0);
  cameraMotion(state, 0, 42);
  EXPECT_EQ(state.cameraDistance, 23.4f);
}

TEST(CameraTest, OrbitWrapsTheYawOnceAtEveryMotionEvent) {
  CameraState right = pressed(kRightButton, 320, 320);
  EXPECT_EQ(right.orbitDrag, 1);
  cameraMotion(right, 330, 320);
  EXPECT_EQ(right.cameraYaw, 320.0f);  // -30 - 10 = -40, wrapped
  EXPECT_EQ(right.cameraPitch, -30.0f);

  // Moving only vertically still wraps the start yaw; the view does not turn.
  CameraState vertical = pressed(kRightButton, 320, 320);
  cameraMotion(vertical, 320, 325);
  EXPECT_EQ(vertical.cameraYaw, 330.0f);
  EXPECT_EQ(vertical.cameraPitch, -35.0f);

  // Across 360 from below (370 wraps to 10), and exactly 360 and 0, which stay. One step only: a
  // turn of more than a full circle in one event stays outside 0 ... 360 until the next event
  // (860 - 360, then 140 - 900 + 360).
  expectSteps(vertical, &CameraState::cameraYaw,
              {Step{280, 325, 10}, Step{290, 325, 0}, Step{290, 325, 0}, Step{290 - 360, 325, 360},
               Step{290 - 360 - 500, 325, 500}, Step{290 - 360 - 500, 325, 140},
               Step{290 - 360 - 500 + 900, 325, -400}});
}

TEST(CameraTest, PitchStaysWithinStraightDownAndLevel) {
  CameraState state = pressed(kRightButton, 100, 100);
  // The clamp keeps the value, so moving back up raises the view at once.
  expectSteps(state, &CameraState::cameraPitch,
              {Step{100, 150, -80}, Step{100, 5000, -90}, Step{100, 4990, -80}, Step{100, -3000, 0},
               Step{100, -2960, -40}});
  // An orbit never changes the distance.
  EXPECT_EQ(state.cameraDistance, 15.0f);
}

TEST(CameraTest, DraggingUpStopsThePitchAtLevelPixelByPixel) {
  // From -30, 29 pixels up leave one degree below level and the 30th reaches it; pixels further up
  // keep it level, and the first pixel back down lowers the view at once.
  CameraState state = pressed(kRightButton, 100, 100);
  moveByPixels(state, 100, 71);
  expectSteps(
      state, &CameraState::cameraPitch,
      {Step{100, 71, -1}, Step{100, 70, 0}, Step{100, 69, 0}, Step{100, 68, 0}, Step{100, 69, -1}});
}

TEST(CameraTest, BothDragsAtOnceShareTheVerticalMovement) {
  CameraState state = pressed(kLeftButton, 100, 100);
  cameraButton(state, kRightButton, kButtonDown, 110, 90);  // the later press sets the origin
  cameraMotion(state, 115, 100);
  EXPECT_FLOAT_EQ(state.cameraDistance, 17.0f);
  EXPECT_EQ(state.cameraYaw, 325.0f);
  EXPECT_EQ(state.cameraPitch, -40.0f);
  // Releasing one leaves the other running.
  cameraButton(state, kLeftButton, kButtonUp, 115, 100);
  cameraMotion(state, 115, 110);
  EXPECT_FLOAT_EQ(state.cameraDistance, 17.0f);
  EXPECT_EQ(state.cameraPitch, -50.0f);
}

TEST(CameraTest, OtherButtonsAndStatesOnlyRecordThePosition) {
  CameraState state;
  const int otherEvents[][2] = {{kMiddleButton, kButtonDown},
                                {kMiddleButton, kButtonUp},
                                {3, kButtonDown},
                                {4, kButtonUp},
                                {-1, kButtonDown},
                                {kLeftButton, 2},
                                {kRightButton, -1}};
  int x = 10;
  for (const auto& event : otherEvents) {
    cameraButton(state, event[0], event[1], x, x + 1);
    EXPECT_EQ(std::tuple(state.zoomDrag, state.orbitDrag, state.lastX, state.lastY),
              std::tuple(0, 0, x, x + 1))
        << "button " << event[0] << " state " << event[1];
    x += 10;
  }
  // Unknown states leave a raised flag raised too.
  cameraButton(state, kRightButton, kButtonDown, 0, 0);
  cameraButton(state, kRightButton, 7, 0, 0);
  EXPECT_EQ(state.orbitDrag, 1);
  cameraButton(state, kRightButton, kButtonUp, 0, 0);

  // Motion without a drag (a middle-button drag) moves nothing but the recorded position.
  cameraButton(state, kMiddleButton, kButtonDown, 50, 50);
  cameraMotion(state, 400, -300);
  EXPECT_EQ(std::tuple(state.cameraDistance, state.cameraYaw, state.cameraPitch, state.lastX,
                       state.lastY),
            std::tuple(15.0f, -30.0f, -30.0f, 400, -300));
}

TEST(CameraTest, PixelByPixelDragsStayCloseToSingleEvents) {
  CameraState zoom = pressed(kLeftButton, 300, 300);
  moveByPixels(zoom, 300, 400);
  EXPECT_NEAR(zoom.cameraDistance, 35.0f, kPixelByPixelTolerance);
  EXPECT_NE(zoom.cameraDistance, 35.0f);  // the rounding of each step does show
  moveByPixels(zoom, 300, 300);
  EXPECT_NEAR(zoom.cameraDistance, 15.0f, kPixelByPixelTolerance);
  moveByPixels(zoom, 300, 250);
  EXPECT_NEAR(zoom.cameraDistance, 5.0f, kPixelByPixelTolerance);
  moveByPixels(zoom, 300, 100);
  EXPECT_EQ(zoom.cameraDistance, 5.0f);

  // The wrap happens at the first pixel; from there on the steps are whole degrees.
  CameraState orbit = pressed(kRightButton, 300, 300);
  moveByPixels(orbit, 310, 310);
  EXPECT_NEAR(orbit.cameraYaw, 320.0f, kPixelByPixelTolerance);
  EXPECT_NEAR(orbit.cameraPitch, -40.0f, kPixelByPixelTolerance);
  moveByPixels(orbit, 310, 400);
  EXPECT_EQ(orbit.cameraPitch, -90.0f);
}

TEST(CameraTest, PositionsFarOutsideTheWindowDoNotOverflow) {
  // The toolkit reports positions outside the window during a drag; the difference of two extreme
  // ints does not fit an int.
  CameraState state = pressed(kLeftButton, INT_MIN, INT_MIN);
  cameraButton(state, kRightButton, kButtonDown, INT_MIN, INT_MIN);
  cameraMotion(state, INT_MAX, INT_MAX);
  EXPECT_FLOAT_EQ(state.cameraDistance, static_cast<float>(15.0 + 0.2 * 4294967295.0));
  EXPECT_FLOAT_EQ(state.cameraYaw, static_cast<float>(-30.0 - 4294967295.0 + 360.0));
  EXPECT_EQ(state.cameraPitch, -90.0f);
  EXPECT_EQ(state.lastX, INT_MAX);
}

TEST(CameraTest, APlacedCameraKeepsTheDragsLimitsAndTakesTheYawModuloAFullTurn) {
  // Asked for and got: distance, yaw and pitch.
  CameraState state;
  for (const auto& [asked, got] : {std::pair<Vec3, Vec3>{{2, 725, 30}, {5, 5, 0}},
                                   {{1000, -750, -120}, {1000, -30, -90}},
                                   {{15, 360, -30}, {15, 0, -30}}}) {
    SCOPED_TRACE(testing::Message() << asked.x << ", " << asked.y << ", " << asked.z);
    placeCamera(state, asked.x, asked.y, asked.z);
    EXPECT_EQ(std::tuple(state.cameraDistance, state.cameraYaw, state.cameraPitch),
              std::tuple(got.x, got.y, got.z));
  }
}

}  // namespace

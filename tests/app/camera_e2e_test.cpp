// The real viewer under the test's X display, dragged with xdotool like a person with a mouse.
//
// The cameras the drags must give are worked out by hand from the documented rates (1 degree and
// 0.2 units per pixel), and where the floor's corners then land on screen by this test's own
// projection. The viewer's window must show the floor reaching exactly that far, which also tells
// the test that the viewer has caught up with the drag. Zoom steps are 10 pixels, exactly 2 units,
// the orbit reaches no pitch limit and turns by less than a full circle, so the camera values come
// out the same even if the motion arrives in fewer, larger events.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/viewer_state.h"
#include "tests/support/e2e.h"
#include "tests/support/gl_test_window.h"

namespace {

constexpr int kWindowSize = 640;

// X numbers buttons from 1.
constexpr int kXLeft = 1;
constexpr int kXMiddle = 2;
constexpr int kXRight = 3;

struct Point {
  int x;
  int y;
};

// A press at the first point, one motion to each later point, a release at the last.
struct Drag {
  int xButton;
  std::vector<Point> path;
};

std::string xdotoolCommand(unsigned long window, const Drag& drag) {
  std::ostringstream command;
  const auto moveTo = [&](const Point& p) {
    command << " mousemove --window " << window << ' ' << p.x << ' ' << p.y;
  };
  command << "xdotool";
  moveTo(drag.path.front());
  command << " mousedown " << drag.xButton;
  for (std::size_t i = 1; i < drag.path.size(); ++i) {
    moveTo(drag.path[i]);
  }
  command << " mouseup " << drag.xButton;
  return command.str();
}

ViewerState camera(float yaw, float pitch, float distance) {
  ViewerState state;
  state.camera.cameraYaw = yaw;
  state.camera.cameraPitch = pitch;
  state.camera.cameraDistance = distance;
  return state;
}

class CameraE2eTest : public ViewerFixture {
 protected:
  // Drags, then waits for the floor as `expected` sees it; the frame is left in `seen`.
  ::testing::AssertionResult dragShows(const Drag& drag, const ViewerState& expected) {
    if (!runTool(xdotoolCommand(viewer.window, drag))) {
      return ::testing::AssertionFailure() << "xdotool failed";
    }
    waitForCapture(
        viewer.window, [&](const Frame& f) { return showsFloorAsSeenBy(f, expected); },
        kFrameTimeoutMs, seen);
    return showsFloorAsSeenBy(seen, expected);
  }
  Frame seen;
};

TEST_F(CameraE2eTest, DragsOrbitAndZoomTheRealViewerExactlyAsTheArithmeticSays) {
  const Point centre = {kWindowSize / 2, kWindowSize / 2};  // where startViewer leaves the pointer
  const Drag orbitDrag = {kXRight, {centre, {335, 320}, {350, 330}, {365, 340}}};
  const Drag zoomOutDrag = {kXLeft, {{365, 340}, {365, 350}, {365, 360}, {365, 370}}};
  const Drag middleDrag = {kXMiddle, {{365, 370}, {300, 300}, {200, 250}, {250, 400}}};
  const Drag zoomInDrag = {kXLeft, {{250, 400}, {250, 390}}};
  // -30 turned by 15 px wraps to 315, then twice 15 more to 285; the pitch -30 falls by the 20 px
  // the pointer went down. 15 units away, then 6 more, then 2 fewer.
  const ViewerState orbited = camera(285.0f, -50.0f, 15.0f);
  const ViewerState zoomed = camera(285.0f, -50.0f, 21.0f);
  const ViewerState last = camera(285.0f, -50.0f, 19.0f);

  viewer = startViewer(PALVETTA_BINARY);
  ASSERT_NE(viewer.window, 0UL) << "the viewer's window did not appear";
  ASSERT_TRUE(showsBaseline(viewer.window, "floor_640")) << "the first frame";
  EXPECT_TRUE(showsFloorAsSeenBy(captureWindow(viewer.window), ViewerState()));

  ASSERT_TRUE(dragShows(orbitDrag, orbited)) << "after the orbit";
  const Frame afterOrbit = seen;
  ASSERT_TRUE(dragShows(zoomOutDrag, zoomed)) << "after the zoom";
  // Moving from 15 to 21 units away shrinks the floor to about (15 / 21)^2 of its area.
  const int floorBefore = countNotClear(afterOrbit);
  const int floorAfter = countNotClear(seen);
  EXPECT_LT(floorAfter, floorBefore * 6 / 10);
  EXPECT_GT(floorAfter, floorBefore * 4 / 10);

  // A middle drag moves nothing. The left drag after it shows, by where the floor then reaches,
  // that the viewer has taken every event of the middle drag and moved only by the left one.
  ASSERT_TRUE(runTool(xdotoolCommand(viewer.window, middleDrag)));
  EXPECT_TRUE(dragShows(zoomInDrag, last)) << "after the last drag";
}

}  // namespace

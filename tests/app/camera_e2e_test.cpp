// The real viewer under the test's X display, dragged with xdotool like a person with a mouse.
//
// Every drag is replayed on a ViewerState through the same button and motion calls the viewer
// receives, and each resulting camera is rendered here in a window of the viewer's size. The
// viewer's window must then show exactly that frame: the test waits for pixel identity, which also
// tells it that the viewer has caught up with the drag. Zoom steps are 10 pixels, exactly 2 units,
// the orbit reaches no pitch limit and turns by less than a full circle, so the camera values would
// come out the same even if the motion arrived in fewer, larger events.
#include <GL/freeglut.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/viewer_state.h"
#include "tests/support/e2e.h"
#include "tests/support/gl_test_window.h"
#include "view/camera.h"

namespace {

constexpr int kWindowSize = 640;
constexpr int kFrameTimeoutMs = 10000;
constexpr int kQuietMs = 300;

// X numbers buttons from 1, the toolkit from 0.
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

void replay(ViewerState& state, const Drag& drag) {
  const int button = drag.xButton - 1;
  cameraButton(state, button, kButtonDown, drag.path.front().x, drag.path.front().y);
  for (std::size_t i = 1; i < drag.path.size(); ++i) {
    cameraMotion(state, drag.path[i].x, drag.path[i].y);
  }
  cameraButton(state, button, kButtonUp, drag.path.back().x, drag.path.back().y);
}

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

// The highest point of the floor on screen: the middle of the topmost row that is not all clear.
Point topOfFloor(const Frame& frame) {
  for (int y = frame.height - 1; y >= 0; --y) {
    int first = -1;
    int last = -1;
    for (int x = 0; x < frame.width; ++x) {
      if (!isClearColour(frame.at(x, y))) {
        first = first < 0 ? x : first;
        last = x;
      }
    }
    if (first >= 0) {
      return {(first + last) / 2, y};
    }
  }
  return {-1, -1};
}

struct Expected {
  Frame frame;
  Point farCorner;  // where the floor corner at x 5, z -5 lands, window coordinates
};

// Renders each camera in a window of the viewer's size, then closes the window before the viewer
// starts, so that nothing of this process lies over or under the viewer's window.
std::vector<Expected> renderExpected(const std::vector<const ViewerState*>& states) {
  std::vector<Expected> expected;
  const int window = openSceneWindow(kWindowSize, kWindowSize);
  for (const ViewerState* state : states) {
    Expected e;
    e.frame = renderFrame(*state);
    double winX = 0.0;
    double winY = 0.0;
    projectPoint(5.0, 0.0, -5.0, winX, winY);
    e.farCorner = {static_cast<int>(winX), static_cast<int>(winY)};
    expected.push_back(std::move(e));
  }
  closeSceneWindow(window);
  glutMainLoopEvent();
  return expected;
}

class CameraE2eTest : public ViewerFixture {};

TEST_F(CameraE2eTest, DragsOrbitAndZoomTheRealViewerExactlyAsTheArithmeticSays) {
  const Point centre = {kWindowSize / 2, kWindowSize / 2};  // where startViewer leaves the pointer
  const Drag orbitDrag = {kXRight, {centre, {335, 320}, {350, 330}, {365, 340}}};
  const Drag zoomOutDrag = {kXLeft, {{365, 340}, {365, 350}, {365, 360}, {365, 370}}};
  const Drag middleDrag = {kXMiddle, {{365, 370}, {300, 300}, {200, 250}, {250, 400}}};
  const Drag zoomInDrag = {kXLeft, {{250, 400}, {250, 390}}};

  ViewerState start;
  ViewerState orbited;
  replay(orbited, orbitDrag);
  ViewerState zoomed;
  replay(zoomed, orbitDrag);
  replay(zoomed, zoomOutDrag);
  ViewerState last;
  replay(last, orbitDrag);
  replay(last, zoomOutDrag);
  replay(last, middleDrag);
  replay(last, zoomInDrag);
  // -30 turned by 15 px wraps to 315, then twice 15 more to 285; the pitch follows dy.
  EXPECT_FLOAT_EQ(orbited.cameraYaw, 285.0f);
  EXPECT_FLOAT_EQ(orbited.cameraPitch, -50.0f);
  EXPECT_FLOAT_EQ(zoomed.cameraDistance, 21.0f);
  EXPECT_FLOAT_EQ(last.cameraDistance, 19.0f);

  const std::vector<Expected> expected = renderExpected({&start, &orbited, &zoomed, &last});

  viewer = startViewer(PALVETTA_BINARY);
  ASSERT_NE(viewer.window, 0UL) << "the viewer's window did not appear";
  Frame seen;
  ASSERT_TRUE(waitForFrame(viewer.window, expected[0].frame, kFrameTimeoutMs, seen))
      << countDifferentPixels(seen, expected[0].frame) << " pixels differ in the first frame";
  const Frame first = seen;

  ASSERT_TRUE(runTool(xdotoolCommand(viewer.window, orbitDrag)));
  ASSERT_TRUE(waitForFrame(viewer.window, expected[1].frame, kFrameTimeoutMs, seen))
      << countDifferentPixels(seen, expected[1].frame) << " pixels differ after the orbit";
  const Frame afterOrbit = seen;

  ASSERT_TRUE(runTool(xdotoolCommand(viewer.window, zoomOutDrag)));
  ASSERT_TRUE(waitForFrame(viewer.window, expected[2].frame, kFrameTimeoutMs, seen))
      << countDifferentPixels(seen, expected[2].frame) << " pixels differ after the zoom";
  const Frame afterZoom = seen;

  // The orbit swings the floor's far corner, the topmost point of the floor, across the screen.
  const Point cornerBefore = topOfFloor(first);
  const Point cornerAfter = topOfFloor(afterOrbit);
  EXPECT_NEAR(cornerBefore.x, expected[0].farCorner.x, 3);
  EXPECT_NEAR(cornerBefore.y, expected[0].farCorner.y, 3);
  EXPECT_NEAR(cornerAfter.x, expected[1].farCorner.x, 3);
  EXPECT_NEAR(cornerAfter.y, expected[1].farCorner.y, 3);
  EXPECT_GT(std::abs(cornerAfter.x - cornerBefore.x) + std::abs(cornerAfter.y - cornerBefore.y),
            40);
  // Moving from 15 to 21 units away shrinks the floor to about (15 / 21)^2 of its area.
  const int floorBefore = countNotClear(afterOrbit);
  const int floorAfter = countNotClear(afterZoom);
  EXPECT_LT(floorAfter, floorBefore * 6 / 10);
  EXPECT_GT(floorAfter, floorBefore * 4 / 10);

  // A middle drag redraws but moves nothing. The left drag after it is there to show, by its
  // exact frame, that the viewer has taken every event of the middle drag.
  ASSERT_TRUE(runTool(xdotoolCommand(viewer.window, middleDrag)));
  EXPECT_FALSE(waitForFrameChange(viewer.window, afterZoom, kQuietMs));
  ASSERT_TRUE(runTool(xdotoolCommand(viewer.window, zoomInDrag)));
  EXPECT_TRUE(waitForFrame(viewer.window, expected[3].frame, kFrameTimeoutMs, seen))
      << countDifferentPixels(seen, expected[3].frame) << " pixels differ after the last drag";
}

}  // namespace

#include "tests/support/gl_test_window.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include "app/load_command.h"
#include "model/normalize.h"
#include "model/obj_reader.h"
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

Frame renderFrame(const ViewerState& state) {
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  drawScene(state);
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

bool projectPoint(double x, double y, double z, double& winX, double& winY) {
  GLdouble modelview[16];
  GLdouble projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  double winZ = 0.0;
  return gluProject(x, y, z, modelview, projection, viewport, &winX, &winY, &winZ) == GL_TRUE;
}

Frame renderViewerFrame(const ViewerState& state) {
  const int window = openSceneWindow(kViewerWindowSize, kViewerWindowSize);
  Frame frame = renderFrame(state);
  closeSceneWindow(window);
  glutMainLoopEvent();
  return frame;
}

ViewerState loadedState(const std::filesystem::path& path) {
  ViewerState state;
  const std::filesystem::path start = std::filesystem::current_path();
  std::filesystem::current_path(path.parent_path());
  state.model = loadObjModel(path.filename().string().c_str());
  std::filesystem::current_path(start);
  state.floorOffset = normalizeModel(state.model.get(), kModelSize);
  return state;
}

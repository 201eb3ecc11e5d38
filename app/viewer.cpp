#include "app/viewer.h"

#include <GL/freeglut.h>

#include <iostream>

#include "app/load_command.h"
#include "platform/open_file_dialog.h"
#include "platform/process.h"
#include "view/camera.h"
#include "view/scene.h"

ViewerState viewerState;

namespace {

// One line on standard error, which on Windows first has to find the console the viewer was
// started from.
void say(const std::string& line) {
  attachParentConsole();
  std::cerr << line << '\n';
}

}  // namespace

void display() {
  drawScene(viewerState.camera, viewerState.model.get(), viewerState.floorOffset);
  glutSwapBuffers();
  // Whatever the chooser left to tidy waits until the model it chose is on screen.
  releaseObjFileChooser();
}

void mouse(int button, int state, int x, int y) {
  cameraButton(viewerState.camera, button, state, x, y);
  if (state == GLUT_UP) {
    glutPostRedisplay();  // a released drag shows the full model again at once
  }
}

void motion(int x, int y) {
  cameraMotion(viewerState.camera, x, y);
  glutPostRedisplay();
}

void keyboard(unsigned char key, int /*x*/, int /*y*/) {
  Failure failure;
  if (loadCommand(viewerState, key, chooseObjFile, failure)) {
    glutPostRedisplay();
  }
  if (failure) {
    say(*failure);
  }
}

void openNamedFile(const std::string& file) {
  std::string note;
  const Failure failure = loadModel(viewerState, file, LoadWay::named, note);
  if (failure || !note.empty()) {
    say(failure.value_or(note));
  }
}

void openDroppedFile(const std::string& file) {
  if (viewerState.choosingFile) {
    return;
  }
  openNamedFile(file);
  glutPostRedisplay();
}

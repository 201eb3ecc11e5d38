#include "app/viewer.h"

#include <GL/freeglut.h>

#include <iostream>

#include "app/load_command.h"
#include "app/options.h"
#include "platform/open_file_dialog.h"
#include "platform/process.h"
#include "view/camera.h"
#include "view/scene.h"

ViewerState viewerState;

void display() {
  drawScene(viewerState);
  glutSwapBuffers();
  // Whatever the chooser left to tidy waits until the model it chose is on screen.
  releaseObjFileChooser();
}

void mouse(int button, int state, int x, int y) {
  cameraButton(viewerState, button, state, x, y);
}

void motion(int x, int y) {
  cameraMotion(viewerState, x, y);
  glutPostRedisplay();
}

void keyboard(unsigned char key, int /*x*/, int /*y*/) {
  if (loadCommand(viewerState, key, chooseObjFile)) {
    glutPostRedisplay();
  }
}

void openCommandLineFile(const std::string& file) {
  if (const Failure failure = openModelFile(viewerState, file)) {
    attachParentConsole();
    std::cerr << *failure << '\n';
  }
}

void openDroppedFile(const std::string& file) {
  if (viewerState.choosingFile) {
    return;
  }
  openCommandLineFile(file);
  glutPostRedisplay();
}

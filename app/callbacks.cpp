#include "app/callbacks.h"

#include <GL/freeglut.h>

#include "view/camera.h"
#include "view/scene.h"

ViewerState viewerState;

void display() {
  drawScene(viewerState);
  glutSwapBuffers();
}

void mouse(int button, int state, int x, int y) {
  cameraButton(viewerState, button, state, x, y);
}

void motion(int x, int y) {
  cameraMotion(viewerState, x, y);
  glutPostRedisplay();
}

void keyboard(unsigned char /*key*/, int /*x*/, int /*y*/) {}

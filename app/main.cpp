// Palvetta: a viewer for OBJ models. Opens the window, registers the callbacks, sets the render
// state that stays fixed for the run and hands over to the event loop.
#include <GL/freeglut.h>

#include "app/callbacks.h"
#include "view/scene.h"

int main(int argc, char** argv) {
  glutInit(&argc, argv);
  // freeglut on X11 adds a depth buffer only when asked for one.
  glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(640, 640);
  glutInitWindowPosition(0, 0);
  glutCreateWindow("Palvetta");
  glutDisplayFunc(display);
  glutReshapeFunc(reshape);
  glutMouseFunc(mouse);
  glutMotionFunc(motion);
  glutKeyboardFunc(keyboard);
  initRenderState();
  glutMainLoop();
  return 0;
}

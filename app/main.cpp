// Palvetta: a viewer for OBJ models. Reads its own command line, opens the window, registers the
// callbacks and the drop target, sets the render state that stays fixed for the run, shows the
// model named on the command line if there is one, and hands over to the event loop. A picture
// asked for on the command line is drawn without the window.
#include <GL/freeglut.h>

#include <iostream>

#include "app/options.h"
#include "app/render_command.h"
#include "app/viewer.h"
#include "platform/display_scale.h"
#include "platform/file_drop.h"
#include "platform/process.h"
#include "platform/window_identity.h"
#include "view/scene.h"

int main(int argc, char** argv) {
  keepFreedMemory();
  const CommandLine commandLine = parseCommandLine(commandLineArguments(argc, argv));
  if (commandLine.action == CommandLineAction::render) {
    attachParentConsole();
    return renderPicture(commandLine, std::cerr);
  }
  if (commandLine.action != CommandLineAction::view) {
    attachParentConsole();
    return answerCommandLine(commandLine, std::cout, std::cerr);
  }
  glutInit(&argc, argv);
  // freeglut on X11 adds a depth buffer only when asked for one.
  glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
  // The same size to the eye on every display, drawn at the display's own resolution.
  glutInitWindowSize(scaledToDisplay(kWindowSize), scaledToDisplay(kWindowSize));
  glutInitWindowPosition(0, 0);
  glutCreateWindow("Palvetta");
  setWindowIdentity();
  acceptFileDrops(openDroppedFile);
  glutDisplayFunc(display);
  glutReshapeFunc(reshape);
  glutMouseFunc(mouse);
  glutMotionFunc(motion);
  glutKeyboardFunc(keyboard);
  glutCloseFunc(closeWindow);
  initRenderState();
  viewerState.reading = commandLine.reading;
  if (commandLine.file) {
    openNamedFile(*commandLine.file);
  }
  glutMainLoop();
  return 0;
}

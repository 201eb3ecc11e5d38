// The toolkit callbacks and the one ViewerState they share.
//
// Each callback is thin: it passes its arguments to a plain function on viewerState and asks for
// a redraw where the picture may have changed. reshape comes from view/scene.h.
#pragma once

#include <string>

#include "app/viewer_state.h"

extern ViewerState viewerState;

void display();
void mouse(int button, int state, int x, int y);
void motion(int x, int y);
// keyboard: "l" loads the file chosen in the open-file dialog; Escape stops a whole reading that
// runs, leaving the model on display (see app/background_reading.h).
void keyboard(unsigned char key, int x, int y);

// Shows the model FILE named on the command line or dropped on the window, loaded as named (see
// load_command.h): what the load has to say, why it changed nothing or what it left out, goes to
// standard error in one line. The whole reading reads on a worker thread while the window answers
// and draws a progress bar over the model it had, once the reading has run a quarter of a second;
// a toolkit timer then puts the model on display and says what there is to say. A load asked for
// while one reads stops that one first.
void openNamedFile(const std::string& file);

// The drop handler: openNamedFile, then a redraw. Nothing happens while the open-file dialog is
// open.
void openDroppedFile(const std::string& file);

// The window closes and the program ends: a reading that runs is stopped and its thread waited
// for.
void closeWindow();

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
void keyboard(unsigned char key, int x, int y);

// Shows the model FILE named on the command line before the first frame; when it cannot be
// loaded, says why on standard error and leaves the floor alone.
void openCommandLineFile(const std::string& file);

// Shows the model FILE dropped on the window as openCommandLineFile would, and redraws. A FILE that
// cannot be loaded (a folder, a device, a file that cannot be read) leaves everything as it was,
// the model and the current directory included, and is named on standard error in the same way.
// Nothing happens while the open-file dialog is open.
void openDroppedFile(const std::string& file);

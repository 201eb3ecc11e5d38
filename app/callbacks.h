// The toolkit callbacks and the one ViewerState they share.
//
// Each callback is thin: it passes its arguments to a plain function on viewerState and asks for
// a redraw where the picture may have changed. reshape comes from view/scene.h.
#pragma once

#include "app/viewer_state.h"

extern ViewerState viewerState;

void display();
void mouse(int button, int state, int x, int y);
void motion(int x, int y);
void keyboard(unsigned char key, int x, int y);

// Fits the model on display to the floor (see model/normalize.h) and returns its floor offset.
float normalizeModel(float target);

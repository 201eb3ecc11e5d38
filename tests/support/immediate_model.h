// The plain way to draw a model: drawScene's floor, with the model sent vertex by vertex in
// immediate mode, each triangle in the colour its model's colouring gives it. The reference that
// the viewer's vertex arrays must match pixel for pixel, in both readings; the frame benchmark
// times both.
#pragma once

#include "app/viewer_state.h"

void drawSceneImmediately(const ViewerState& state);

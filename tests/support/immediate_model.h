// The plain way to draw a model of the whole reading: drawScene's frame, with the model sent vertex
// by vertex in immediate mode as the specified reading is drawn, and a triangle without a material
// in white. The reference that the viewer's vertex arrays must match pixel for pixel; the frame
// benchmark times both.
#pragma once

#include "app/viewer_state.h"

void drawSceneImmediately(const ViewerState& state);

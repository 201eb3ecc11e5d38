// The scene: a lit 10 x 10 checkerboard floor and the current model standing on it.
//
// initRenderState sets the light and the OpenGL state that stays fixed for the run; call it once,
// with the window's context current. reshape fits the viewport and a 45-degree perspective to the
// window (a height of 0 is taken as 1). drawScene draws one frame into the back buffer from the
// camera values and model in ViewerState, without swapping, so a test can read the pixels; it
// relies on the state initRenderState left and on reshape having selected the projection.
//
// Triangles with any vertex or normal index outside its list are skipped: drawing never reads
// outside the model's lists.
#pragma once

#include "app/viewer_state.h"

void initRenderState();
void reshape(int width, int height);
void drawScene(const ViewerState& state);

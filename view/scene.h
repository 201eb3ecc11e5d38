// The scene: a lit 10 x 10 checkerboard floor and the current model standing on it.
//
// initRenderState sets the light and the OpenGL state that stays fixed for the run; call it once,
// with the window's context current. reshape fits the viewport and a 45-degree perspective to the
// window (a height of 0 is taken as 1). drawScene draws one frame into the back buffer from the
// camera values and model in ViewerState, without swapping, so a test can read the pixels; it
// relies on the state initRenderState left and on reshape having selected the projection.
//
// A model of the specified reading is sent vertex by vertex (immediate mode); a triangle without a
// material keeps the colour in force. A model of the whole reading, which may have millions of
// triangles, goes through client-side vertex arrays, a bounded piece at a time, with the same
// pixels as sending it vertex by vertex; a triangle without a material is white.
//
// Triangles with any vertex or normal index outside its list are skipped: drawing never reads
// outside the model's lists.
#pragma once

#include "app/viewer_state.h"

void initRenderState();
void reshape(int width, int height);
void drawScene(const ViewerState& state);

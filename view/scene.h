// The scene: a lit 10 x 10 checkerboard floor and a model standing on it.
//
// initRenderState sets the light and the OpenGL state that stays fixed for the run; call it once,
// with the window's context current. reshape fits the viewport and a 45-degree perspective to the
// window (a height of 0 is taken as 1). drawScene draws one frame into the back buffer from the
// camera and, when there is one, the model lowered by `floorOffset`, without swapping, so a test
// can read the pixels; it relies on the state initRenderState left and on reshape having selected
// the projection.
//
// A model, which may have millions of triangles, goes through client-side vertex arrays, a bounded
// piece at a time, with the same pixels as sending it vertex by vertex, in the colours its
// `colouring` gives it. What it needs of the OpenGL context is made the first time it is drawn
// and kept in the model (`drawingObjects`), so a model is drawn in one context only, and goes
// before that context does.
//
// Triangles with any vertex or normal index outside its list are skipped: drawing never reads
// outside the model's lists.
#pragma once

#include "model/obj_model.h"
#include "view/camera.h"

void initRenderState();
void reshape(int width, int height);
void drawScene(const CameraState& camera, const ObjModel* model, float floorOffset);

// How the model's drawing objects go: with the model's context current.
void freeDrawingObjects(DrawingObjects* objects);

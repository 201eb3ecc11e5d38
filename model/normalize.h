// normalizeModel: fits a freshly loaded model to the floor.
//
// Scales every position uniformly about the origin so that the larger of the model's x and z
// extents becomes `target`, and returns the scaled lowest y: the height by which drawing lowers the
// model so that its lowest point rests on y = 0. The model is not centred; normals, texture
// coordinates and indices are left alone. Arithmetic is in single precision.
//
// Bad input: no model or no positions gives 0 and changes nothing. Bounds come from finite
// components only, so NaN or infinite coordinates never set them. When the extent is not a
// positive finite number (a single point, a vertical line, no finite x or z) or scaling would
// overflow, the positions stay as they are and the result is the lowest finite y (0 if none).
//
// placeWholeModel fits a model of the whole reading: only the positions its triangles use count.
// It scales uniformly so that the largest of the x, y and z extents becomes `target`, and moves the
// model so that the middle of its x and z ranges lies over the origin (the middle of the floor) and
// its lowest point on y = 0. Every position is moved alike, in double precision and rounded once.
// Returns the floor offset for drawing: 0, as the positions themselves now stand on the floor.
// Bad input as above: bounds come from finite components of in-range corners only; with no such
// corner nothing moves; an extent that is not a positive finite number (a single point) or a scale
// that is not finite leaves the size alone and only moves the model.
#pragma once

#include "model/obj_model.h"

float normalizeModel(ObjModel* model, float target);
float placeWholeModel(ObjModel* model, float target);

// A whole model made in code for the drawing benchmarks: a unit sphere of `rings` rings of
// `segments` quads, 2 x rings x segments triangles wound counter-clockwise seen from outside, with
// a normal a position, in bands of `ringsPerBand` rings of two materials by turns, orange and blue.
#pragma once

#include <memory>

#include "model/obj_model.h"

std::unique_ptr<ObjModel> bandedSphere(int rings, int segments, int ringsPerBand);

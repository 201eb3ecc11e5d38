// The model drawn while the camera moves: a large model costs too much to draw at every step of a
// drag, so drawing takes a simplified one in its place until the button is released.
//
// simplifiedModel makes one of at most about kMostMovingTriangles triangles from a model of more,
// in the same place and with the same outline to within a pixel or two at the window's size, its
// triangles keeping their materials and texture coordinates. Null for a model of at most
// kMostMovingTriangles triangles. Plain C++, callable on any thread.
#pragma once

#include <cstdint>
#include <memory>

#include "model/obj_model.h"

inline constexpr int32_t kMostMovingTriangles = 300000;

std::unique_ptr<ObjModel> simplifiedModel(const ObjModel& model);

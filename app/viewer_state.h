// ViewerState: everything that outlives one toolkit callback.
//
// One instance lives for the whole run (see viewer.h). Every load writes `model` and
// `floorOffset`, the load command `choosingFile` too; the orbit camera writes the camera fields,
// the drag flags and the last pointer position; `reading` is set once, from the command line;
// drawing only reads. A record of plain fields: tests build their own.
#pragma once

#include <memory>

#include "model/obj_model.h"

// How every model of the run is read and drawn: the specified subset with its capacities, or the
// whole reading of the files people have.
enum class Reading { specified, whole };

struct ViewerState {
  std::unique_ptr<ObjModel> model;  // the model on display, or none
  float floorOffset = 0.0f;         // how far drawing lowers the model, scene units
  float cameraDistance = 15.0f;     // scene units from the origin, never below 5
  float cameraYaw = -30.0f;         // degrees about the vertical axis
  float cameraPitch = -30.0f;       // degrees, within -90 (straight down) ... 0 (level)
  int zoomDrag = 0;                 // 1 while the left button is held
  int orbitDrag = 0;                // 1 while the right button is held
  int lastX = 0;                    // pointer at the last button or drag event, window pixels
  int lastY = 0;
  Reading reading = Reading::specified;  // how every model of the run is read, and so drawn
  bool choosingFile = false;             // the open-file dialog is open: drops are not taken
};

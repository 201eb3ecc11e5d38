// ViewerState: everything that outlives one toolkit callback.
//
// One instance lives for the whole run (see viewer.h). Every load writes `model` and
// `floorOffset`, the load command `choosingFile` too; the orbit camera writes `camera`; `reading`
// is set once, from the command line; drawing only reads. A whole reading that runs on a worker
// thread while the window answers is `background` (app/background_reading.h); letting it go stops
// the reading and waits for its thread. A record of plain fields: tests build their own.
#pragma once

#include <memory>

#include "model/obj_model.h"
#include "view/camera.h"

// How every model of the run is read: the specified subset with its capacities, or the whole
// reading of the files people have. The model itself says how it is drawn.
enum class Reading { specified, whole };

// Made and let go by app/background_reading.h alone, so the state needs nothing of it elsewhere.
struct BackgroundReading;
using BackgroundReadingHandle = std::unique_ptr<BackgroundReading, void (*)(BackgroundReading*)>;

struct ViewerState {
  std::unique_ptr<ObjModel> model;       // the model on display, or none
  float floorOffset = 0.0f;              // how far drawing lowers the model, scene units
  CameraState camera;                    // the camera and the drag that moves it
  Reading reading = Reading::specified;  // how every model of the run is read
  bool choosingFile = false;             // the open-file dialog is open: drops are not taken
  BackgroundReadingHandle background{nullptr, nullptr};  // the whole reading that runs, or none
};

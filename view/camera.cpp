#include "view/camera.h"

void cameraButton(ViewerState& /*state*/, int /*button*/, int /*buttonState*/, int /*x*/,
                  int /*y*/) {}

void cameraMotion(ViewerState& /*state*/, int /*x*/, int /*y*/) {}

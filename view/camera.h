// The orbit camera: right-drag orbits around the origin, left-drag moves nearer or farther.
//
// Plain arithmetic on ViewerState, callable without a window. cameraButton records which drag is
// active and where the pointer is; cameraMotion turns pointer movement during a drag into distance
// (never below 5), yaw and pitch (within -90 ... 0) changes. The caller requests the redisplay.
#pragma once

#include "app/viewer_state.h"

void cameraButton(ViewerState& state, int button, int buttonState, int x, int y);
void cameraMotion(ViewerState& state, int x, int y);

// palvetta --render OUT / --thumbnail OUT: the picture the window would show first, made without a
// window, a display or an X server.
//
// renderPicture goes through the same load as the command line, in the reading it asks for (FILE's
// folder becomes the current directory, so OUT is made absolute first), and the same drawing as
// the window: the render state, reshape to N x N and the scene from the start camera or the one
// asked for, brought within the camera's limits. It writes the frame to OUT as an 8-bit RGB PNG and
// returns the exit status:
//   0  the picture is written (after one line on `err` when the default reading left faces out);
//   1  FILE cannot be read, a thumbnail's FILE has no triangle to draw, nothing can be drawn
//      without a window, or OUT cannot be written: one line on `err` says which, and no picture
//      is left at OUT;
//   2  pictures are not made on this platform (Windows): one line on `err`.
#pragma once

#include <iosfwd>

#include "app/options.h"

int renderPicture(const CommandLine& commandLine, std::ostream& err);

// Frames kept as PNG files: the committed baselines that the frame tests compare with, and the
// pictures the viewer writes.
//
// A Frame holds its rows bottom-up, as OpenGL reads them; a PNG holds them top-down. Both helpers
// turn the rows over, so a frame read back equals the frame written. A file that is missing or not
// an 8-bit RGB or RGBA PNG reads as an empty Frame.
//
// Software rendering rounds a few shaded pixels one level apart from one CPU to another, so a frame
// matches its baseline when no channel of any pixel is more than kBaselineTolerance away. Anything
// the drawing really changes (a model moved, a colour or a light wrong) moves whole areas by more.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "tests/support/gl_test_window.h"

inline constexpr int kBaselineTolerance = 2;

Frame readPngFrame(const std::string& path);
bool writePngFrame(const std::string& path, const Frame& frame);

// The committed baseline `name` (for example "torus_640"), from tests/data/frames.
Frame baselineFrame(const std::string& name);

// Pixels of `frame` further than kBaselineTolerance from `baseline`; every pixel when the sizes
// differ.
int countMismatches(const Frame& frame, const Frame& baseline);

// A gtest check that `frame` matches the baseline `name`. On a mismatch it writes the frame next
// to the build's failed-frames folder, as NAME-actual.png, so that the difference can be seen.
::testing::AssertionResult matchesBaseline(const Frame& frame, const std::string& name);

// Reading what a window on the test's X display shows, as a person would see it.
//
// Window contents are read with XGetImage into a Frame, bottom row first like glReadPixels. A
// window that vanishes mid-capture gives an empty Frame, never an X error that ends the test.
#pragma once

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/gl_test_window.h"

// The window's contents as they are on screen now; an empty Frame if the window cannot be read.
Frame captureWindow(unsigned long window);

// Polls captures of `window` until one meets `condition`, leaving it in `last`; false on timeout.
bool waitForCapture(unsigned long window, const std::function<bool(const Frame&)>& condition,
                    int timeoutMs, Frame& last);

// Waits for `window` to show the committed baseline `name` (see png_frame.h); on timeout fails as
// matchesBaseline does, with the last capture.
::testing::AssertionResult showsBaseline(unsigned long window, const std::string& name);

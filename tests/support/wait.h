// Waiting in tests: for a condition, polled, never for a fixed time.
//
// The limits are generous upper bounds, because the sanitizer build and Wine start slowly; a
// condition that holds ends the wait at once.
#pragma once

#include <functional>

constexpr int kViewerStartTimeoutMs = 20000;
constexpr int kViewerStopTimeoutMs = 3000;
constexpr int kDialogTimeoutMs = 20000;
constexpr int kFrameTimeoutMs = 20000;

// Polls `condition` until it holds; false when it has not within `timeoutMs`.
bool waitFor(const std::function<bool()>& condition, int timeoutMs);

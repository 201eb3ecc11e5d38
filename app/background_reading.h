// A whole reading on a worker thread, so that the window keeps answering while a large file reads.
//
// startReading stops the reading that runs, if any, waits for its thread and lets it go, then
// reads `path` as `way` says in the whole reading on a thread of its own: readModelFile
// (load_command.h), then the simplified model drags draw (model/simplified_model.h), and nothing
// else, so the worker makes no toolkit or OpenGL call and touches no ViewerState. A newer load wins: the one before is stopped, and nothing is said about it. When no
// thread can be made, the file is read there and then.
//
// Everything else runs on the main thread. finishReading, called every kReadingWatchMs while
// `state.background` is there, does nothing until the reading has ended; then it lets the reading
// go and, unless it was stopped, puts the model on display as loadModel would, leaving in
// `failure` and `note` what loadModel returns and writes, and returns true: the picture changed.
// stopReading (Escape) asks the running reading to stop; true when one ran. Its bar goes at once,
// the model on display stays, and finishReading later lets it go in silence.
//
// readingBar is the fraction of the file read, for the progress bar, once the reading has run
// kBarDelay and while it has not been asked to stop; nothing otherwise. barStepChanged says whether
// the bar has moved a whole kBarSteps step (or appeared, or gone) since it last said so: a redraw
// is worth it only then.
#pragma once

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "app/load_command.h"
#include "app/viewer_state.h"
#include "model/whole_reader.h"

using ReadingClock = std::chrono::steady_clock;

inline constexpr int kReadingWatchMs = 40;
inline constexpr std::chrono::milliseconds kBarDelay{250};
inline constexpr int kBarSteps = 100;

struct BackgroundReading {
  ReadingProgress progress;
  std::atomic<bool> done{false};  // `file` is the worker's until this is set
  LoadedModel file;
  ReadingClock::time_point start;
  int barStep = -1;  // the step of the bar last said to have changed, -1 for none
  std::thread worker;
};

void startReading(ViewerState& state, const std::string& path, LoadWay way,
                  ReadingClock::time_point now);
bool stopReading(ViewerState& state);
bool finishReading(ViewerState& state, Failure& failure, std::string& note);
std::optional<float> readingBar(const ViewerState& state, ReadingClock::time_point now);
bool barStepChanged(ViewerState& state, ReadingClock::time_point now);

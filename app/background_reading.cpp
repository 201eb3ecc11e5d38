#include "app/background_reading.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "model/simplified_model.h"

namespace {

constexpr std::chrono::milliseconds kHoldPoll{10};

// For the window's tests only: while the file PALVETTA_TEST_HOLD_READING names exists, a finished
// reading waits before it says so, however fast the machine reads.
void holdForTests(const ReadingProgress& progress) {
  static const char* const hold = std::getenv("PALVETTA_TEST_HOLD_READING");
  std::error_code error;
  while (hold != nullptr && !progress.stop && std::filesystem::exists(hold, error)) {
    std::this_thread::sleep_for(kHoldPoll);
  }
}

// The model drawn while dragging is made here, on the worker, rather than on the load road: only
// the window drags, and a picture or thumbnail would make it for nothing. Without the memory for
// it, drags draw the whole model.
void addSimplifiedModel(LoadedModel& file) {
  if (!file.model) {
    return;
  }
  try {
    file.model->simplified = simplifiedModel(*file.model);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
}

void endReading(BackgroundReading* reading) {
  reading->progress.stop = true;
  if (reading->worker.joinable()) {
    reading->worker.join();
  }
  delete reading;
}

}  // namespace

void startReading(ViewerState& state, const std::string& path, LoadWay way,
                  ReadingClock::time_point now) {
  state.background.reset();
  state.background = BackgroundReadingHandle(new BackgroundReading, endReading);
  BackgroundReading* reading = state.background.get();
  reading->start = now;
  const auto work = [reading, path, way] {
    reading->file = readModelFile(Reading::whole, path, way, &reading->progress);
    addSimplifiedModel(reading->file);
    // The reader counts each block but the last as it leaves it; the file has now been read.
    reading->progress.bytesRead = reading->progress.bytesTotal.load();
    holdForTests(reading->progress);
    reading->done.store(true, std::memory_order_release);
  };
  try {
    reading->worker = std::thread(work);
  } catch (const std::system_error&) {
    work();
  }
}

bool stopReading(ViewerState& state) {
  if (!state.background || state.background->progress.stop) {
    return false;
  }
  state.background->progress.stop = true;
  return true;
}

bool finishReading(ViewerState& state, Failure& failure, std::string& note) {
  if (!state.background || !state.background->done.load(std::memory_order_acquire)) {
    return false;
  }
  // The thread has nothing left to do, so letting it go is quick; its model, when it is not kept,
  // goes on the main thread.
  const BackgroundReadingHandle reading = std::move(state.background);
  if (reading->progress.stop) {
    return false;
  }
  failure = showLoadedModel(state, reading->file, note);
  return true;
}

std::optional<float> readingBar(const ViewerState& state, ReadingClock::time_point now) {
  const BackgroundReading* reading = state.background.get();
  if (reading == nullptr || reading->progress.stop || now - reading->start < kBarDelay) {
    return std::nullopt;
  }
  const int64_t total = reading->progress.bytesTotal;
  const int64_t read = reading->progress.bytesRead;
  return total > 0 ? static_cast<float>(static_cast<double>(read) / static_cast<double>(total))
                   : 0.0f;
}

bool barStepChanged(ViewerState& state, ReadingClock::time_point now) {
  const std::optional<float> bar = readingBar(state, now);
  if (!state.background) {
    return false;
  }
  const int step = bar ? static_cast<int>(*bar * kBarSteps) : -1;
  if (step == state.background->barStep) {
    return false;
  }
  state.background->barStep = step;
  return true;
}

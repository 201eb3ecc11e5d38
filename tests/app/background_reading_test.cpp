// A whole reading on a worker thread, watched as the viewer's timer watches it: the bar waits a
// quarter second and goes at a stop; a reading that ends says what loadModel says, and a stopped
// one says nothing and changes nothing.

#include <gtest/gtest.h>

#include "app/background_reading.h"
#include "tests/support/wait.h"

namespace {

using std::chrono::milliseconds;

// Polls finishReading as the viewer's timer does; true when it put something on display.
bool finished(ViewerState& state, Failure& failure, std::string& note) {
  bool shown = false;
  waitFor([&] { return (shown = finishReading(state, failure, note)) || !state.background; },
          kFrameTimeoutMs);
  return shown;
}

TEST(BackgroundReadingTest, TheBarWaitsAQuarterSecondAndAnEndedReadingSaysWhatLoadModelSays) {
  ViewerState state;
  const ReadingClock::time_point start = ReadingClock::now();
  startReading(state, "missing.obj", LoadWay::named, start);
  EXPECT_FALSE(readingBar(state, start + milliseconds(240)));
  EXPECT_TRUE(readingBar(state, start + milliseconds(260)));
  Failure failure;
  std::string note;
  ASSERT_TRUE(finished(state, failure, note));
  EXPECT_EQ(failure, "palvetta: cannot open 'missing.obj': No such file or directory");
  EXPECT_FALSE(readingBar(state, start + milliseconds(260)));

  startReading(state, "missing.obj", LoadWay::named, start);
  EXPECT_TRUE(stopReading(state));
  EXPECT_FALSE(readingBar(state, start + milliseconds(260)));
  failure.reset();
  EXPECT_FALSE(finished(state, failure, note));
  EXPECT_FALSE(failure);
  EXPECT_FALSE(state.background);
  EXPECT_FALSE(stopReading(state)) << "Escape with nothing reading";
}

}  // namespace

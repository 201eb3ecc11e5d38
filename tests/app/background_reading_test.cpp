// A whole reading on a worker thread, watched as the viewer's timer watches it: the bar waits a
// quarter second and goes at a stop; a reading that ends says what loadModel says, and a stopped
// one says nothing and changes nothing. Only the window's reading makes the model drawn while
// dragging.

#include <gtest/gtest.h>

#include "app/background_reading.h"
#include "tests/support/temp_files.h"
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

// A sheet of 400 x 400 positions: 2 x 399 x 399 = 318 402 triangles, more than a drag draws.
TEST(BackgroundReadingTest, OnlyTheWindowsReadingMakesTheModelADragDraws) {
  std::string text;
  for (int row = 0; row < 400; ++row) {
    for (int column = 0; column < 400; ++column) {
      text += "v " + std::to_string(column) + " " + std::to_string(row) + " 0\n";
    }
  }
  for (int row = 0; row < 399; ++row) {
    for (int column = 1; column < 400; ++column) {
      const int at = row * 400 + column;
      text += "f " + std::to_string(at) + " " + std::to_string(at + 1) + " " +
              std::to_string(at + 401) + " " + std::to_string(at + 400) + "\n";
    }
  }
  const std::string path = writeTestFile("sheet.obj", text);
  ViewerState state;
  state.reading = Reading::whole;
  startReading(state, path, LoadWay::named, ReadingClock::now());
  Failure failure;
  std::string note;
  ASSERT_TRUE(finished(state, failure, note));
  ASSERT_EQ(state.model->faceCount, 318402);
  ASSERT_NE(state.model->simplified, nullptr);
  EXPECT_LE(state.model->simplified->faceCount, 320000);

  ViewerState picture;
  picture.reading = Reading::whole;
  ASSERT_EQ(loadModel(picture, path, LoadWay::named, note), std::nullopt);
  EXPECT_EQ(picture.model->faceCount, 318402);
  EXPECT_EQ(picture.model->simplified, nullptr);
}

}  // namespace

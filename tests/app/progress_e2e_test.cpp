// The real viewer reading whole models on a worker thread, under the test's X display.
//
// PALVETTA_TEST_HOLD_READING keeps a read model from the display while the test's hold file exists,
// so the reading lasts as long as the test needs on any machine. A dropped model that reads longer
// than a quarter second must show the committed frame of the model before it with the bar over it,
// full, and the window must answer meanwhile. Escape must take the bar away and keep the model
// before it, also once the reading's thread has gone; a drop while one reads must win over it.

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/e2e.h"
#include "tests/support/png_frame.h"
#include "tests/support/temp_files.h"
#include "tests/support/xdnd_source.h"

namespace {

namespace fs = std::filesystem;

std::string example(const std::string& name) {
  return std::string(PALVETTA_EXAMPLES) + "/" + name + ".obj";
}

// The bar's outline at 640 x 640: x from 128 to 511, y from 32 to 51.
bool showsBar(const Frame& frame) {
  const auto dark = [&](int x, int y) {
    const Pixel p = frame.at(x, y);
    return p.r < 40 && p.g < 40 && p.b < 40;
  };
  return frame.width == 640 && dark(128, 42) && dark(511, 42) && dark(320, 32) && dark(320, 51) &&
         !dark(127, 42) && !dark(512, 42);
}

long threads(pid_t pid) {
  const fs::path tasks = "/proc/" + std::to_string(pid) + "/task";
  return std::distance(fs::directory_iterator(tasks), fs::directory_iterator());
}

class ProgressE2eTest : public ViewerFixture {
 protected:
  void SetUp() override {
    hold = testFolder() + "/hold";
    setenv("PALVETTA_TEST_HOLD_READING", hold.c_str(), 1);
    viewer = startViewer(PALVETTA_BINARY, testFolder(), {"--whole", example("trophy")}, errors);
    unsetenv("PALVETTA_TEST_HOLD_READING");
    ASSERT_NE(viewer.window, 0UL) << "the viewer's window did not appear";
    ASSERT_TRUE(showsBaseline(viewer.window, "trophy_whole_640"));
    readingThreads = threads(viewer.pid);
    writeTestFile("hold", "");
  }

  bool dropAndWaitForBar(const std::string& model) {
    Frame last;
    return dragAndDrop(viewer.window, {"text/uri-list"}, fileUri(example(model))).succeeded &&
           waitForCapture(viewer.window, showsBar, kFrameTimeoutMs, last);
  }

  std::string hold;
  std::string errors = testFolder() + "/stderr.txt";
  long readingThreads = 0;
};

TEST_F(ProgressE2eTest, TheBarShowsOverTheModelBeforeTheWindowAnswersAndEscapeKeepsThatModel) {
  ASSERT_TRUE(dropAndWaitForBar("far_away"));
  EXPECT_TRUE(showsBaseline(viewer.window, "trophy_whole_reading_640"));
  EXPECT_TRUE(redrawShowsBaseline(viewer, "trophy_whole_reading_640")) << "the window answers";

  ASSERT_TRUE(runTool("xdotool key Escape"));
  EXPECT_TRUE(showsBaseline(viewer.window, "trophy_whole_640"));
  EXPECT_TRUE(waitFor([&] { return threads(viewer.pid) == readingThreads; }, kFrameTimeoutMs))
      << "the stopped reading's thread did not end";
  EXPECT_TRUE(redrawShowsBaseline(viewer, "trophy_whole_640"));
  fs::remove(hold);
  EXPECT_EQ(readTestFile(errors), "");
}

TEST_F(ProgressE2eTest, ADropWhileAModelReadsStopsThatReadingAndItsModelShowsWhenRead) {
  ASSERT_TRUE(dropAndWaitForBar("far_away"));
  ASSERT_TRUE(
      dragAndDrop(viewer.window, {"text/uri-list"}, fileUri(example("signpost"))).succeeded);
  fs::remove(hold);
  EXPECT_TRUE(showsBaseline(viewer.window, "signpost_whole_640"));
  EXPECT_TRUE(waitFor([&] { return threads(viewer.pid) == readingThreads; }, kFrameTimeoutMs));
  EXPECT_TRUE(redrawShowsBaseline(viewer, "signpost_whole_640"));
  EXPECT_EQ(readTestFile(errors), "");
}

}  // namespace

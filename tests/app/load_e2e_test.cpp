// The real viewer and the real GTK file chooser under the test's X display, driven by xdotool.
//
// "l" must open the chooser; a path pasted into its location field must put the model on the
// floor, in exactly the frame this process renders from the same file, read and normalised here
// under the same camera; "l" and Escape must then leave that frame as it was. The viewer starts in
// a folder of its own and under a locale that writes numbers with a decimal comma, so the model's
// material library is found only through the chosen file's folder and its numbers read right only
// if nothing depends on the locale GTK sets. The times to open the chooser and from the choice to
// the finished frame are recorded as test properties. The other ways of choosing must load too: a
// double-click on a file, and Return on the file selected in a folder that a typed path opened.

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/chooser.h"
#include "tests/support/e2e.h"
#include "tests/support/gl_test_window.h"
#include "tests/support/temp_files.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDialogTimeoutMs = 20000;
constexpr int kFrameTimeoutMs = 20000;
constexpr int kQuietMs = 500;
const char* const kDialogTitle = "Obj File";
const char* const kModel = "torus";  // 4096 triangles in four materials

int msSince(Clock::time_point start) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

bool dialogGone(pid_t viewerPid, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (waitForWindow(kDialogTitle, 0, viewerPid) != 0) {
    if (Clock::now() > deadline) {
      return false;
    }
  }
  return true;
}


// Pixels whose colour is a lit shade of `diffuse`: every channel the same multiple of it.
int countShadesOf(const Frame& frame, const Rgb& diffuse) {
  int count = 0;
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      const Pixel p = frame.at(x, y);
      const double k = p.g / (255.0 * diffuse.g);
      const bool shade = k > 0.2 && std::abs(p.r - 255.0 * diffuse.r * k) < 4.0 &&
                         std::abs(p.b - 255.0 * diffuse.b * k) < 4.0;
      count += shade ? 1 : 0;
    }
  }
  return count;
}

// A locale whose numbers have a decimal comma, compiled into `folder`; false when it cannot be.
bool makeCommaLocale(const std::string& folder) {
  return runTool("localedef -i de_DE -f UTF-8 " + folder + "/de_DE.UTF-8 > /dev/null 2>&1");
}

class LoadE2eTest : public ViewerFixture {
 protected:
  void SetUp() override { ASSERT_TRUE(chooserStartsInWorkingFolder(testFolder() + "/home")); }

  // The frame of the example `name` as the viewer should show it once loaded.
  static Frame expectedFrameOf(const std::string& name) {
    const std::filesystem::path examples = PALVETTA_EXAMPLES;
    return renderViewerFrame(loadedState(examples / (name + ".obj")));
  }

  // Starts the viewer in `folder` and opens its chooser; false when either does not show. The
  // expected frames must be rendered before: this process's window would cover the viewer's.
  bool startAndOpenChooser(const std::string& folder) {
    const Frame floorOnly = renderViewerFrame(ViewerState{});
    viewer = startViewer(PALVETTA_BINARY, folder);
    Frame seen;
    if (viewer.window == 0 || !waitForFrame(viewer.window, floorOnly, kFrameTimeoutMs, seen)) {
      return false;
    }
    chooser =
        runTool("xdotool key l") ? waitForWindow(kDialogTitle, kDialogTimeoutMs, viewer.pid) : 0;
    return chooser != 0;
  }

  unsigned long chooser = 0;
};

TEST_F(LoadE2eTest, AModelChosenInTheDialogStandsOnTheFloorInItsColoursAndEscapeChangesNothing) {
  const std::string examples = PALVETTA_EXAMPLES;
  const std::string path = examples + "/" + kModel + ".obj";

  // The expected frames, from the file read and normalised here.
  const ViewerState empty;
  const Frame floorOnly = renderViewerFrame(empty);
  const ViewerState loaded = loadedState(path);
  ASSERT_NE(loaded.model, nullptr);
  ASSERT_EQ(loaded.model->faceCount, kMaxFaces);
  ASSERT_EQ(loaded.model->materialCount, 4);
  const Frame withModel = renderViewerFrame(loaded);
  // Each material shows in its own colour, and the model stands on the floor rather than under it.
  for (int32_t m = 0; m < loaded.model->materialCount; ++m) {
    EXPECT_GT(countShadesOf(withModel, loaded.model->materials[m]->diffuse), 500)
        << loaded.model->materials[m]->name;
  }
  EXPECT_GT(countDifferentPixels(withModel, floorOnly), 20000);

  ASSERT_TRUE(makeCommaLocale(testFolder())) << "the locales package is needed";
  setenv("LOCPATH", testFolder().c_str(), 1);
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  viewer = startViewer(PALVETTA_BINARY, testFolder());
  unsetenv("LC_ALL");
  unsetenv("LOCPATH");
  ASSERT_NE(viewer.window, 0UL) << "the viewer's window did not appear";
  Frame seen;
  ASSERT_TRUE(waitForFrame(viewer.window, floorOnly, kFrameTimeoutMs, seen))
      << countDifferentPixels(seen, floorOnly) << " pixels differ in the first frame";

  const auto pressed = Clock::now();
  ASSERT_TRUE(runTool("xdotool key l"));
  ASSERT_NE(waitForWindow(kDialogTitle, kDialogTimeoutMs, viewer.pid), 0UL)
      << "no window named Obj File";
  const int firstOpenMs = msSince(pressed);

  Clipboard clipboard;
  ASSERT_TRUE(clipboard.serve(path));
  ASSERT_TRUE(pasteIntoLocation());
  const auto chosen = Clock::now();
  ASSERT_TRUE(runTool("xdotool key Return"));
  const bool shown = waitForFrame(viewer.window, withModel, kFrameTimeoutMs, seen);
  const int loadMs = msSince(chosen);
  clipboard.stop();
  ASSERT_TRUE(shown) << countDifferentPixels(seen, withModel)
                     << " pixels differ from the model rendered here";
  EXPECT_TRUE(dialogGone(viewer.pid, kDialogTimeoutMs));

  // "l" again, and Escape: the chooser goes and the picture stays.
  const auto pressedAgain = Clock::now();
  ASSERT_TRUE(runTool("xdotool key l"));
  ASSERT_NE(waitForWindow(kDialogTitle, kDialogTimeoutMs, viewer.pid), 0UL)
      << "no chooser the second time";
  const int secondOpenMs = msSince(pressedAgain);
  ASSERT_TRUE(runTool("xdotool sleep 0.3 key Escape"));
  EXPECT_TRUE(dialogGone(viewer.pid, kDialogTimeoutMs));
  EXPECT_TRUE(waitForFrame(viewer.window, withModel, kFrameTimeoutMs, seen))
      << countDifferentPixels(seen, withModel) << " pixels differ after the cancel";
  EXPECT_FALSE(waitForFrameChange(viewer.window, withModel, kQuietMs));

  RecordProperty("first_dialog_open_ms", firstOpenMs);
  RecordProperty("second_dialog_open_ms", secondOpenMs);
  RecordProperty("choice_to_frame_ms", loadMs);
  std::cout << "chooser open: " << firstOpenMs << " ms at the first press (GTK starts), "
            << secondOpenMs << " ms at the second; choice to finished frame of " << kModel
            << ".obj (4096 triangles): " << loadMs << " ms\n";
}

// A folder typed into the location field opens in the chooser, which stays; Return on the file it
// then selects loads that file.
TEST_F(LoadE2eTest, ATypedFolderOpensInTheChooserAndReturnLoadsTheSelectedFile) {
  const std::string folder = testFolder() + "/models";
  std::filesystem::create_directories(folder);
  for (const char* file : {"blocks.obj", "blocks.mtl"}) {
    std::filesystem::copy_file(std::string(PALVETTA_EXAMPLES) + "/" + file, folder + "/" + file);
  }
  const Frame blocks = expectedFrameOf("blocks");
  std::filesystem::create_directories(testFolder() + "/start");
  ASSERT_TRUE(startAndOpenChooser(testFolder() + "/start"));
  const Frame floorOnly = captureWindow(viewer.window);

  Clipboard clipboard;
  ASSERT_TRUE(clipboard.serve(folder));
  ASSERT_TRUE(pasteIntoLocation());
  ASSERT_TRUE(runTool("xdotool key Return sleep 1"));
  clipboard.stop();
  EXPECT_EQ(waitForWindow(kDialogTitle, 0, viewer.pid), chooser) << "the chooser closed";
  EXPECT_FALSE(waitForFrameChange(viewer.window, floorOnly, kQuietMs));

  ASSERT_TRUE(focusFileList(chooser));
  ASSERT_TRUE(runTool("xdotool key Home sleep 0.2 key Return"));
  Frame seen;
  EXPECT_TRUE(waitForFrame(viewer.window, blocks, kFrameTimeoutMs, seen))
      << countDifferentPixels(seen, blocks) << " pixels differ from the blocks rendered here";
}

TEST_F(LoadE2eTest, ADoubleClickOnAFileLoadsIt) {
  const Frame torus = expectedFrameOf(kModel);
  ASSERT_TRUE(startAndOpenChooser(PALVETTA_EXAMPLES));
  ASSERT_TRUE(focusFileList(chooser));
  // The examples in name order: blocks, far_away, torus.
  ASSERT_TRUE(runTool("xdotool key Home sleep 0.1 key Down sleep 0.1 key Down sleep 0.3"));
  int x = 0;
  int y = 0;
  ASSERT_TRUE(selectedRow(chooser, x, y)) << "no row of the file list is selected";
  ASSERT_TRUE(runTool("xdotool mousemove --sync " + std::to_string(x) + " " + std::to_string(y) +
                      " click --repeat 2 --delay 80 1"));
  Frame seen;
  EXPECT_TRUE(waitForFrame(viewer.window, torus, kFrameTimeoutMs, seen))
      << countDifferentPixels(seen, torus) << " pixels differ from the torus rendered here";
  EXPECT_TRUE(dialogGone(viewer.pid, kDialogTimeoutMs));
}

}  // namespace

// The real viewer and the real GTK file chooser under the test's X display, driven by xdotool.
//
// "l" must open the chooser; a path pasted into its location field must put the model on the
// floor, in exactly the committed baseline frame; "l" and Escape must then leave the viewer drawing
// that frame. The viewer's window is kept off-screen as a compositing window manager keeps it, so
// the chooser closing over it does not redraw it: the model shows only if the viewer asks for the
// redraw itself. The viewer starts in a folder of its own and under a locale that writes numbers
// with a decimal comma, so the model's material library is found only through the chosen file's
// folder and its numbers read right only if nothing depends on the locale GTK sets. The times to
// open the chooser and from the choice to the finished frame are recorded as test properties. The
// other ways of choosing must load too: a double-click on a file, and Return on the file selected
// in a folder that a typed path opened; each of the three checks another example.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <iostream>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/chooser.h"
#include "tests/support/e2e.h"
#include "tests/support/png_frame.h"
#include "tests/support/temp_files.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* const kDialogTitle = "Obj File";
const char* const kModel = "torus";  // 4096 triangles in four materials

int msSince(Clock::time_point start) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// A locale whose numbers have a decimal comma, compiled into `folder`; false when it cannot be.
bool makeCommaLocale(const std::string& folder) {
  return runTool("localedef -i de_DE -f UTF-8 " + folder + "/de_DE.UTF-8 > /dev/null 2>&1");
}

class LoadE2eTest : public ViewerFixture {
 protected:
  void SetUp() override { ASSERT_TRUE(chooserStartsInWorkingFolder(testFolder() + "/home")); }

  // "l", then the chooser must appear in the viewer's process.
  bool openChooser() {
    chooser =
        runTool("xdotool key l") ? waitForWindow(kDialogTitle, kDialogTimeoutMs, viewer.pid) : 0;
    return chooser != 0;
  }

  // Starts the viewer in `folder` and opens its chooser; false when either does not show.
  bool startAndOpenChooser(const std::string& folder) {
    viewer = startViewer(PALVETTA_BINARY, folder);
    return viewer.window != 0 && showsBaseline(viewer.window, "floor_640") && openChooser();
  }

  // A folder `name` in the test folder with the given examples and their libraries; its path.
  static std::string copyExamples(const std::string& name,
                                  std::initializer_list<const char*> models) {
    const std::string folder = testFolder() + "/" + name;
    std::filesystem::create_directories(folder);
    for (const std::string model : models) {
      for (const std::string& file : {model + ".obj", model + ".mtl"}) {
        std::filesystem::copy_file(std::string(PALVETTA_EXAMPLES) + "/" + file,
                                   folder + "/" + file);
      }
    }
    return folder;
  }

  unsigned long chooser = 0;
};

TEST_F(LoadE2eTest, AModelChosenInTheDialogStandsOnTheFloorInItsColoursAndEscapeChangesNothing) {
  const std::string path = std::string(PALVETTA_EXAMPLES) + "/" + kModel + ".obj";
  ASSERT_TRUE(makeCommaLocale(testFolder())) << "the locales package is needed";
  setenv("LOCPATH", testFolder().c_str(), 1);
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  viewer = startViewer(PALVETTA_BINARY, testFolder());
  unsetenv("LC_ALL");
  unsetenv("LOCPATH");
  ASSERT_NE(viewer.window, 0UL) << "the viewer's window did not appear";
  ASSERT_TRUE(showsBaseline(viewer.window, "floor_640")) << "the first frame";

  const auto pressed = Clock::now();
  ASSERT_TRUE(openChooser()) << "no window named Obj File";
  const int firstOpenMs = msSince(pressed);

  ASSERT_TRUE(pasteIntoLocation(chooser, path));
  const auto chosen = Clock::now();
  ASSERT_TRUE(runTool("xdotool key Return"));
  const ::testing::AssertionResult shown = showsBaseline(viewer.window, "torus_640");
  const int loadMs = msSince(chosen);
  ASSERT_TRUE(shown);
  EXPECT_TRUE(pressUntilGone("", kDialogTitle, viewer.pid));

  // "l" again, and Escape: the chooser goes, and what the viewer draws stays.
  const auto pressedAgain = Clock::now();
  ASSERT_TRUE(openChooser()) << "no chooser the second time";
  const int secondOpenMs = msSince(pressedAgain);
  EXPECT_TRUE(pressUntilGone("Escape", kDialogTitle, viewer.pid));
  EXPECT_TRUE(redrawShowsBaseline(viewer, "torus_640")) << "after the cancel";

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
  const std::string folder = copyExamples("models", {"blocks"});
  std::filesystem::create_directories(testFolder() + "/start");
  ASSERT_TRUE(startAndOpenChooser(testFolder() + "/start"));

  ASSERT_TRUE(pasteIntoLocation(chooser, folder));
  ASSERT_TRUE(waitFor([&] { return locationShowsCompletion(chooser); }, kDialogTimeoutMs))
      << "the chooser did not complete the typed folder's name";
  ASSERT_TRUE(runTool("xdotool key Return"));
  // The start folder is empty: a file selected in the list is the typed folder's.
  int x = 0;
  int y = 0;
  ASSERT_TRUE(selectFile(chooser, false, x, y)) << "the typed folder's file was not listed";
  EXPECT_EQ(waitForWindow(kDialogTitle, 0, viewer.pid), chooser) << "the chooser closed";
  EXPECT_TRUE(matchesBaseline(captureWindow(viewer.window), "floor_640"));

  ASSERT_TRUE(runTool("xdotool key Return"));
  EXPECT_TRUE(showsBaseline(viewer.window, "blocks_640"));
}

// The house of far_away.obj lies 50 units up in its file; drawn, it stands on the floor's plane
// beyond the floor, its lowest corners where the baseline shows them.
TEST_F(LoadE2eTest, ADoubleClickOnAFileLoadsIt) {
  ASSERT_TRUE(startAndOpenChooser(copyExamples("examples", {"blocks", "far_away"})));
  int x = 0;
  int y = 0;
  ASSERT_TRUE(selectFile(chooser, true, x, y)) << "no row of the file list is selected";
  ASSERT_TRUE(runTool("xdotool mousemove --sync " + std::to_string(x) + " " + std::to_string(y) +
                      " click --repeat 2 --delay 80 1"));
  EXPECT_TRUE(showsBaseline(viewer.window, "far_away_640"));
  EXPECT_TRUE(pressUntilGone("", kDialogTitle, viewer.pid));
}

}  // namespace

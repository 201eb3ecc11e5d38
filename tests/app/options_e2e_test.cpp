// The real viewer started with a FILE on its command line, under the test's X display.
//
// A model named by its full path from another folder must show in the first frames exactly as a
// choice in the open-file dialog shows it (the same committed baseline as in load_e2e_test), its
// material library found beside it; the window must carry the class and icon a desktop matches it
// by. A FILE that cannot be opened must be named on standard error in one line, and the floor shown
// alone, whatever toolkit options come with it. A FILE the default reading leaves faces out of is
// named there with what was left out. With --whole the FILE and a model dropped later are drawn
// whole, as their baselines show, and nothing is said.

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/e2e.h"
#include "tests/support/temp_files.h"
#include "tests/support/xdnd_source.h"

namespace {

using OptionsE2eTest = ViewerFixture;

TEST_F(OptionsE2eTest, AModelNamedOnTheCommandLineShowsAsIfChosenInTheDialog) {
  const std::string path = std::string(PALVETTA_EXAMPLES) + "/torus.obj";
  const std::string errors = testFolder() + "/torus-stderr.txt";
  viewer = startViewer(PALVETTA_BINARY, testFolder(), {path}, errors);
  ASSERT_NE(viewer.window, 0UL) << "the viewer's window did not appear";
  EXPECT_TRUE(showsBaseline(viewer.window, "torus_640"));
  EXPECT_EQ(readTestFile(errors), "");

  const std::string window = std::to_string(viewer.window);
  EXPECT_TRUE(runTool("xprop -id " + window + " WM_CLASS | grep -qxF " +
                      "'WM_CLASS(STRING) = \"palvetta\", \"Palvetta\"'"));
  EXPECT_TRUE(runTool("xprop -id " + window + " _NET_WM_PID | grep -qxF " +
                      "'_NET_WM_PID(CARDINAL) = " + std::to_string(viewer.pid) + "'"));
  // Its icon's sizes and colours are checked by window_identity_test.
}

TEST_F(OptionsE2eTest, AFileThatCannotBeOpenedIsNamedOnStandardErrorAndTheFloorShowsAlone) {
  const std::string errors = testFolder() + "/missing-stderr.txt";
  // The toolkit's own option, with a value that is not to be taken for the FILE, still reaches it.
  const char* display = std::getenv("DISPLAY");
  ASSERT_NE(display, nullptr);
  viewer = startViewer(PALVETTA_BINARY, testFolder(), {"-display", display, "missing.obj"}, errors);
  ASSERT_NE(viewer.window, 0UL) << "the viewer's window did not appear";
  EXPECT_TRUE(showsBaseline(viewer.window, "floor_640"));
  EXPECT_EQ(readTestFile(errors),
            "palvetta: cannot open 'missing.obj': No such file or directory\n");
}

TEST_F(OptionsE2eTest, WithWholeTheFileAndEveryDroppedModelAreReadWholeAndNothingIsSaid) {
  const std::string trophy = std::string(PALVETTA_EXAMPLES) + "/trophy.obj";
  const std::string errors = testFolder() + "/whole-stderr.txt";
  viewer = startViewer(PALVETTA_BINARY, testFolder(), {"--whole", trophy}, errors);
  ASSERT_NE(viewer.window, 0UL) << "the viewer's window did not appear";
  EXPECT_TRUE(showsBaseline(viewer.window, "trophy_whole_640"));
  const std::string farAway = std::string(PALVETTA_EXAMPLES) + "/far_away.obj";
  const DragResult drop = dragAndDrop(viewer.window, {"text/uri-list"}, fileUri(farAway));
  EXPECT_TRUE(drop.finished && drop.succeeded);
  EXPECT_TRUE(showsBaseline(viewer.window, "far_away_whole_640"));
  const std::string signpost = std::string(PALVETTA_EXAMPLES) + "/signpost.obj";
  EXPECT_TRUE(dragAndDrop(viewer.window, {"text/uri-list"}, fileUri(signpost)).succeeded);
  EXPECT_TRUE(showsBaseline(viewer.window, "signpost_whole_640"));
  EXPECT_EQ(readTestFile(errors), "");
  stopViewer(viewer);

  // Read by default, the trophy's quads and the star's front are left out, and the line says so.
  viewer = startViewer(PALVETTA_BINARY, testFolder(), {trophy}, errors);
  ASSERT_NE(viewer.window, 0UL) << "the viewer's window did not appear the second time";
  EXPECT_EQ(
      readTestFile(errors),
      "palvetta: '" + trophy + "': 23 face lines skipped; palvetta --whole draws every face\n");
}

}  // namespace

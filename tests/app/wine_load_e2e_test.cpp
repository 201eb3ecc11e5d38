// The Windows viewer under Wine in the test's X display: its first frame, "l" and the common
// dialog, models chosen by typing their full paths, Escape, and a model named on the command line.
//
// Every frame must match the committed baseline that the Linux viewer's frames match too, and
// Escape must leave the viewer drawing what it drew. The viewer starts in a folder of its own, so a
// model's materials are found only when a choice makes the model's folder the current directory;
// the second model lies in a folder named in Japanese, outside most systems' code pages. The
// dialog is worked through its own controls by palvetta_dialog_driver.exe, run under Wine as
// well, since nothing outside Wine can reach into a Windows dialog. A model dropped on the window
// comes from the test's own XDND source, and is read whole. The Windows build is found in
// PALVETTA_WINDOWS_BUILD; the Wine prefix in WINEPREFIX, or a fresh one is made here.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "tests/support/e2e.h"
#include "tests/support/png_frame.h"
#include "tests/support/temp_files.h"
#include "tests/support/xdnd_source.h"

namespace {

namespace fs = std::filesystem;

const char* const kDialogTitle = "Obj File";

class WineLoadE2eTest : public ViewerFixture {
 protected:
  void SetUp() override {
    const char* build = std::getenv("PALVETTA_WINDOWS_BUILD");
    ASSERT_NE(build, nullptr) << "PALVETTA_WINDOWS_BUILD names no Windows build";
    viewerExe = fs::path(build) / "app" / "palvetta.exe";
    driverExe = fs::path(build) / "tests" / "palvetta_dialog_driver.exe";
    ASSERT_TRUE(fs::exists(viewerExe)) << viewerExe;
    ASSERT_TRUE(fs::exists(driverExe)) << driverExe;
    // Wine reads command lines and file names in the locale's character set.
    setenv("LC_ALL", "C.UTF-8", 1);
    setenv("WINEDEBUG", "-all", 0);
    if (std::getenv("WINEPREFIX") == nullptr) {
      setenv("WINEPREFIX", (testFolder() + "/wine").c_str(), 1);
      ownPrefix = true;
    }
    // Wine's own services start with the first program of a prefix and inherit its output; the
    // viewer's output is the test's, which must not stay open after the test. So they start here.
    const std::string boot = ownPrefix ? "wineboot --init" : "wineboot";
    ASSERT_EQ(runShell("timeout 300 " + boot + " > /dev/null 2>&1"), 0);
  }

  void TearDown() override {
    ViewerFixture::TearDown();
    if (ownPrefix) {
      // The prefix goes with the test folder; its server must not outlive it.
      EXPECT_EQ(runShell("wineserver --kill > /dev/null 2>&1"), 0);
    }
  }

  bool driveDialog(const std::string& arguments) {
    return runTool("wine " + shellQuoted(driverExe.string()) + " " + arguments + " 2> /dev/null");
  }

  // "l", then the dialog must appear in the viewer's process.
  bool openDialog() {
    return runTool("xdotool key l") &&
           waitForWindow(kDialogTitle, kDialogTimeoutMs, viewer.pid) != 0;
  }

  fs::path viewerExe;
  fs::path driverExe;
  bool ownPrefix = false;
};

// An example with its library in a folder named in Japanese; returns the model's path.
fs::path inJapaneseFolder(const std::string& name) {
  const fs::path examples = PALVETTA_EXAMPLES;
  const fs::path japanese = fs::path(testFolder()) / "モデル";
  fs::create_directories(japanese);
  for (const std::string& file : {name + ".obj", name + ".mtl"}) {
    fs::copy_file(examples / file, japanese / file, fs::copy_options::skip_existing);
  }
  fs::copy(examples / "textures", japanese / "textures",
           fs::copy_options::recursive | fs::copy_options::skip_existing);
  return japanese / (name + ".obj");
}

fs::path newStartFolder() {
  const fs::path startFolder = fs::path(testFolder()) / "start";
  fs::create_directories(startFolder);
  return startFolder;
}

TEST_F(WineLoadE2eTest, ModelsChosenByTypedFullPathsLoadWithTheirMaterialsAndEscapeChangesNothing) {
  const fs::path blocks = fs::path(PALVETTA_EXAMPLES) / "blocks.obj";
  const fs::path torus = inJapaneseFolder("torus");
  viewer = startViewer("wine", newStartFolder().string(), {viewerExe.string()});
  ASSERT_NE(viewer.window, 0UL) << "the viewer's window did not appear";
  ASSERT_TRUE(showsBaseline(viewer.window, "floor_640")) << "the first frame";

  for (const auto& [path, baseline] : {std::pair{blocks, "blocks_640"}, {torus, "torus_640"}}) {
    ASSERT_TRUE(openDialog()) << "no window named Obj File";
    ASSERT_TRUE(driveDialog("open " + shellQuoted(windowsPath(path)))) << windowsPath(path);
    ASSERT_TRUE(showsBaseline(viewer.window, baseline)) << path;
  }

  ASSERT_TRUE(openDialog()) << "no window named Obj File the last time";
  EXPECT_TRUE(pressUntilGone("Escape", kDialogTitle, viewer.pid)) << "Escape left the dialog open";
  EXPECT_TRUE(redrawShowsBaseline(viewer, "torus_640")) << "after Escape";
}

// Explorer's "Open with" and a file dropped onto the program pass the file on the command line.
TEST_F(WineLoadE2eTest, ModelNamedOnTheCommandLineInAJapaneseFolderShowsInTheFirstFrame) {
  const fs::path torus = inJapaneseFolder("torus");
  viewer = startViewer("wine", newStartFolder().string(), {viewerExe.string(), windowsPath(torus)});
  ASSERT_NE(viewer.window, 0UL) << "the viewer's window did not appear";
  EXPECT_TRUE(showsBaseline(viewer.window, "torus_640")) << torus;
}

// Wine's X11 driver turns an XDND drop on its window into WM_DROPFILES. With --whole the dropped
// trophy's quads and concave star are drawn as on Linux.
TEST_F(WineLoadE2eTest, WithWholeAModelDroppedFromAJapaneseFolderIsReadWhole) {
  const fs::path trophy = inJapaneseFolder("trophy");
  viewer = startViewer("wine", newStartFolder().string(), {viewerExe.string(), "--whole"});
  ASSERT_NE(viewer.window, 0UL) << "the viewer's window did not appear";
  ASSERT_TRUE(showsBaseline(viewer.window, "floor_640"));
  const DragResult drop =
      dragAndDrop(viewer.window, {"text/uri-list"}, fileUri(trophy.string()) + "\r\n");
  EXPECT_TRUE(drop.finished && drop.succeeded);
  EXPECT_TRUE(showsBaseline(viewer.window, "trophy_whole_640"));
  // Its images are found beside its library and drawn as on Linux.
  const DragResult textured = dragAndDrop(viewer.window, {"text/uri-list"},
                                          fileUri(inJapaneseFolder("signpost").string()) + "\r\n");
  EXPECT_TRUE(textured.finished && textured.succeeded);
  EXPECT_TRUE(showsBaseline(viewer.window, "signpost_whole_640"));
}

}  // namespace

// The real viewer under the test's X display, with files dropped on its window by a drag source of
// the test's own, as a file manager drops them.
//
// A dropped model must show exactly as its committed baseline frame, its material library found
// beside it in a folder whose name has spaces and letters outside ASCII, after the open-file
// dialog was opened and cancelled. Drops that bring no model must leave the viewer running and its
// frame as it was: a web address, a file of another machine, a folder (beside a model named like
// it with ".obj" added), a source that vanishes in the middle of the drag, text alone.

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/chooser.h"
#include "tests/support/e2e.h"
#include "tests/support/png_frame.h"
#include "tests/support/temp_files.h"
#include "tests/support/xdnd_source.h"

namespace {

namespace fs = std::filesystem;

const char* const kUriList = "text/uri-list";
// File managers offer more than three types, which the target then reads from a property.
const std::vector<std::string> kFileManagerTypes = {"x-special/gnome-icon-list", "UTF8_STRING",
                                                    "text/plain", kUriList};

fs::path copyExample(const std::string& name, const fs::path& folder) {
  fs::create_directories(folder);
  for (const char* extension : {".obj", ".mtl"}) {
    fs::copy_file(fs::path(PALVETTA_EXAMPLES) / (name + extension), folder / (name + extension),
                  fs::copy_options::overwrite_existing);
  }
  return folder / (name + ".obj");
}

using FileDropE2eTest = ViewerFixture;

TEST_F(FileDropE2eTest, BadDropsChangeNothingAndTheNextDroppedModelShowsWithItsMaterials) {
  const fs::path folder = fs::path(testFolder());
  const fs::path torus = copyExample("torus", folder / "Mallit ja kuvat – Äänekoski");
  const fs::path blocks = copyExample("blocks", folder);
  fs::create_directories(folder / "blocks");
  fs::create_directories(folder / "start");
  ASSERT_TRUE(chooserStartsInWorkingFolder((folder / "home").string()));
  const fs::path errors = folder / "stderr.txt";
  viewer = startViewer(PALVETTA_BINARY, (folder / "start").string(), {}, errors.string());
  ASSERT_NE(viewer.window, 0UL) << "the viewer's window did not appear";
  ASSERT_TRUE(showsBaseline(viewer.window, "floor_640"));
  ASSERT_TRUE(runTool("xdotool key l search --sync --onlyvisible --name '^Obj File$' > /dev/null"));
  ASSERT_TRUE(pressUntilGone("Escape", "Obj File", viewer.pid));

  const std::string elsewhere = "file://elsewhere.invalid" + fileUri(torus.string()).substr(7);
  for (const std::string& uri : {std::string("http://models.invalid/torus.obj"), elsewhere}) {
    const DragResult remote = dragAndDrop(viewer.window, {kUriList}, uri + "\r\n");
    EXPECT_TRUE(remote.finished && !remote.succeeded) << uri;
  }
  // A local folder is taken from the list, and refused when opened.
  EXPECT_TRUE(
      dragAndDrop(viewer.window, {kUriList}, fileUri((folder / "blocks").string())).succeeded);
  dragAndDrop(viewer.window, kFileManagerTypes, fileUri(blocks.string()), DragEnd::vanish);
  // Its answer comes after every frame the drops before it could have drawn.
  const DragResult textOnly = dragAndDrop(viewer.window, {"text/plain"}, blocks.string());
  EXPECT_TRUE(textOnly.answered && !textOnly.accepted);
  EXPECT_TRUE(matchesBaseline(captureWindow(viewer.window), "floor_640"));
  EXPECT_EQ(readTestFile(errors),
            "palvetta: cannot open '" + (folder / "blocks").string() + "': Is a directory\n");

  // The first file of a drop is the one shown.
  const DragResult good = dragAndDrop(viewer.window, kFileManagerTypes,
                                      fileUri(torus.string()) + "\r\n" + fileUri(blocks.string()));
  EXPECT_TRUE(good.finished && good.succeeded);
  EXPECT_TRUE(showsBaseline(viewer.window, "torus_640"));
}

}  // namespace

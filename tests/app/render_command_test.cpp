// The real program's --render and --thumbnail with DISPLAY unset: its pictures against the
// window's baseline frames, and its answers to what cannot be done.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/e2e.h"
#include "tests/support/png_frame.h"
#include "tests/support/temp_files.h"

namespace {

// Runs the program in testFolder() without a display and collects its standard error; Mesa's
// allocations outlive the process, so a sanitizer build checks no leaks here.
CommandResult render(const std::string& arguments) {
  return runCommand("cd '" + testFolder() +
                    "' && env -u DISPLAY -u WAYLAND_DISPLAY ASAN_OPTIONS=detect_leaks=0 '" +
                    PALVETTA_BINARY + "' " + arguments + " 2>&1 > /dev/null");
}

std::string example(const std::string& name) {
  return std::string(PALVETTA_EXAMPLES) + "/" + name + ".obj";
}

bool exists(const std::string& name) {
  return std::filesystem::exists(testFolder() + "/" + name);
}

// Every pixel of the frame, or none, shows the clear colour.
int clearPixels(const Frame& frame) {
  return frame.width * frame.height - countNotClear(frame);
}

TEST(RenderCommandTest, EveryExampleMatchesTheWindowsFrameOfTheSameSize) {
  for (const char* name : {"floor", "torus", "blocks", "far_away"}) {
    const std::string file = std::string(name) == "floor" ? "" : example(name);
    // The picture's name is relative: it is written where the command started, not beside FILE.
    const std::string picture = std::string(name) + ".png";
    // Nothing is left out of these, so nothing is said.
    EXPECT_EQ(render("--render " + picture + " " + file).output, "") << name;
    EXPECT_TRUE(
        matchesBaseline(readPngFrame(testFolder() + "/" + picture), name + std::string("_640")));
    ASSERT_EQ(render("--size 250 --render " + picture + " " + file).status, 0) << name;
    EXPECT_TRUE(
        matchesBaseline(readPngFrame(testFolder() + "/" + picture), name + std::string("_250")));
  }
}

TEST(RenderCommandTest, WholeModelsMatchTheirBaselinesAndTheDefaultReadingSaysWhatItLeftOut) {
  for (const char* name : {"trophy", "far_away", "signpost"}) {
    const CommandResult whole = render("--whole --render whole.png " + example(name));
    EXPECT_EQ(whole.status, 0) << name;
    EXPECT_EQ(whole.output, "") << name;
    EXPECT_TRUE(matchesBaseline(readPngFrame(testFolder() + "/whole.png"),
                                std::string(name) + "_whole_640"));
  }
  // Without its images the signpost is drawn in its materials' colours, and the line says so.
  for (const char* file : {"signpost.obj", "signpost.mtl"}) {
    std::filesystem::copy_file(std::string(PALVETTA_EXAMPLES) + "/" + file,
                               testFolder() + "/" + file,
                               std::filesystem::copy_options::overwrite_existing);
  }
  const CommandResult bare = render("--whole --render bare.png signpost.obj");
  EXPECT_EQ(bare.status, 0);
  EXPECT_EQ(bare.output,
            "palvetta: 'signpost.obj': 3 of 3 images not found: .\\textures\\stone.png, "
            "textures\\\\sign.jpg, textures/fence.png\n");
  EXPECT_FALSE(matchesBaseline(readPngFrame(testFolder() + "/bare.png"), "signpost_whole_640"));
  // Read by default, the trophy loses its 22 quads and the star's front, written v/t/n.
  const CommandResult trophy = render("--render trophy.png --size 16 " + example("trophy"));
  EXPECT_EQ(trophy.status, 0);
  EXPECT_EQ(trophy.output, "palvetta: '" + example("trophy") +
                               "': 23 face lines skipped; palvetta --whole draws every face\n");
}

TEST(RenderCommandTest, OptionsAndExitStatuses) {
  // Straight down from 5 units the floor (half-width 5) fills the 45-degree view. Asked for from
  // 0.5 units (inside the near plane at 1) and from 20 degrees below the floor (which shows only
  // its back, culled), the camera's limits bring it back there.
  EXPECT_EQ(render("--render down.png --size 16 --view 0.5,0,-200").status, 0);
  const Frame down = readPngFrame(testFolder() + "/down.png");
  EXPECT_EQ(down.width, 16);
  EXPECT_EQ(down.height, 16);
  EXPECT_EQ(clearPixels(down), 0);
  // There is no farthest limit: from 600 units the floor lies beyond the far plane at 500.
  EXPECT_EQ(render("--render far.png --size 16 --view 600,0,-90").status, 0);
  EXPECT_EQ(clearPixels(readPngFrame(testFolder() + "/far.png")), 16 * 16);

  // A thumbnail is the same picture; for a file with nothing to draw it leaves no file.
  EXPECT_EQ(render("--thumbnail thumb.png --size 250 -- " + example("torus")).status, 0);
  EXPECT_TRUE(matchesBaseline(readPngFrame(testFolder() + "/thumb.png"), "torus_250"));
  writeTestFile("no_triangles.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1/1/1 2/2/2 3/3/3\n");
  const CommandResult empty = render("--thumbnail empty.png no_triangles.obj");
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(empty.output,
            "palvetta: 'no_triangles.obj': 1 face line skipped; palvetta --whole draws every face\n"
            "palvetta: nothing to draw in 'no_triangles.obj'\n");
  EXPECT_FALSE(exists("empty.png"));

  const CommandResult missing = render("--render missing.png missing.obj");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.output, "palvetta: cannot open 'missing.obj': No such file or directory\n");
  EXPECT_FALSE(exists("missing.png"));
  const CommandResult unwritable = render("--render no/such/folder.png");
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_EQ(unwritable.output,
            "palvetta: cannot write 'no/such/folder.png': No such file or directory\n");

  const CommandResult usage = render("--render small.png --size 15");
  EXPECT_EQ(usage.status, 2);
  EXPECT_TRUE(usage.output.starts_with("palvetta: --size takes a whole number from 16 to 4096"))
      << usage.output;
  EXPECT_FALSE(exists("small.png"));
  EXPECT_EQ(render("--thumbnail alone.png").status, 2);
}

}  // namespace

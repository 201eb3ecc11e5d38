#include "app/options.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

CommandLine parse(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "palvetta");
  return parseCommandLine(arguments);
}

TEST(OptionsTest, TakesOneFileAndPassesTheToolkitsOptionsOver) {
  EXPECT_EQ(parse({}).action, CommandLineAction::view);
  EXPECT_FALSE(parse({}).file);

  const CommandLine withToolkit =
      parse({"-display", ":5", "-geometry", "300x300+0+0", "-sync", "model.obj", "-iconic"});
  EXPECT_EQ(withToolkit.action, CommandLineAction::view);
  EXPECT_EQ(withToolkit.file, "model.obj");
  // freeglut's own options: a value after -display and -geometry is never taken for the FILE,
  // even when it looks like one; the others stand alone, so what follows them is the FILE.
  for (const char* option : {"-display", "-geometry"}) {
    EXPECT_EQ(parse({option, "x.obj"}).file, std::nullopt) << option;
    EXPECT_EQ(parse({option, "x.obj", "model.obj"}).file, "model.obj") << option;
  }
  for (const char* option : {"-direct", "-indirect", "-iconic", "-gldebug", "-sync"}) {
    EXPECT_EQ(parse({option, "model.obj"}).file, "model.obj") << option;
  }
  EXPECT_EQ(parse({"--", "-dash.obj"}).file, "-dash.obj");
  EXPECT_EQ(parse({"-"}).file, "-");

  // --whole, with or without a FILE, in the window or a picture.
  EXPECT_EQ(parse({}).reading, Reading::specified);
  EXPECT_EQ(parse({"--whole"}).reading, Reading::whole);
  for (const std::vector<std::string>& whole : {std::vector<std::string>{"m.obj", "--whole"},
                                                {"--render", "a.png", "--whole", "--", "m.obj"},
                                                {"--whole", "--thumbnail", "a.png", "m.obj"}}) {
    EXPECT_EQ(parse(whole).reading, Reading::whole);
    EXPECT_EQ(parse(whole).file, "m.obj");
  }
  EXPECT_EQ(parse({"--", "--whole"}).file, "--whole");

  EXPECT_EQ(parse({"model.obj", "--help"}).action, CommandLineAction::help);
  EXPECT_EQ(parse({"--version"}).action, CommandLineAction::version);
}

TEST(OptionsTest, AMistakeIsNamed) {
  const CommandLine unknown = parse({"model.obj", "--bogus"});
  EXPECT_EQ(unknown.action, CommandLineAction::usageError);
  EXPECT_EQ(unknown.error, "unknown option '--bogus'");
  EXPECT_EQ(parse({"-x"}).action, CommandLineAction::usageError);
  EXPECT_EQ(parse({"a.obj", "b.obj"}).action, CommandLineAction::usageError);
  EXPECT_EQ(parse({"-sync", "-display"}).error, "option '-display' needs a value");
  EXPECT_EQ(parse({"-geometry"}).error, "option '-geometry' needs a value");
}

TEST(OptionsTest, APictureTakesItsSizeAndCameraAndRefusesWhatItCannotDraw) {
  const CommandLine render =
      parse({"--size", "16", "--render", "-out.png", "--view", "5.5,-1e2,0"});
  EXPECT_EQ(render.action, CommandLineAction::render);
  EXPECT_EQ(render.picture, "-out.png");
  EXPECT_FALSE(render.thumbnail);
  EXPECT_EQ(render.pictureSize, 16);
  ASSERT_TRUE(render.view);
  EXPECT_EQ(render.view->distance, 5.5);
  EXPECT_EQ(render.view->yaw, -100.0);
  EXPECT_EQ(render.view->pitch, 0.0);
  EXPECT_EQ(parse({"--render", "a.png"}).pictureSize, std::nullopt);
  EXPECT_EQ(parse({"--size", "4096", "--thumbnail", "t.png", "m.obj"}).thumbnail, true);
  // After "--" an option's name is a FILE.
  EXPECT_EQ(parse({"--render", "a.png", "--", "--size"}).file, "--size");

  for (const std::vector<std::string>& wrong :
       {std::vector<std::string>{"--render", "a.png", "--size", "15"},
        {"--render", "a.png", "--size", "4097"},
        {"--render", "a.png", "--size", "256px"},
        {"--render", "a.png", "--view", "15,-30"},
        {"--render", "a.png", "--view", "15,-30,-30,"},
        {"--render", "a.png", "--view", "15;-30;-30"},
        {"--render", "a.png", "--view", "15,nan,-30"},
        {"--render", "a.png", "--render", "b.png"},
        {"--render", ""},
        {"--render"},
        {"--size", "256", "model.obj"},
        {"--thumbnail", "t.png"}}) {
    EXPECT_EQ(parse(wrong).action, CommandLineAction::usageError) << parse(wrong).error;
  }
  EXPECT_EQ(parse({"--view", "1,2,3"}).error, "--size and --view go with --render or --thumbnail");
}

TEST(OptionsTest, AnswersGoToTheRightStreamWithTheirExitStatus) {
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(answerCommandLine(parse({"--version"}), out, err), 0);
  EXPECT_EQ(out.str(), std::string("palvetta ") + PALVETTA_VERSION + "\n");

  out.str("");
  EXPECT_EQ(answerCommandLine(parse({"--help"}), out, err), 0);
  EXPECT_TRUE(out.str().starts_with("Usage: palvetta [OPTION]... [FILE]\n"));
  for (const char* control : {"  l ", "right-drag", "left-drag"}) {
    EXPECT_NE(out.str().find(control), std::string::npos) << control;
  }
  EXPECT_EQ(err.str(), "");

  out.str("");
  EXPECT_EQ(answerCommandLine(parse({"--bogus"}), out, err), 2);
  EXPECT_EQ(out.str(), "");
  EXPECT_TRUE(err.str().starts_with("palvetta: unknown option '--bogus'\nUsage: palvetta"));
}

}  // namespace

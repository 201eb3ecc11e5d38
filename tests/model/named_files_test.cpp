// Names as files made on Windows write them, looked up in a tree laid out by hand.
#include "model/named_files.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "tests/support/temp_files.h"

namespace {

std::string at(std::string_view relative) {
  return testFolder() + "/" + std::string(relative);
}

class NamedFilesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // lib/stone.png is a folder. Two spellings of one name and a FIFO need Linux.
    std::filesystem::create_directories(nativePath(at("lib/stone.png")));
    std::filesystem::create_directories(nativePath(at("lib/Same")));
    for (const char* file :
         {"model.obj", "materials/box.mtl", "lib/box.mtl", "lib/Textures/Wood.JPG", "lib/x.png",
          "x.png", "table.png", "deep/far.png", "stone.png", "pipe.png"}) {
      std::filesystem::create_directories(nativePath(at(file)).parent_path());
      writeTestFile(file, "");
    }
#ifndef _WIN32
    writeTestFile("lib/Same/WOOD.jpg", "");
    writeTestFile("lib/Same/Wood.JPG", "");
    ASSERT_EQ(mkfifo(at("lib/pipe.png").c_str(), 0600), 0);
#endif
  }
  static std::string from(std::string_view name, const char* naming = "lib/box.mtl") {
    return findNamedFile(at(naming), name, at("model.obj"));
  }
};

bool isFile(const std::string& found, const char* relative) {
  std::error_code error;
  return std::filesystem::equivalent(nativePath(found), nativePath(at(relative)), error);
}

TEST_F(NamedFilesTest, BothSeparatorsInRunsAbsoluteNamesAndCaseOfEveryComponent) {
  EXPECT_PRED2(isFile, from("materials\\\\box.mtl", "model.obj"), "materials/box.mtl");
  EXPECT_PRED2(isFile, from(".\\Textures\\Wood.JPG"), "lib/Textures/Wood.JPG");
  EXPECT_PRED2(isFile, from(at("deep/far.png")), "deep/far.png");
  EXPECT_PRED2(isFile, from("textures\\\\wood.jpg"), "lib/Textures/Wood.JPG");
  EXPECT_PRED2(isFile, from("MATERIALS\\BOX.MTL", "model.obj"), "materials/box.mtl");
}

TEST_F(NamedFilesTest, LastComponentBesideTheMtlThenTheObjOnlyRegularFilesOrNothing) {
  EXPECT_PRED2(isFile, from("E:\\work\\x.png"), "lib/x.png");
  EXPECT_PRED2(isFile, from("E:\\work\\TABLE.PNG"), "table.png");
  EXPECT_PRED2(isFile, from("stone.png"), "stone.png");
  EXPECT_PRED2(isFile, from("pipe.png"), "pipe.png");
  EXPECT_PRED2(isFile, from(std::string(10000, 'a') + "\\x.png"), "lib/x.png");  // too long
  for (const std::string& name : {std::string(), std::string("\\/\\//"), std::string(10000, 'a'),
                                  std::string("\xff\xfe/\xc0\x01.png"), std::string("C:/a.png")}) {
    EXPECT_EQ(from(name), "") << name.size();
  }
}

#ifndef _WIN32
TEST_F(NamedFilesTest, LeadingBackslashIsRelativeAndExactSpellingsComeFirst) {
  EXPECT_PRED2(isFile, from("\\Textures\\Wood.JPG"), "lib/Textures/Wood.JPG");
  EXPECT_PRED2(isFile, from("same/Wood.JPG"), "lib/Same/Wood.JPG");
  EXPECT_PRED2(isFile, from("same/wood.jpg"), "lib/Same/WOOD.jpg");  // the smaller name
}
#endif

}  // namespace

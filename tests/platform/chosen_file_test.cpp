#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/chosen_file.h"
#include "tests/support/temp_files.h"

namespace {

TEST(ChosenFileTest, ExtensionIsADotInTheLastNameAfterItsFirstCharacter) {
  EXPECT_TRUE(hasExtension("model.obj"));
  EXPECT_TRUE(hasExtension("/a/b/model.tar.gz"));
  EXPECT_TRUE(hasExtension("/a/b/name."));
  EXPECT_FALSE(hasExtension("model"));
  EXPECT_FALSE(hasExtension("/folder.d/model"));
  EXPECT_FALSE(hasExtension("/a/.hidden"));
  EXPECT_FALSE(hasExtension(""));
}

TEST(ChosenFileTest, AnExistingRegularFileIsTakenOtherwiseObjIsAppendedToANameWithoutOne) {
  const std::string model = writeTestFile("teapot.obj", "v 0 0 0\n");
  const std::string bare = writeTestFile("README", "text\n");
  writeTestFile("teapot.txt.obj", "v 0 0 0\n");
  const std::string folder = testFolder();
  EXPECT_EQ(acceptChosenFile(model), model);
  // A file without an extension that exists is taken as it is.
  EXPECT_EQ(acceptChosenFile(bare), bare);
  // The name typed without its extension.
  EXPECT_EQ(acceptChosenFile(folder + "/teapot"), model);
  // With an extension of its own (teapot.txt), nothing is appended, even where that would name a
  // model. Folders and devices are no models, not even with ".obj" after them.
  std::filesystem::create_directory(folder + "/shelf.obj");
  std::filesystem::create_directory(folder + "/shelf");
  ASSERT_EQ(mkfifo((folder + "/pipe.obj").c_str(), 0600), 0);
  for (const std::string& refused :
       {folder + "/teapot.txt", folder + "/missing", folder + "/shelf", folder, folder + "/",
        std::string("/dev/null"), folder + "/pipe", std::string()}) {
    EXPECT_EQ(acceptChosenFile(refused), std::nullopt) << refused;
  }
}

using EnterFolderTest = CurrentDirectoryTest;

TEST_F(EnterFolderTest, TheChosenFileOpensByItsNameFromItsOwnFolder) {
  const std::string path = writeTestFile("house.obj", "v 1 2 3\n");
  EXPECT_EQ(enterFolderOf(path), "house.obj");
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(testFolder()));
  EXPECT_TRUE(std::ifstream("house.obj").good());
  // A name without a folder is already where it should be.
  EXPECT_EQ(enterFolderOf("house.obj"), "house.obj");
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(testFolder()));
  EXPECT_EQ(enterFolderOf("/model.obj"), "model.obj");
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path("/"));
}

TEST_F(EnterFolderTest, AFullPathLongerThan255BytesStillGivesAShortName) {
  std::string folder = testFolder();
  while (folder.size() < 600) {
    folder += "/" + std::string(60, 'd');
  }
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/deep.obj";
  std::ofstream(path) << "v 0 0 0\n";
  const std::optional<std::string> name = enterFolderOf(*acceptChosenFile(path.substr(0, path.size() - 4)));
  ASSERT_EQ(name, "deep.obj");
  EXPECT_TRUE(std::ifstream(*name).good());
}

TEST_F(EnterFolderTest, AFolderThatCannotBeEnteredLeavesTheCurrentDirectory) {
  const std::filesystem::path before = std::filesystem::current_path();
  EXPECT_EQ(enterFolderOf(testFolder() + "/no-such-folder/model.obj"), std::nullopt);
  EXPECT_EQ(std::filesystem::current_path(), before);
}

}  // namespace

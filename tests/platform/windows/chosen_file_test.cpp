// The Windows form of the chosen-file rules: both separators, drive roots, UTF-8 names, devices.
#include <algorithm>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/chosen_file.h"
#include "tests/support/temp_files.h"

namespace {

namespace fs = std::filesystem;

using ChosenFileTest = CurrentDirectoryTest;

TEST_F(ChosenFileTest, EitherSeparatorOrADriveEndsTheFolder) {
  EXPECT_TRUE(hasExtension("C:\\a\\model.obj"));
  EXPECT_FALSE(hasExtension("C:\\folder.d\\model"));
  EXPECT_FALSE(hasExtension("C:/folder.d/model"));
  EXPECT_FALSE(hasExtension("C:.hidden"));

  const std::string folder = testFolder();
  const std::string drive = folder.substr(0, 2);
  ASSERT_EQ(drive[1], ':') << folder;
  std::string forward = folder;
  std::replace(forward.begin(), forward.end(), '\\', '/');
  EXPECT_EQ(enterFolderOf(forward + "/house.obj"), "house.obj");
  EXPECT_EQ(fs::current_path(), fs::path(folder));
  // Roots keep their separator: "C:" alone would be the current folder of drive C.
  EXPECT_EQ(enterFolderOf(drive + "\\model.obj"), "model.obj");
  EXPECT_EQ(fs::current_path(), fs::path(drive + "\\"));
  EXPECT_EQ(enterFolderOf(folder + "\\house.obj"), "house.obj");
  EXPECT_EQ(enterFolderOf("\\model.obj"), "model.obj");
  EXPECT_EQ(fs::current_path(), fs::path(drive + "\\"));
  EXPECT_EQ(enterFolderOf(folder + "\\no-such-folder\\model.obj"), std::nullopt);
  EXPECT_EQ(fs::current_path(), fs::path(drive + "\\"));
}

TEST_F(ChosenFileTest, OnlyRegularFilesAreTakenByTheirUtf8Names) {
  const std::string folder = testFolder();
  std::ofstream(fs::path(folder) / L"töpf.obj") << "v 0 0 0\n";
  std::ofstream(fs::path(folder) / L"töpf.txt.obj") << "v 0 0 0\n";
  const std::string model = folder + "\\t\xC3\xB6pf.obj";
  EXPECT_EQ(acceptChosenFile(model), model);
  EXPECT_EQ(acceptChosenFile(folder + "\\t\xC3\xB6pf"), model);
  EXPECT_EQ(acceptChosenFile(folder + "/t\xC3\xB6pf"), folder + "/t\xC3\xB6pf.obj");
  EXPECT_EQ(acceptChosenFile(folder + "\\t\xF6pf.obj"), std::nullopt);  // Latin-1, not UTF-8
  EXPECT_EQ(acceptChosenFile(folder + "\\t\xC3\xB6pf.txt"), std::nullopt);  // has its own extension
  EXPECT_EQ(acceptChosenFile(folder), std::nullopt);
  EXPECT_EQ(acceptChosenFile(folder + "\\"), std::nullopt);
  EXPECT_EQ(acceptChosenFile(folder + "\\NUL"), std::nullopt);
  EXPECT_EQ(acceptChosenFile("CON"), std::nullopt);
  EXPECT_EQ(acceptChosenFile(""), std::nullopt);
}

}  // namespace

// The Windows open-file dialog, worked from a second thread through its own controls while the
// test's thread waits in chooseObjFile, as the viewer's keyboard callback does.
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "model/obj_reader.h"
#include "platform/open_file_dialog.h"
#include "tests/support/open_dialog_driver.h"
#include "tests/support/temp_files.h"
#include "tests/support/wait.h"

namespace {

namespace fs = std::filesystem;

constexpr int kCloseTimeoutMs = 5000;
// The longest path the dialog takes typed into its file-name field.
constexpr std::size_t kLongestTypedPath = 259;

// Runs chooseObjFile while `drive` works the dialog. A dialog that `drive` left open is cancelled,
// so the call always returns.
template <typename Drive>
std::optional<std::string> chooseWith(Drive drive) {
  std::thread driver([&drive] {
    const HWND dialog = waitForOpenDialog(kDialogTimeoutMs);
    if (dialog != nullptr) {
      drive(dialog);
      if (!waitForDialogClosed(dialog, kCloseTimeoutMs)) {
        pressCancel(dialog);
      }
    }
  });
  std::optional<std::string> chosen = chooseObjFile();
  driver.join();
  return chosen;
}

TEST(OpenFileDialogFilterTest, TheObjFilterListsObjFilesInAnyCaseAndNothingElse) {
  for (const char* shown : {"model.obj", "MODEL.OBJ", "Model.Obj", "t\xC3\xB6pf.oBj"}) {
    EXPECT_TRUE(objFilterShows(shown)) << shown;
  }
  for (const char* hidden : {"model.mtl", "model.obj.bak", "model_obj", "obj", ""}) {
    EXPECT_FALSE(objFilterShows(hidden)) << hidden;
  }
}

TEST(OpenFileDialogFilterTest, TheAllFilesFilterListsNamesWithoutAnExtensionOrWithAnUnusualOne) {
  for (const char* shown : {"README", "scan.xyz7", "model.obj", "t\xC3\xB6pf.obj.bak"}) {
    EXPECT_TRUE(allFilesFilterShows(shown)) << shown;
  }
}

using OpenFileDialogTest = CurrentDirectoryTest;

TEST_F(OpenFileDialogTest, OffersItsFiltersAndACancelAfterBrowsingLeavesTheCurrentDirectory) {
  std::vector<std::wstring> labels;
  int selected = -1;
  std::wstring proposed = L"?";
  const std::optional<std::string> chosen = chooseWith([&](HWND dialog) {
    labels = fileTypeLabels(dialog, selected);
    proposed = fileNameText(dialog);
    typeNameAndOpen(dialog, fs::path(testFolder()).wstring());  // moves into that folder
    pressCancel(dialog);
  });
  EXPECT_EQ(chosen, std::nullopt);
  EXPECT_EQ(fs::current_path(), startFolder);
  EXPECT_EQ(labels, (std::vector<std::wstring>{L"Obj File (*.obj)", L"すべて(*.*)"}));
  EXPECT_EQ(selected, 0);
  EXPECT_EQ(proposed, L"");
}

// A model of the longest path the dialog takes, in folders named outside most code pages, with a
// library named in UTF-8. Chosen by its typed full path, and by its name typed after moving into
// its folder, it must be read with its materials from its own folder.
TEST_F(OpenFileDialogTest, AChosenFileIsReadWithItsMaterialsFromItsFolderHoweverItWasTyped) {
  const std::wstring name = L"model.obj";
  fs::path folder = fs::path(testFolder());
  const std::size_t folderLength = kLongestTypedPath - 1 - name.size();
  // Folders of up to 100 characters, the first starting "モデル", fill the path whatever the
  // temporary folder's length. A separator needs a name after it: 101 characters left are
  // never filled as 100 and 1.
  for (std::wstring start = L"モデル"; folder.wstring().size() < folderLength; start.clear()) {
    const std::size_t room = folderLength - folder.wstring().size() - 1;
    const std::size_t fill = room == 101 ? 99 : std::min<std::size_t>(room, 100);
    const std::size_t chars = std::max(fill, start.size());
    folder /= start + std::wstring(chars - start.size(), L'ö');
  }
  fs::create_directories(folder);
  const fs::path model = folder / name;
  ASSERT_EQ(model.wstring().size(), kLongestTypedPath);
  std::ofstream(model, std::ios::binary) << "mtllib \xC3\xB6.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                                            "vn 0 0 1\nusemtl r\xC3\xB6\x64\nf 1//1 2//1 3//1\n";
  std::ofstream(folder / L"ö.mtl", std::ios::binary) << "newmtl r\xC3\xB6\x64\nKd 1 0.5 0.25\n";

  const std::vector<std::vector<std::wstring>> typings = {{model.wstring()},
                                                          {folder.wstring(), name}};
  for (const std::vector<std::wstring>& typed : typings) {
    fs::current_path(startFolder);
    const std::optional<std::string> chosen = chooseWith([&typed](HWND dialog) {
      for (const std::wstring& text : typed) {
        typeNameAndOpen(dialog, text);
      }
    });
    ASSERT_EQ(chosen, "model.obj") << typed.size() << " typings";
    EXPECT_EQ(fs::current_path(), folder);
    const std::unique_ptr<ObjModel> loaded = loadObjModel(chosen->c_str());
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->materialCount, 1);
    EXPECT_EQ(loaded->materials[0]->diffuse.b, 0.25f);
    ASSERT_EQ(loaded->faceCount, 1);
    EXPECT_EQ(loaded->faceMaterial[0], loaded->materials[0]);
  }
}

}  // namespace

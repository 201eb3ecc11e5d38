// What the Linux dialog's filters list; they need no display.
#include <gtest/gtest.h>

#include "platform/open_file_dialog.h"

namespace {

TEST(OpenFileDialogTest, TheObjFilterListsObjFilesInAnyCaseAndNothingElse) {
  for (const char* shown : {"model.obj", "MODEL.OBJ", "Model.Obj", "a.b.oBj"}) {
    EXPECT_TRUE(objFilterShows(shown)) << shown;
  }
  for (const char* hidden : {"model.mtl", "model.obj.bak", "model_obj", "modelobj", "obj", ""}) {
    EXPECT_FALSE(objFilterShows(hidden)) << hidden;
  }
}

TEST(OpenFileDialogTest, TheAllFilesFilterListsNamesWithoutAnExtensionOrWithAnUnusualOne) {
  for (const char* shown : {"README", "scan.xyz7", "model.obj", "model.obj.bak"}) {
    EXPECT_TRUE(allFilesFilterShows(shown)) << shown;
  }
}

}  // namespace

// What the Linux dialog's "Obj File (*.obj)" filter lists; it needs no display.
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

}  // namespace

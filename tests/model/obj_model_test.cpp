#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <gtest/gtest.h>

#include "app/viewer_state.h"
#include "model/obj_reader.h"
#include "tests/support/temp_files.h"

namespace {

TEST(ObjModelTest, FaceIndicesInRangeChecksEveryCornerAgainstBothLists) {
  ObjModel model;
  model.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  model.positionCount = 3;
  model.normals = {{0, 0, 1}};
  model.normalCount = 1;
  model.faceVertexIndex = {0, 1, 2};
  model.faceNormalIndex = {0, 0, 0};
  model.faceMaterial = {nullptr};
  model.faceCount = 1;
  EXPECT_TRUE(faceIndicesInRange(model, 0));
  EXPECT_FALSE(faceIndicesInRange(model, 1));
  EXPECT_FALSE(faceIndicesInRange(model, -1));
  for (int k = 0; k < 3; ++k) {
    for (const int32_t bad : {-1, 3, INT32_MIN, INT32_MAX}) {
      model.faceVertexIndex[k] = bad;
      EXPECT_FALSE(faceIndicesInRange(model, 0)) << "vertex corner " << k << " = " << bad;
      model.faceVertexIndex[k] = k;
      model.faceNormalIndex[k] = bad == 3 ? 1 : bad;
      EXPECT_FALSE(faceIndicesInRange(model, 0)) << "normal corner " << k << " = " << bad;
      model.faceNormalIndex[k] = 0;
    }
  }
  // A count larger than what is stored must not let a reader past the end.
  model.positionCount = 10;
  model.faceVertexIndex[0] = 5;
  EXPECT_FALSE(faceIndicesInRange(model, 0));
}

// The heap's figures come from the GNU C library.
#ifdef __GLIBC__
TEST(ObjModelTest, ReplacingTheModelReleasesTheOldOne) {
  writeTestFile("replace.mtl", "newmtl a\nKd 1 0 0\nnewmtl b\nKd 0 1 0\n");
  const std::string obj = writeTestFile(
      "replace.obj",
      "mtllib " + testFolder() + "/replace.mtl\nmtllib " + testFolder() +
          "/replace.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nusemtl b\nf 1//1 2//1 3//1\n");
  ViewerState state;
  // Each model's triangle has a material of its own: one left from the model just replaced would
  // be freed, and reading it a certain report under the sanitizers, not a matter of reuse.
  auto loadOnce = [&] {
    state.model = loadObjModel(obj.c_str());
    ASSERT_NE(state.model, nullptr);
    const ObjMaterial* material = state.model->faceMaterial.at(0);
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(material->name, "b");
    EXPECT_EQ(material, state.model->materials[1]);
    EXPECT_EQ(material, state.model->ownedMaterials.back().get());
  };
  for (int i = 0; i < 10; ++i) {
    loadOnce();
  }
  const std::size_t inUseAfterTen = mallinfo2().uordblks;
  for (int i = 0; i < 1000; ++i) {
    loadOnce();
  }
  // Under the sanitizer build LeakSanitizer also checks this at exit; here the heap must not have
  // grown by even one model per load.
  EXPECT_LT(mallinfo2().uordblks, inUseAfterTen + 4096);
}
#endif

}  // namespace

// The example models: the committed files are what the generator writes, and each one loads from
// its own folder with every triangle drawable and coloured.
#include <filesystem>

#include <gtest/gtest.h>

#include "model/obj_reader.h"
#include "model/whole_reader.h"
#include "tests/support/process.h"
#include "tests/support/temp_files.h"

namespace {

// Models of the specified subset; the trophy is written as exporters write and read whole.
const char* const kExamples[] = {"torus", "blocks", "far_away"};
const char* const kGenerated[] = {"torus", "blocks", "far_away", "trophy", "signpost"};
const char* const kImages[] = {"textures/sign.jpg", "textures/stone.png", "textures/fence.png"};

TEST(ExamplesTest, CommittedFilesAreWhatTheGeneratorWrites) {
  const std::string command = std::string(GENERATE_EXAMPLES) + " " + testFolder();
  ASSERT_EQ(runShell(command), 0);
  for (const char* name : kGenerated) {
    for (const char* suffix : {".obj", ".mtl"}) {
      const std::string file = std::string(name) + suffix;
      const std::string generated = readTestFile(testFolder() + "/" + file);
      ASSERT_FALSE(generated.empty()) << file;
      EXPECT_TRUE(generated == readTestFile(std::string(PALVETTA_EXAMPLES) + "/" + file))
          << file << " is stale: run generate_examples on the examples folder";
    }
  }
  for (const char* image : kImages) {
    EXPECT_TRUE(readTestFile(testFolder() + "/" + image) ==
                readTestFile(std::string(PALVETTA_EXAMPLES) + "/" + image))
        << image << " is stale: run generate_examples on the examples folder";
  }
}

TEST(ExamplesTest, EachModelLoadsFromItsOwnFolderInItsMaterials) {
  const std::filesystem::path start = std::filesystem::current_path();
  std::filesystem::current_path(PALVETTA_EXAMPLES);
  for (const char* name : kExamples) {
    const std::unique_ptr<ObjModel> model = loadObjModel((std::string(name) + ".obj").c_str());
    ASSERT_NE(model, nullptr) << name;
    EXPECT_GT(model->faceCount, 0) << name;
    EXPECT_GE(model->materialCount, 3) << name;
    for (int32_t f = 0; f < model->faceCount; ++f) {
      ASSERT_TRUE(faceIndicesInRange(*model, f)) << name << " triangle " << f;
      ASSERT_NE(model->faceMaterial[f], nullptr) << name << " triangle " << f;
    }
  }
  // The torus fills the triangle capacity: the model for timing a full load.
  EXPECT_EQ(loadObjModel("torus.obj")->faceCount, kMaxFaces);
  ObjReadingAccount account;
  loadObjModel("torus.obj", account);
  EXPECT_FALSE(leftFacesOut(account));  // filled exactly: nothing left out

  // The trophy: the specified reading takes only the star's ten back triangles and says what it
  // left out; read whole, 22 quads and the ten-cornered star, which cuts into eight, are there too.
  EXPECT_EQ(loadObjModel("trophy.obj", account)->faceCount, 10);
  EXPECT_EQ(account.skippedFaceLines, 1 + 22);
  std::unique_ptr<ObjModel> trophy;
  ASSERT_EQ(loadWholeObjModel("trophy.obj", trophy), std::nullopt);
  EXPECT_EQ(trophy->faceCount, 10 + 2 * 22 + 8);
  std::vector<std::string> colours;
  for (int32_t f = 0; f < trophy->faceCount; ++f) {
    ASSERT_TRUE(faceIndicesInRange(*trophy, f)) << "trophy triangle " << f;
    ASSERT_NE(trophy->faceMaterial[f], nullptr) << "trophy triangle " << f;
    if (colours.empty() || colours.back() != trophy->faceMaterial[f]->name) {
      colours.push_back(trophy->faceMaterial[f]->name);
    }
  }
  // The star's face, cut at the end, comes after the base.
  EXPECT_EQ(colours, (std::vector<std::string>{"gold", "brass", "dark walnut", "gold"}));
  std::filesystem::current_path(start);
}

}  // namespace

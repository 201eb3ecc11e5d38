#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "app/load_command.h"
#include "tests/support/allocation_limit.h"
#include "tests/support/temp_files.h"

namespace {

// The dialog's stand-in: answers with whatever the test put here and counts the questions.
std::optional<std::string> nextChoice;
int questions = 0;

std::optional<std::string> fakeChooser() {
  ++questions;
  return nextChoice;
}

class LoadCommandTest : public CurrentDirectoryTest {
 protected:
  // The dialog leaves the process in the chosen file's folder; the test files share one.
  void SetUp() override {
    CurrentDirectoryTest::SetUp();
    nextChoice.reset();
    questions = 0;
    writeTestFile("triangle.mtl", "newmtl red\nKd 1 0 0\n");
    std::filesystem::current_path(testFolder());
  }

  bool press(unsigned char key) {
    Failure failure;
    const bool pressed = loadCommand(state, key, fakeChooser, failure);
    EXPECT_EQ(failure, std::nullopt) << "the default reading's load command says nothing";
    return pressed;
  }

  ViewerState state;
};

// One red triangle spanning x -1..1 and z -1..1, resting at y 2.
constexpr char kTriangle[] =
    "mtllib triangle.mtl\n"
    "v -1 2 -1\nv 1 2 -1\nv 0 2 1\n"
    "vn 0 1 0\n"
    "usemtl red\n"
    "f 1//1 3//1 2//1\n";

// Two triangles over x 0..4, z 0..2, lowest y -1.
constexpr char kTwoTriangles[] =
    "v 0 -1 0\nv 4 0 0\nv 0 3 2\nv 4 1 2\n"
    "vn 0 0 1\n"
    "f 1//1 2//1 3//1\nf 2//1 4//1 3//1\n";

TEST_F(LoadCommandTest, LowerCaseLLoadsTheChosenFileScaledToTheFloor) {
  nextChoice = "triangle.obj";
  writeTestFile(*nextChoice, kTriangle);
  EXPECT_TRUE(press('l'));
  EXPECT_EQ(questions, 1);
  ASSERT_NE(state.model, nullptr);
  EXPECT_EQ(state.model->faceCount, 1);
  ASSERT_EQ(state.model->materialCount, 1);
  EXPECT_EQ(state.model->faceMaterial[0]->diffuse.r, 1.0f);
  // Width and depth 2 become 5: scale 2.5, and the triangle's height 2 becomes the offset.
  EXPECT_FLOAT_EQ(state.floorOffset, 5.0f);
  EXPECT_FLOAT_EQ(state.model->positions[1].x, 2.5f);
  EXPECT_FLOAT_EQ(state.model->positions[2].z, 2.5f);
  EXPECT_FLOAT_EQ(state.model->normals[0].y, 1.0f);
}

TEST_F(LoadCommandTest, OtherKeysAskNothingAndChangeNothing) {
  nextChoice = writeTestFile("keys.obj", kTwoTriangles);
  for (const int key : {int{'L'}, int{'k'}, int{'m'}, int{' '}, 0, 27, 'l' + 128, 255}) {
    EXPECT_FALSE(press(static_cast<unsigned char>(key))) << key;
  }
  EXPECT_EQ(questions, 0);
  EXPECT_EQ(state.model, nullptr);
  EXPECT_EQ(state.floorOffset, 0.0f);
}

TEST_F(LoadCommandTest, CancelKeepsTheModelAndTheOffset) {
  nextChoice = writeTestFile("cancel.obj", kTwoTriangles);
  ASSERT_TRUE(press('l'));
  const ObjModel* shown = state.model.get();
  const float offset = state.floorOffset;
  const Vec3 corner = shown->positions[3];
  nextChoice.reset();
  EXPECT_FALSE(press('l'));
  EXPECT_EQ(questions, 2);
  EXPECT_EQ(state.model.get(), shown);
  EXPECT_EQ(state.floorOffset, offset);
  // Not normalised a second time.
  EXPECT_EQ(state.model->positions[3].x, corner.x);
}

TEST_F(LoadCommandTest, AFileThatCannotBeOpenedEmptiesTheView) {
  for (const std::string& path : {testFolder() + "/missing.obj", std::string()}) {
    nextChoice = writeTestFile("good.obj", kTwoTriangles);
    ASSERT_TRUE(press('l'));
    ASSERT_NE(state.model, nullptr);
    ASSERT_NE(state.floorOffset, 0.0f);
    nextChoice = path;
    EXPECT_TRUE(press('l')) << path;
    EXPECT_EQ(state.model, nullptr) << path;
    EXPECT_EQ(state.floorOffset, 0.0f) << path;
  }
}

TEST_F(LoadCommandTest, ASecondLoadReplacesTheFirstAndTheCameraStays) {
  nextChoice = writeTestFile("first.obj", kTwoTriangles);
  ASSERT_TRUE(press('l'));
  // The camera, a drag under way and the pointer, all away from where they start.
  const auto camera = [this] {
    CameraState& c = state.camera;
    return std::tie(c.cameraDistance, c.cameraYaw, c.cameraPitch, c.orbitDrag, c.lastX, c.lastY);
  };
  const auto moved = std::tuple(22.5f, 300.0f, -75.0f, 1, 17, 33);
  camera() = moved;

  nextChoice = writeTestFile("second.obj", kTriangle);
  ASSERT_TRUE(press('l'));
  ASSERT_NE(state.model, nullptr);
  EXPECT_EQ(state.model->faceCount, 1);
  EXPECT_EQ(state.model->materialCount, 1);
  EXPECT_FLOAT_EQ(state.floorOffset, 5.0f);
  EXPECT_EQ(camera(), moved);
}

TEST_F(LoadCommandTest, VerticesWithoutTrianglesStillSetTheFloorOffset) {
  // Only face forms the reader does not take: the floor is drawn alone, yet the offset counts.
  nextChoice = writeTestFile("pointcloud.obj",
                             "v 0 -2 0\nv 10 1 0\nv 5 3 4\nf 1/1/1 2/2/2 3/3/3\nf 1 2 3\n");
  ASSERT_TRUE(press('l'));
  ASSERT_NE(state.model, nullptr);
  EXPECT_EQ(state.model->faceCount, 0);
  EXPECT_EQ(state.model->positionCount, 3);
  EXPECT_FLOAT_EQ(state.floorOffset, -1.0f);  // scale 5 / 10 on the lowest y, -2
}

// Named files: FILE, drops and pictures.
using LoadModelTest = CurrentDirectoryTest;

TEST_F(LoadModelTest, ARelativePathLoadsWithTheLibraryBesideIt) {
  std::filesystem::create_directories(testFolder() + "/models");
  writeTestFile("models/red.mtl", "newmtl red\nKd 1 0 0\n");
  writeTestFile("models/triangle.obj",
                "mtllib red.mtl\nv -1 2 -1\nv 1 2 -1\nv 0 2 1\nvn 0 1 0\nusemtl red\n"
                "f 1//1 3//1 2//1\n");
  // Read whole, the library is found beside the file without a move of the current directory.
  for (const Reading reading : {Reading::specified, Reading::whole}) {
    std::filesystem::current_path(testFolder());
    ViewerState state;
    state.reading = reading;
    std::string note = "stale";
    EXPECT_EQ(loadModel(state, "models/triangle.obj", LoadWay::named, note), std::nullopt);
    EXPECT_EQ(note, "");
    ASSERT_NE(state.model, nullptr);
    ASSERT_EQ(state.model->faceCount, 1);
    ASSERT_NE(state.model->faceMaterial[0], nullptr);
    EXPECT_EQ(state.model->faceMaterial[0]->diffuse.r, 1.0f);
    if (reading == Reading::specified) {
      EXPECT_EQ(state.model->materialCount, 1);
      EXPECT_FLOAT_EQ(state.floorOffset, 5.0f);  // width 2 scaled to 5, height 2 to the offset
      EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(testFolder()) / "models");
    } else {
      EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(testFolder()));
    }
  }
}

TEST_F(LoadModelTest, WhatCannotBeOpenedIsNamedAndChangesNothing) {
  std::filesystem::current_path(testFolder());
  std::filesystem::create_directories(testFolder() + "/folder.obj");
  ViewerState state;
  state.floorOffset = 1.5f;
  std::string note;
  EXPECT_EQ(loadModel(state, "missing/x.obj", LoadWay::named, note),
            "palvetta: cannot open 'missing/x.obj': No such file or directory");
  EXPECT_EQ(loadModel(state, "folder.obj", LoadWay::named, note),
            "palvetta: cannot open 'folder.obj': Is a directory");
#ifndef _WIN32
  // Windows' device names (NUL) are not files Wine can report on, so this stays a Linux case.
  EXPECT_EQ(loadModel(state, "/dev/null", LoadWay::named, note),
            "palvetta: cannot open '/dev/null': Not a regular file");
#endif
  EXPECT_EQ(state.model, nullptr);
  EXPECT_EQ(state.floorOffset, 1.5f);
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(testFolder()));
}

// A quad, then two face lines the default reading skips.
constexpr char kQuadAndSkippedLines[] =
    "v 0 1 0\nv 0 1 2\nv 2 1 2\nv 2 1 0\nvn 0 1 0\n"
    "f 1//1 2//1 3//1 4//1\nf 1/1/1 2/1/1 3/1/1\nf 4 3 2\n";

std::optional<std::string> chooseQuad() {
  return "quad.obj";
}

TEST_F(LoadModelTest, ANamedFileSaysWhatTheDefaultReadingLeftOutAndNothingElseSaysAWord) {
  const std::string quad = writeTestFile("quad.obj", kQuadAndSkippedLines);
  ViewerState state;
  std::string note;
  ASSERT_EQ(loadModel(state, quad, LoadWay::named, note), std::nullopt);
  EXPECT_EQ(note, "palvetta: '" + quad +
                      "': 2 face lines skipped, 1 polygon cut to its first triangle; "
                      "palvetta --whole draws every face");
  const std::string triangle = writeTestFile("triangle.obj", kTriangle);
  ASSERT_EQ(loadModel(state, triangle, LoadWay::named, note), std::nullopt);
  EXPECT_EQ(note, "");  // nothing left out
  Failure failure;
  ASSERT_TRUE(loadCommand(state, 'l', chooseQuad, failure));
  EXPECT_EQ(failure, std::nullopt);
  EXPECT_EQ(state.model->faceCount, 1);

  // Read whole, every way takes every face and has nothing to say.
  state.reading = Reading::whole;
  ASSERT_EQ(loadModel(state, quad, LoadWay::named, note), std::nullopt);
  EXPECT_EQ(note, "");
  ASSERT_TRUE(loadCommand(state, 'l', chooseQuad, failure));
  EXPECT_EQ(state.model->faceCount, 4);
}

TEST_F(LoadModelTest, AWholeModelTooLargeForMemoryChangesNothing) {
  std::string large = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  for (int i = 0; i < 100000; ++i) {
    large += "f 1 2 3\n";
  }
  std::filesystem::create_directories(testFolder() + "/large");
  writeTestFile("large/large.obj", large);
  writeTestFile("quad.obj", kQuadAndSkippedLines);
  std::filesystem::current_path(testFolder());
  ViewerState state;
  state.reading = Reading::whole;
  Failure failure;
  ASSERT_TRUE(loadCommand(state, 'l', chooseQuad, failure));
  const ObjModel* shown = state.model.get();
  state.floorOffset = 0.25f;
  std::string note;
  limitAllocations(1 << 20);
  const Failure named = loadModel(state, "large/large.obj", LoadWay::named, note);
  loadCommand(
      state, 'l', [] { return std::optional<std::string>("large/large.obj"); }, failure);
  limitAllocations(SIZE_MAX);
  for (const Failure& said : {named, failure}) {
    EXPECT_EQ(said, "palvetta: cannot open 'large/large.obj': Too large for memory");
  }
  EXPECT_EQ(state.model.get(), shown);
  EXPECT_EQ(state.floorOffset, 0.25f);
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(testFolder()));
}

}  // namespace

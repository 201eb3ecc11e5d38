// Real frames drawn under the test's X display and read back from the back buffer, checked against
// a committed baseline and against facts worked out here: the lit colours of the floor, and where
// scene points land by the test's own projection.
#include <GL/gl.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include <gtest/gtest.h>

#include <filesystem>

#include "model/normalize.h"
#include "model/whole_reader.h"
#include "tests/support/gl_test_window.h"
#include "tests/support/immediate_model.h"
#include "tests/support/png_frame.h"
#include "view/scene.h"

namespace {

// The fixed-function light of one floor vertex: global ambient 0.2 and light ambient 0.1 on the
// colour, diffuse 0.8 by the cosine towards the point light at (10, 30, 10); no specular, since the
// material's specular colour stays black. The camera transform is rigid, so world space will do.
double litChannel(double colour, double x, double y, double z, double nx, double ny, double nz) {
  const double lx = 10.0 - x;
  const double ly = 30.0 - y;
  const double lz = 10.0 - z;
  const double length = std::sqrt(lx * lx + ly * ly + lz * lz);
  const double cosine = std::max(0.0, (lx * nx + ly * ny + lz * nz) / length);
  return std::min(1.0, colour * (0.3 + 0.8 * cosine)) * 255.0;
}

// The pixel where the scene point lands under the start camera.
Pixel pixelAtScenePoint(const Frame& frame, double x, double y, double z) {
  const WindowPoint p = projectScenePoint(ViewerState(), frame.width, frame.height, x, y, z);
  return frame.at(static_cast<int>(p.x), static_cast<int>(p.y));
}

// Checks a pixel inside a floor square against the lit colours of the square's corners: Gouraud
// shading keeps every channel within their range.
void expectLitSquare(const Frame& frame, double x0, double z0, double r, double g, double b) {
  const Pixel p = pixelAtScenePoint(frame, x0 + 0.5, 0.0, z0 + 0.5);
  const double colour[3] = {r, g, b};
  const int got[3] = {p.r, p.g, p.b};
  for (int c = 0; c < 3; ++c) {
    double low = 255.0;
    double high = 0.0;
    for (double dx : {0.0, 1.0}) {
      for (double dz : {0.0, 1.0}) {
        const double v = litChannel(colour[c], x0 + dx, 0.0, z0 + dz, 0.0, 1.0, 0.0);
        low = std::min(low, v);
        high = std::max(high, v);
      }
    }
    EXPECT_GE(got[c], std::floor(low) - 1) << "channel " << c << " of square " << x0 << "," << z0;
    EXPECT_LE(got[c], std::ceil(high) + 1) << "channel " << c << " of square " << x0 << "," << z0;
  }
}

// Two horizontal triangles one unit above the floor, facing up, one per material.
std::unique_ptr<ObjModel> twoMaterialModel() {
  auto model = std::make_unique<ObjModel>();
  model->positions = {{-3, 1, 1}, {-1, 1, 1}, {-2, 1, -1}, {1, 1, 1}, {3, 1, 1}, {2, 1, -1}};
  model->positionCount = 6;
  model->normals = {{0, 1, 0}};
  model->normalCount = 1;
  for (const Rgb colour : {Rgb{1, 0, 0}, Rgb{0, 1, 0}}) {
    model->ownedMaterials.push_back(std::make_unique<ObjMaterial>());
    model->ownedMaterials.back()->diffuse = colour;
  }
  model->materials[0] = model->ownedMaterials[0].get();
  model->materials[1] = model->ownedMaterials[1].get();
  model->materialCount = 2;
  model->faceVertexIndex = {0, 1, 2, 3, 4, 5};
  model->faceNormalIndex = {0, 0, 0, 0, 0, 0};
  model->faceMaterial = {model->materials[0], model->materials[1]};
  model->faceCount = 2;
  return model;
}

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override { window_ = openSceneWindow(640, 640); }
  void TearDown() override { closeSceneWindow(window_); }
  int window_ = 0;
};

// A picture of one frame, drawn straight through the arrays: for tests that change the model
// between pictures, which lists made once would not show.
void drawSingleFrame(const ViewerState& state) {
  drawScene(state.camera, state.model.get(), state.floorOffset, Frames::one);
}

TEST_F(SceneTest, StartCameraShowsTheLitCheckerboardOnTheClearColour) {
  const ViewerState state;
  const Frame frame = renderFrame(state);
  ASSERT_EQ(frame.width, 640);
  ASSERT_EQ(frame.height, 640);
  EXPECT_TRUE(matchesBaseline(frame, "floor_640"));
  EXPECT_TRUE(showsFloorAsSeenBy(frame, state));

  // The floor is seen from above and in front: the top corners are background.
  for (const Pixel p : {frame.at(0, 639), frame.at(639, 639), frame.at(320, 639)}) {
    EXPECT_EQ(p.r, kClearColour.r);
    EXPECT_EQ(p.g, kClearColour.g);
    EXPECT_EQ(p.b, kClearColour.b);
  }

  // The white corner square and its two pale red neighbours.
  expectLitSquare(frame, -5.0, -5.0, 1.0, 1.0, 1.0);
  expectLitSquare(frame, -4.0, -5.0, 1.0, 0.8, 0.8);
  expectLitSquare(frame, -5.0, -4.0, 1.0, 0.8, 0.8);
  // White and pale red differ in green only.
  const Pixel white = pixelAtScenePoint(frame, -4.5, 0.0, -4.5);
  const Pixel red = pixelAtScenePoint(frame, -3.5, 0.0, -4.5);
  EXPECT_EQ(white.r, white.g);
  EXPECT_NEAR(red.g, 0.8 * red.r, 3.0);
  EXPECT_GT(white.g - red.g, 30);
}

TEST_F(SceneTest, FloorIsCulledFromBelow) {
  ViewerState state;
  state.camera.cameraPitch = 30.0f;  // the camera under the floor, looking up at it
  const Frame frame = renderFrame(state);
  EXPECT_EQ(countNotClear(frame), 0);
}

TEST_F(SceneTest, TwoMaterialsDrawInTheirOwnColours) {
  ViewerState state;
  state.model = twoMaterialModel();
  const Frame frame = renderFrame(state);
  const Pixel first = pixelAtScenePoint(frame, -2.0, 1.0, 0.3);
  const Pixel second = pixelAtScenePoint(frame, 2.0, 1.0, 0.3);
  EXPECT_GT(first.r, 150);
  EXPECT_EQ(first.g, 0);
  EXPECT_EQ(first.b, 0);
  EXPECT_EQ(second.r, 0);
  EXPECT_GT(second.g, 150);
  EXPECT_EQ(second.b, 0);
}

TEST_F(SceneTest, ATriangleWithoutMaterialKeepsTheColourByTableAndIsWhiteByMaterial) {
  ViewerState state;
  state.model = twoMaterialModel();
  state.model->faceMaterial[1] = nullptr;
  const auto second = [&state] { return pixelAtScenePoint(renderFrame(state, drawSingleFrame), 2.0, 1.0, 0.3); };
  const Pixel red = second();
  EXPECT_GT(red.r, 150);
  EXPECT_EQ(red.g, 0);
  state.model->colouring = Colouring::byMaterial;
  const Pixel white = second();
  EXPECT_GT(white.g, 150);
  EXPECT_EQ(white.g, white.b);
  // A table without materials colours nothing, whatever the triangles were given.
  state.model->colouring = Colouring::byTable;
  state.model->materialCount = 0;
  const Pixel first = pixelAtScenePoint(renderFrame(state, drawSingleFrame), -2.0, 1.0, 0.3);
  EXPECT_EQ(first.r, first.g);
  EXPECT_EQ(first.g, first.b);
}

TEST_F(SceneTest, FloorOffsetLowersTheModel) {
  ViewerState state;
  state.model = twoMaterialModel();  // its lowest points lie one unit above the floor
  state.floorOffset = 0.75f;
  const Frame frame = renderFrame(state);
  // The red triangle lies a quarter of a unit above the floor; where it would lie if it were
  // raised by as much, a floor square shows (each has a lit green above 150).
  const Pixel lowered = pixelAtScenePoint(frame, -2.0, 0.25, 0.3);
  EXPECT_GT(lowered.r, 150);
  EXPECT_EQ(lowered.g, 0);
  EXPECT_GT(pixelAtScenePoint(frame, -2.0, 1.75, 0.3).g, 150);
}

TEST_F(SceneTest, TrianglesWithIndicesOutsideTheListsAreSkipped) {
  ViewerState state;
  state.model = twoMaterialModel();
  ObjModel& model = *state.model;
  // The first triangle gets every kind of bad index; the second stays good.
  for (const int32_t bad : {-1, 6, INT_MIN, INT_MAX}) {
    model.faceVertexIndex[1] = bad;
    const Frame frame = renderFrame(state);
    // The red triangle is gone: the floor shows there.
    EXPECT_GT(pixelAtScenePoint(frame, -2.0, 1.0, 0.3).g, 150) << "bad vertex index " << bad;
    EXPECT_GT(pixelAtScenePoint(frame, 2.0, 1.0, 0.3).g, 150);
  }
  model.faceVertexIndex[1] = 1;
  for (const int32_t bad : {-1, 1, INT_MIN, INT_MAX}) {
    model.faceNormalIndex[5] = bad;
    const Frame frame = renderFrame(state);
    EXPECT_GT(pixelAtScenePoint(frame, -2.0, 1.0, 0.3).r, 150) << "bad normal index " << bad;
    // The green triangle is gone: the floor behind it has red in it.
    EXPECT_GT(pixelAtScenePoint(frame, 2.0, 1.0, 0.3).r, 150) << "bad normal index " << bad;
  }
}

// An example read whole from its own folder, where its library is, and placed on the floor.
ViewerState wholeExample(const char* name) {
  const std::filesystem::path start = std::filesystem::current_path();
  std::filesystem::current_path(PALVETTA_EXAMPLES);
  ViewerState state;
  state.reading = Reading::whole;
  EXPECT_EQ(loadWholeObjModel((std::string(name) + ".obj").c_str(), state.model), std::nullopt)
      << name;
  std::filesystem::current_path(start);
  state.floorOffset = placeWholeModel(state.model.get(), 5.0f);
  return state;
}

TEST_F(SceneTest, WholeModelsDrawThroughArraysAsVertexByVertex) {
  // The torus has more triangles than one piece of the arrays holds, in runs of four materials;
  // a stretch without material must come out white, also between coloured runs.
  ViewerState torus = wholeExample("torus");
  ASSERT_GT(torus.model->faceCount, 2048);
  for (int32_t f = 1000; f < 1200; ++f) {
    torus.model->faceMaterial[f] = nullptr;
  }
  ViewerState trophy = wholeExample("trophy");
  for (const ViewerState* state : {&torus, &trophy}) {
    const Frame arrays = renderFrame(*state);
    const Frame immediate = renderFrame(*state, drawSceneImmediately);
    EXPECT_GT(countMismatches(arrays, baselineFrame("floor_640")), 1000);
    EXPECT_TRUE(arrays.rgb == immediate.rgb)
        << countMismatches(arrays, immediate) << " pixels differ";
  }
}

// A square one unit above the floor, facing up, in a material whose 2 x 2 image is red and green
// in its bottom row, blue and white in its top one, given bottom row first. u runs along x and
// v = 0 lies at the near edge (z = 2), so each texel shows on its own quarter.
std::unique_ptr<ObjModel> texturedSquare() {
  auto model = std::make_unique<ObjModel>();
  model->positions = {{-2, 1, -2}, {-2, 1, 2}, {2, 1, 2}, {2, 1, -2}};
  model->texcoords = {{0, 1, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
  model->normals = {{0, 1, 0}};
  model->positionCount = model->texcoordCount = 4;
  model->normalCount = 1;
  model->images.push_back({2, 2, 3, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}});
  model->ownedMaterials.push_back(std::make_unique<ObjMaterial>());
  ObjMaterial& material = *model->ownedMaterials.back();
  material.diffuse = {0, 0, 0};  // an image's colour is its own
  material.diffuseMap.image = 0;
  model->faceVertexIndex = model->faceTexcoordIndex = {0, 1, 2, 0, 2, 3};
  model->faceNormalIndex = {0, 0, 0, 0, 0, 0};
  model->faceMaterial = {&material, &material};
  model->faceCount = 2;
  model->colouring = Colouring::byMaterial;
  return model;
}

// Which of red, green and blue is strongest, or 'w' for white and '-' for none.
char strongest(const Pixel& p) {
  if (p.r > 100 && p.g > 100 && p.b > 100) {
    return 'w';
  }
  return p.r > 100 && p.g < 20 && p.b < 20   ? 'r'
         : p.g > 100 && p.r < 20 && p.b < 20 ? 'g'
         : p.b > 100 && p.r < 20 && p.g < 20 ? 'b'
                                             : '-';
}

TEST_F(SceneTest, TexturedTrianglesTakeTheImageTheRightWayUpMovedScaledAndClamped) {
  ViewerState state;
  state.model = texturedSquare();
  TextureMap& map = state.model->ownedMaterials[0]->diffuseMap;
  const auto quarters = [&state] {
    const Frame frame = renderFrame(state, drawSingleFrame);
    std::string seen;
    for (const auto& [x, z] : {std::pair{-1.0, 1.0}, {1.0, 1.0}, {-1.0, -1.0}, {1.0, -1.0}}) {
      seen += strongest(pixelAtScenePoint(frame, x, 1.0, z));
    }
    return seen;
  };
  EXPECT_EQ(quarters(), "rgbw");  // near left, near right, far left, far right
  map.offset[0] = 0.5f;
  EXPECT_EQ(quarters(), "grwb");
  // Scaled by 2, the near right quarter's u of 0.75 becomes 1.5: red again where the image
  // repeats, the right column's green where its edge goes on.
  map.offset[0] = 0.0f;
  map.scale[0] = 2.0f;
  EXPECT_EQ(strongest(pixelAtScenePoint(renderFrame(state, drawSingleFrame), 0.5, 1.0, 1.0)), 'r');
  state.model = texturedSquare();  // a texture is made once, with the clamping of its map
  state.model->ownedMaterials[0]->diffuseMap.scale[0] = 2.0f;
  state.model->ownedMaterials[0]->diffuseMap.clamp = true;
  EXPECT_EQ(strongest(pixelAtScenePoint(renderFrame(state, drawSingleFrame), 0.5, 1.0, 1.0)), 'g');

  // Without texture coordinates, the material's colour; with colours of positions and no image,
  // theirs.
  for (const bool image : {true, false}) {
    state.model = texturedSquare();
    state.model->faceTexcoordIndex[4] = kNoIndex;  // the far right triangle
    state.model->positionColours = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    state.model->ownedMaterials[0]->diffuseMap.image = image ? 0 : kNoIndex;
    const Frame frame = renderFrame(state, drawSingleFrame);
    const Pixel kd = pixelAtScenePoint(frame, 1.0, 1.0, -1.0);
    EXPECT_TRUE(image ? kd.r == 0 && kd.g == 0 && kd.b == 0 : strongest(kd) == 'b');
  }
}

// A grid of more than a list's triangles one unit above the floor, in bands of rows of a red, a
// green, a textured and no material, the left half of each row with colours of positions.
std::unique_ptr<ObjModel> bandedGrid() {
  constexpr int kQuads = 160;  // a row of 320 triangles: the first list ends in row 102, textured
  auto model = texturedSquare();
  model->ownedMaterials.push_back(std::make_unique<ObjMaterial>());
  model->ownedMaterials.back()->diffuse = {1, 0, 0};
  model->ownedMaterials.push_back(std::make_unique<ObjMaterial>());
  model->ownedMaterials.back()->diffuse = {0, 1, 0};
  const ObjMaterial* bands[] = {model->ownedMaterials[1].get(), model->ownedMaterials[2].get(),
                                model->ownedMaterials[0].get(), nullptr};
  model->positions.clear();
  model->texcoords.clear();
  model->faceVertexIndex.clear();
  model->faceMaterial.clear();
  for (int r = 0; r <= kQuads; ++r) {
    for (int c = 0; c <= kQuads; ++c) {
      model->positions.push_back({-4.0f + 8.0f * c / kQuads, 1.0f, -4.0f + 8.0f * r / kQuads});
      model->texcoords.push_back({c / 40.0f, r / 40.0f, 0.0f});
      model->positionColours.push_back(c < kQuads / 2 ? Rgb{0, 0, 1} : kNoColour);
    }
  }
  for (int r = 0; r < kQuads; ++r) {
    for (int c = 0; c < kQuads; ++c) {
      const int at = r * (kQuads + 1) + c;
      for (const int v : {at, at + kQuads + 1, at + 1, at + 1, at + kQuads + 1, at + kQuads + 2}) {
        model->faceVertexIndex.push_back(v);
      }
      model->faceMaterial.insert(model->faceMaterial.end(), 2, bands[(r / 17) % 4]);
    }
  }
  model->faceTexcoordIndex = model->faceVertexIndex;
  model->faceNormalIndex.assign(model->faceVertexIndex.size(), 0);
  model->positionCount = model->texcoordCount = static_cast<int32_t>(model->positions.size());
  model->faceCount = static_cast<int32_t>(model->faceMaterial.size());
  return model;
}

TEST_F(SceneTest, ListsDrawAsTheArraysFrameAfterFrameAndGoWithTheModel) {
  ViewerState state;
  state.model = bandedGrid();
  ASSERT_GT(state.model->faceCount, kTrianglesPerList);
  const Frame arrays = renderFrame(state, drawSingleFrame);
  EXPECT_GT(countMismatches(arrays, baselineFrame("floor_640")), 50000);
  for (const float yaw : {-30.0f, 60.0f}) {
    state.camera.cameraYaw = yaw;
    const Frame lists = renderFrame(state);
    EXPECT_TRUE(lists.rgb == renderFrame(state, drawSingleFrame).rgb) << "yaw " << yaw;
    EXPECT_EQ(yaw == -30.0f, lists.rgb == arrays.rgb) << "yaw " << yaw;
  }
  EXPECT_TRUE(glIsList(1));
  state.model.reset();
  EXPECT_FALSE(glIsList(1));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SceneTest, ADragDrawsTheSimplifiedModelWithTheFullOnesTextures) {
  ViewerState state;
  state.model = texturedSquare();
  // One of the square's two triangles, the near left one, in the same material and without images.
  auto simplified = texturedSquare();
  simplified->images.clear();
  simplified->faceCount = 1;
  simplified->faceMaterial = {state.model->ownedMaterials[0].get()};
  state.model->simplified = std::move(simplified);
  // The near left quarter's texel, and the far right one's, or 'f' where the floor shows.
  const Frame floor = baselineFrame("floor_640");
  const auto quarters = [&state, &floor](SceneDrawing draw) {
    const Frame frame = renderFrame(state, draw);
    const Pixel farRight = pixelAtScenePoint(frame, 1.0, 1.0, -1.0);
    const Pixel floorThere = pixelAtScenePoint(floor, 1.0, 1.0, -1.0);
    const bool isFloor =
        farRight.r == floorThere.r && farRight.g == floorThere.g && farRight.b == floorThere.b;
    return std::string{strongest(pixelAtScenePoint(frame, -1.0, 1.0, 1.0)),
                       isFloor ? 'f' : strongest(farRight)};
  };
  state.camera.orbitDrag = 1;
  EXPECT_EQ(quarters(drawViewerScene), "rf");
  state.camera.orbitDrag = 0;
  EXPECT_EQ(quarters(drawViewerScene), "rw");
  state.camera.zoomDrag = 1;
  EXPECT_EQ(quarters(drawViewerScene), "rf");
  EXPECT_EQ(quarters(drawSingleFrame), "rf");
}

TEST(SceneReshapeTest, WideWindowKeepsSquaresSquare) {
  // The vertical field of view is fixed; a wider window shows more to the sides, unstretched.
  const ViewerState state;
  for (const int width : {640, 1280}) {
    const int window = openSceneWindow(width, 640);
    EXPECT_TRUE(showsFloorAsSeenBy(renderFrame(state), state)) << width << " x 640";
    closeSceneWindow(window);
  }
}

TEST(SceneReshapeTest, HeightZeroGivesAFiniteProjection) {
  const int window = openSceneWindow(640, 640);
  reshape(640, 0);
  GLdouble projection[16];
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  for (const GLdouble v : projection) {
    EXPECT_TRUE(std::isfinite(v));
  }
  // Taken as height 1: the x scale is the y scale divided by the aspect 640.
  EXPECT_NEAR(projection[0] * 640.0, projection[5], 1e-6);
  closeSceneWindow(window);
}

}  // namespace

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "model/normalize.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

ObjModel modelWith(std::vector<Vec3> positions) {
  ObjModel model;
  model.positionCount = static_cast<int32_t>(positions.size());
  model.positions = std::move(positions);
  return model;
}

void expectSame(const Vec3& got, const Vec3& want) {
  EXPECT_FLOAT_EQ(got.x, want.x);
  EXPECT_FLOAT_EQ(got.y, want.y);
  EXPECT_FLOAT_EQ(got.z, want.z);
}

// Normalising `positions` to `target` leaves them exactly as they are, standing at `offset`.
void expectLeftAlone(const std::vector<Vec3>& positions, float target, float offset) {
  ObjModel model = modelWith(positions);
  EXPECT_EQ(normalizeModel(&model, target), offset);
  for (std::size_t i = 0; i < positions.size(); ++i) {
    EXPECT_EQ(model.positions[i].x, positions[i].x) << "position " << i;
    EXPECT_EQ(model.positions[i].y, positions[i].y) << "position " << i;
    EXPECT_EQ(model.positions[i].z, positions[i].z) << "position " << i;
  }
}

TEST(NormalizeTest, LargerHorizontalExtentBecomesTheTargetAndTheLowestPointTheOffset) {
  // x -1..1, z -3..3, y 2..4: the depth 6 sets the scale 5/6; the height does not count.
  ObjModel model = modelWith({{-1, 2, 0}, {1, 4, 3}, {0, 3, -3}, {0.5f, 2.5f, 1}});
  model.normals = {{0, 2, 0}, {0.3f, 0.4f, 0.5f}};
  model.normalCount = 2;
  const float scale = 5.0f / 6.0f;
  const float offset = normalizeModel(&model, 5.0f);
  EXPECT_FLOAT_EQ(offset, 2.0f * scale);
  EXPECT_NEAR(offset, 1.667f, 0.001f);
  expectSame(model.positions[0], {-scale, 2 * scale, 0});
  expectSame(model.positions[1], {scale, 4 * scale, 3 * scale});
  expectSame(model.positions[2], {0, 3 * scale, -3 * scale});
  expectSame(model.positions[3], {0.5f * scale, 2.5f * scale, scale});
  // Normals keep their file values, unnormalised.
  expectSame(model.normals[0], {0, 2, 0});
  expectSame(model.normals[1], {0.3f, 0.4f, 0.5f});

  // The width wins when it is the larger; the model is not moved towards the origin.
  ObjModel wide = modelWith({{10, -1, 0}, {14, 0, 1}});
  EXPECT_FLOAT_EQ(normalizeModel(&wide, 5.0f), -1.25f);
  expectSame(wide.positions[0], {12.5f, -1.25f, 0});
  expectSame(wide.positions[1], {17.5f, 0, 1.25f});
}

TEST(NormalizeTest, ArithmeticIsSinglePrecisionStepByStep) {
  // Width, scale and products each rounded to float. These numbers tell it from arithmetic in
  // double precision rounded once at the end.
  ObjModel model = modelWith({{-3.0f, -3.0f, 0}, {-2.9f, 1, 0.05f}});
  const float width = -2.9f - -3.0f;
  const float scale = 5.0f / width;
  const double wideScale = 5.0 / (-2.9 - -3.0);
  ASSERT_NE(-3.0f * scale, static_cast<float>(-3.0 * wideScale));
  const float offset = normalizeModel(&model, 5.0f);
  EXPECT_EQ(offset, -3.0f * scale);
  EXPECT_EQ(model.positions[0].x, -3.0f * scale);
  EXPECT_EQ(model.positions[1].x, -2.9f * scale);
  EXPECT_EQ(model.positions[1].z, 0.05f * scale);
}

TEST(NormalizeTest, NoModelOrNoPositionsGivesZeroAndChangesNothing) {
  EXPECT_EQ(normalizeModel(nullptr, 5.0f), 0.0f);
  ObjModel empty;
  empty.normals = {{0, 1, 0}};
  empty.normalCount = 1;
  EXPECT_EQ(normalizeModel(&empty, 5.0f), 0.0f);
  expectSame(empty.normals[0], {0, 1, 0});
  // A count that claims more positions than are stored reads only what is there.
  ObjModel claims = modelWith({{0, 1, 0}, {2, 3, 0}});
  claims.positionCount = 100;
  EXPECT_FLOAT_EQ(normalizeModel(&claims, 5.0f), 2.5f);
}

TEST(NormalizeTest, ModelsWithoutHorizontalExtentStayAsTheyAreAndStandOnTheFloor) {
  // A single point and a vertical line: nothing to scale to, so scale 1 and the lowest y.
  expectLeftAlone({{1, 7, 2}}, 5.0f, 7.0f);
  expectLeftAlone({{3, 4, -1}, {3, -2, -1}, {3, 9, -1}}, 5.0f, -2.0f);
  // An extent so small that the scale overflows, and one so large that it does.
  expectLeftAlone({{0, 1, 0}, {1e-39f, 2, 0}}, 5.0f, 1.0f);
  expectLeftAlone({{-3e38f, 0, 0}, {3e38f, -5, 0}}, 5.0f, -5.0f);
  // A finite scale that would still push a coordinate past the float range.
  ObjModel tall = modelWith({{0, 1e30f, 0}, {1e-10f, 0, 0}});
  EXPECT_EQ(normalizeModel(&tall, 5.0f), 0.0f);
  EXPECT_EQ(tall.positions[0].y, 1e30f);
}

TEST(NormalizeTest, NonFiniteCoordinatesNeverBecomeBounds) {
  // Infinite and NaN components, also in the first position, are passed over; the finite rest
  // sets the scale and the offset, and no finite coordinate turns into NaN or infinity.
  ObjModel model = modelWith({{kInf, kNaN, 0}, {-1, 2, kNaN}, {1, 4, -kInf}, {0, 3, 1}, {0, -kInf, 0}});
  const float offset = normalizeModel(&model, 5.0f);
  EXPECT_FLOAT_EQ(offset, 5.0f);  // width 2 gives scale 2.5, lowest finite y 2
  EXPECT_FLOAT_EQ(model.positions[1].x, -2.5f);
  EXPECT_FLOAT_EQ(model.positions[1].y, 5.0f);
  EXPECT_TRUE(std::isnan(model.positions[1].z));
  expectSame(model.positions[3], {0, 7.5f, 2.5f});
  EXPECT_TRUE(std::isnan(model.positions[0].y));
  EXPECT_EQ(model.positions[0].x, kInf);

  // "v inf 0 0" alone: no finite width, nothing scaled, the offset finite.
  expectLeftAlone({{kInf, 0, 0}}, 5.0f, 0.0f);

  // No finite y at all: the offset is 0, never NaN.
  ObjModel noHeight = modelWith({{0, kNaN, 0}, {2, kInf, 0}});
  EXPECT_EQ(normalizeModel(&noHeight, 5.0f), 0.0f);
  EXPECT_FLOAT_EQ(noHeight.positions[1].x, 5.0f);

  // A target that gives no finite scale leaves the model alone.
  expectLeftAlone({{0, 1, 0}, {2, 3, 0}}, kNaN, 1.0f);
}

}  // namespace

namespace {

// Triangles over the given positions, all in range unless said.
ObjModel modelWithTriangles(std::vector<Vec3> positions, std::vector<int32_t> corners) {
  ObjModel model = modelWith(std::move(positions));
  model.normals = {{0, 1, 0}};
  model.normalCount = 1;
  model.faceCount = static_cast<int32_t>(corners.size() / 3);
  model.faceNormalIndex.assign(corners.size(), 0);
  model.faceVertexIndex = std::move(corners);
  return model;
}

TEST(PlaceWholeModelTest, LargestExtentOfDrawnCornersBecomesTheTargetCentredOnTheFloor) {
  // Drawn corners span x 2..6, y 10..12, z -1..3: the extent 4 gives the scale 5/4, the middle is
  // x 4, z 1, the lowest y 10. The fourth position is used by no triangle, the fifth only by one
  // with a corner outside the list: neither counts, both move alike.
  ObjModel model = modelWithTriangles(
      {{2, 10, -1}, {6, 12, -1}, {4, 10, 3}, {100, 100, 100}, {-50, 0, 0}}, {0, 1, 2, 4, 0, 7});
  EXPECT_EQ(placeWholeModel(&model, 5.0f), 0.0f);
  expectSame(model.positions[0], {-2.5f, 0, -2.5f});
  expectSame(model.positions[1], {2.5f, 2.5f, -2.5f});
  expectSame(model.positions[2], {0, 0, 2.5f});
  expectSame(model.positions[3], {120, 112.5f, 123.75f});
  expectSame(model.positions[4], {-67.5f, -12.5f, -1.25f});

  // A tall model fits by its height: y 0..8 gives the scale 5/8.
  ObjModel tall = modelWithTriangles({{0, 0, 0}, {1, 8, 0}, {0, 0, 2}}, {0, 1, 2});
  placeWholeModel(&tall, 5.0f);
  expectSame(tall.positions[1], {0.3125f, 5, -0.625f});
}

TEST(PlaceWholeModelTest, DegenerateAndNonFiniteModelsStayFinite) {
  // A triangle that is one point far away is only moved: onto the middle of the floor.
  ObjModel point = modelWithTriangles({{1e6f, -7, 3}}, {0, 0, 0});
  placeWholeModel(&point, 5.0f);
  expectSame(point.positions[0], {0, 0, 0});
  // Non-finite components never set a bound.
  ObjModel odd = modelWithTriangles({{kNaN, 0, 0}, {2, kInf, 0}, {0, 4, 2}}, {0, 1, 2});
  placeWholeModel(&odd, 5.0f);
  expectSame(odd.positions[2], {-1.25f, 5, 1.25f});
  // No triangle: nothing moves.
  ObjModel none = modelWith({{1, 7, 2}});
  EXPECT_EQ(placeWholeModel(&none, 5.0f), 0.0f);
  expectSame(none.positions[0], {1, 7, 2});
  EXPECT_EQ(placeWholeModel(nullptr, 5.0f), 0.0f);
}

}  // namespace

#include "model/simplified_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
// A sphere standing on the floor as the viewer places a model: diameter 5, centre 2.5 up.
constexpr float kRadius = 2.5f;
constexpr int kRings = 320;
constexpr int kSegments = 640;  // 409 600 triangles
// Two pixels at the window's size, seen from 15 units: 2 * 15 * tan(22.5 deg) / 640 each.
constexpr float kTwoPixels = 0.039f;
// How far a corner may move when its cell is no larger than that: the cell's diagonal.
constexpr float kCellDiagonal = 1.7321f * kTwoPixels;
// Where the halves meet, a kept triangle may take either material: within a diagonal and half an
// original triangle (2 pi 2.5 / 640 across) of the boundary.
constexpr float kNearTheBoundary = kCellDiagonal + 0.0123f;

Vec3 onSphere(double u, double v) {
  const double polar = kPi * v;
  const double around = 2 * kPi * u;
  return {static_cast<float>(kRadius * std::sin(polar) * std::cos(around)),
          static_cast<float>(kRadius * (1.0 + std::cos(polar))),
          static_cast<float>(kRadius * std::sin(polar) * std::sin(around))};
}

// Linear in the position, so a cell's mean colour is the colour of its mean position.
Rgb colourAt(const Vec3& p) {
  return {(p.x / kRadius + 1) / 2, p.y / kRadius / 2, (p.z / kRadius + 1) / 2};
}

Vec3 towardsCentre(const Vec3& p) {
  const Vec3 d = {p.x, p.y - kRadius, p.z};
  const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
  return {d.x / length, d.y / length, d.z / length};
}

float dot(const Vec3& a, const Vec3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

float distance(const Vec3& a, const Vec3& b) {
  const Vec3 d = {a.x - b.x, a.y - b.y, a.z - b.z};
  return std::sqrt(dot(d, d));
}

// Texture coordinates (s / segments, r / rings), with their own seam column; the half with z > 0
// is of one material, the other half of another.
ObjModel sphere() {
  ObjModel model;
  for (int r = 0; r <= kRings; ++r) {
    for (int s = 0; s <= kSegments; ++s) {
      const double u = 1.0 * s / kSegments;
      const double v = 1.0 * r / kRings;
      model.texcoords.push_back({static_cast<float>(u), static_cast<float>(v), 0.0f});
      if (s < kSegments) {
        const Vec3 p = onSphere(u, v);
        model.positions.push_back(p);
        model.normals.push_back(towardsCentre(onSphere(u, v)));
        model.positionColours.push_back(colourAt(p));
      }
    }
  }
  for (int m = 0; m < 2; ++m) {
    model.ownedMaterials.push_back(std::make_unique<ObjMaterial>());
  }
  auto position = [](int r, int s) { return r * kSegments + s % kSegments; };
  auto texcoord = [](int r, int s) { return r * (kSegments + 1) + s; };
  for (int r = 0; r < kRings; ++r) {
    for (int s = 0; s < kSegments; ++s) {
      const int corners[2][3][2] = {{{r, s}, {r + 1, s}, {r, s + 1}},
                                    {{r + 1, s}, {r + 1, s + 1}, {r, s + 1}}};
      for (const auto& triangle : corners) {
        for (const auto& corner : triangle) {
          model.faceVertexIndex.push_back(position(corner[0], corner[1]));
          model.faceNormalIndex.push_back(position(corner[0], corner[1]));
          model.faceTexcoordIndex.push_back(texcoord(corner[0], corner[1]));
        }
        model.faceMaterial.push_back(model.ownedMaterials[s < kSegments / 2 ? 0 : 1].get());
      }
    }
  }
  // One triangle naming a position that is not there, which drawing skips.
  model.faceVertexIndex.insert(model.faceVertexIndex.end(), {0, 1, 1 << 30});
  model.faceNormalIndex.insert(model.faceNormalIndex.end(), {0, 1, 2});
  model.faceTexcoordIndex.insert(model.faceTexcoordIndex.end(), {0, 1, 2});
  model.faceMaterial.push_back(nullptr);
  model.positionCount = static_cast<int32_t>(model.positions.size());
  model.normalCount = static_cast<int32_t>(model.normals.size());
  model.texcoordCount = static_cast<int32_t>(model.texcoords.size());
  model.faceCount = static_cast<int32_t>(model.faceMaterial.size());
  model.colouring = Colouring::byMaterial;
  return model;
}

ObjModel copiesOfOneTriangle(int32_t count) {
  ObjModel model;
  model.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  model.normals = {{0, 0, 1}};
  model.positionCount = 3;
  model.normalCount = 1;
  for (int32_t f = 0; f < count; ++f) {
    model.faceVertexIndex.insert(model.faceVertexIndex.end(), {0, 1, 2});
    model.faceNormalIndex.insert(model.faceNormalIndex.end(), {0, 0, 0});
  }
  model.faceMaterial.assign(static_cast<std::size_t>(count), nullptr);
  model.faceCount = count;
  return model;
}

void expectWellFormed(const ObjModel& model) {
  EXPECT_EQ(model.positions.size(), static_cast<std::size_t>(model.positionCount));
  EXPECT_EQ(model.normals.size(), static_cast<std::size_t>(model.normalCount));
  EXPECT_EQ(model.texcoords.size(), static_cast<std::size_t>(model.texcoordCount));
  EXPECT_EQ(model.faceMaterial.size(), static_cast<std::size_t>(model.faceCount));
  for (int32_t f = 0; f < model.faceCount; ++f) {
    ASSERT_TRUE(faceIndicesInRange(model, f)) << f;
  }
  EXPECT_TRUE(model.ownedMaterials.empty());
  EXPECT_TRUE(model.images.empty());
}

TEST(SimplifiedModel, OnlyAModelOverTheLimitHasOne) {
  EXPECT_EQ(simplifiedModel(copiesOfOneTriangle(kMostMovingTriangles)), nullptr);
  const std::unique_ptr<ObjModel> simple =
      simplifiedModel(copiesOfOneTriangle(kMostMovingTriangles + 1));
  ASSERT_NE(simple, nullptr);
  expectWellFormed(*simple);
  EXPECT_LE(simple->faceCount, 1);  // copies of one triangle are one triangle
}

TEST(SimplifiedModel, KeepsTheSphereItsMaterialsTexturesNormalsAndColours) {
  const ObjModel full = sphere();
  const std::unique_ptr<ObjModel> simple = simplifiedModel(full);
  ASSERT_NE(simple, nullptr);
  expectWellFormed(*simple);
  EXPECT_EQ(simple->colouring, Colouring::byMaterial);
  // As fine as the limit allows: a surface's triangles grow with the square of the grid's cells,
  // so a grid a few per cent coarser than the finest that fits still keeps most of the limit.
  EXPECT_LE(simple->faceCount, kMostMovingTriangles);
  EXPECT_GE(simple->faceCount, kMostMovingTriangles * 8 / 10);
  ASSERT_EQ(simple->faceTexcoordIndex.size(), simple->faceVertexIndex.size());
  ASSERT_EQ(simple->positionColours.size(), simple->positions.size());

  Vec3 lo = {INFINITY, INFINITY, INFINITY};
  Vec3 hi = {-INFINITY, -INFINITY, -INFINITY};
  int32_t ofMaterial[2] = {0, 0};
  for (int32_t f = 0; f < simple->faceCount; ++f) {
    Vec3 middle = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
      const std::size_t corner = 3 * static_cast<std::size_t>(f) + static_cast<std::size_t>(k);
      const Vec3& p = simple->positions[static_cast<std::size_t>(simple->faceVertexIndex[corner])];
      lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
      hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
      middle = {middle.x + p.x / 3, middle.y + p.y / 3, middle.z + p.z / 3};
      // The texture coordinates still name a point of the sphere near the corner.
      const int32_t t = simple->faceTexcoordIndex[corner];
      ASSERT_GE(t, 0);
      ASSERT_LT(t, simple->texcoordCount);
      const Vec3& uv = simple->texcoords[static_cast<std::size_t>(t)];
      ASSERT_LT(distance(onSphere(uv.x, uv.y), p), kCellDiagonal) << f;
      // The corner's own normal, outwards where it is.
      const Vec3& n = simple->normals[static_cast<std::size_t>(simple->faceNormalIndex[corner])];
      ASSERT_GT(dot(n, towardsCentre(p)), 0.99f) << f;
      const Rgb colour =
          simple->positionColours[static_cast<std::size_t>(simple->faceVertexIndex[corner])];
      const Rgb expected = colourAt(p);
      ASSERT_NEAR(colour.r, expected.r, 1e-4f);
      ASSERT_NEAR(colour.g, expected.g, 1e-4f);
      ASSERT_NEAR(colour.b, expected.b, 1e-4f);
    }
    const ObjMaterial* material = simple->faceMaterial[static_cast<std::size_t>(f)];
    const int which = material == full.ownedMaterials[0].get()   ? 0
                      : material == full.ownedMaterials[1].get() ? 1
                                                                 : -1;
    ASSERT_NE(which, -1) << f;
    ++ofMaterial[which];
    if (std::abs(middle.z) > kNearTheBoundary) {
      ASSERT_EQ(which, middle.z > 0 ? 0 : 1) << f;
    }
  }
  // Half the sphere each.
  EXPECT_NEAR(ofMaterial[0], ofMaterial[1], simple->faceCount / 50);
  // The full sphere's box is -2.5 ... 2.5 across and 0 ... 5 up.
  EXPECT_NEAR(lo.x, -kRadius, kTwoPixels);
  EXPECT_NEAR(hi.x, kRadius, kTwoPixels);
  EXPECT_NEAR(lo.y, 0, kTwoPixels);
  EXPECT_NEAR(hi.y, 2 * kRadius, kTwoPixels);
  EXPECT_NEAR(lo.z, -kRadius, kTwoPixels);
  EXPECT_NEAR(hi.z, kRadius, kTwoPixels);
}

}  // namespace
